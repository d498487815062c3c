// The indexed joins give exactly what the plain first-match scans give, on generated
// hosts made irregular on purpose (duplicates, mismatches, unknown ids); and every
// policy path of an unaltered generated host finds its record.
#include <gtest/gtest.h>

#include "inventory/joins.h"
#include "inventory/names.h"
#include "inventory/path_readers.h"
#include "inventory/policy_readers.h"
#include "simstack/host_makers/host_generator.h"
#include "test_support.h"

namespace {

// The joins as plain scans, the way the lists are defined to be searched.
void plain_join_paths(Inventory& inv) {
  for (PathRecord& path : inv.paths) {
    for (const DeviceRecord& d : inv.devices) {
      if (d.InstanceName != path.InstanceName) continue;
      path.SerialNumber = d.SerialNumber;
      for (const DevicePathEntry& e : d.Paths)
        if (e.DsmPathId == path.PathId) {
          path.State = alua_state_for_flags(e.PrimaryPath, e.OptimizedPath);
          break;
        }
      break;
    }
    for (const DescriptorRecord& desc : inv.descriptors)
      if (desc.InstanceName == path.InstanceName && desc.PathIdentifier == path.PathId) path.ScsiAddress = desc.ScsiAddress;
  }
}

const PathRecord* plain_find(bool family5, const std::wstring& instance, std::uint64_t id, const Inventory& inv) {
  if (id == 0) return nullptr;
  for (const DescriptorRecord& desc : inv.descriptors) {
    if (!family5 && desc.InstanceName != instance) continue;
    if (desc.PathIdentifier != id) continue;
    for (const PathRecord& p : inv.paths)
      if (p.ScsiAddress == desc.ScsiAddress) return &p;
  }
  return nullptr;
}

Json& wmi_of(Json& doc) { return doc["wmi"]["ROOT\\WMI"]["instances"]; }

Json irregular_host(unsigned family, std::uint32_t seed) {
  simstack::HostSpec spec;
  spec.family = family;
  spec.devices = 40;
  spec.paths_per_device = 4;
  spec.seed = seed;
  Json doc = generated_host(spec);
  Json& wmi = wmi_of(doc);
  Json& desc = wmi["MPIO_GET_DESCRIPTOR"];
  Json& perf = wmi[family == 5 ? "ZYRDSM_PERFINFO" : "MSDSM_DEVICE_PERF"];
  Json& policies = wmi[family == 5 ? "ZYRDSM_QueryLBPolicy" : "DSM_QueryLBPolicy_V2"];
  Json dup = desc[3]["PdoInformation"][0];
  dup["ScsiAddress"]["Lun"] = 77;  // same id, another address: order decides
  desc[3]["PdoInformation"].push_back(dup);
  desc[4]["PdoInformation"].insert(desc[4]["PdoInformation"].begin(), dup);
  desc[5]["PdoInformation"][1]["ScsiAddress"]["Lun"] = 200;  // an address no path record has
  desc.push_back(desc[13]);                                    // a whole descriptor instance twice
  perf[7]["InstanceName"] = "MPIO\\Ghost";                     // a path of no device
  perf[11]["PerfInfo"].push_back(perf[11]["PerfInfo"][0]);     // a path record twice
  perf[12]["PerfInfo"][2] = perf[2]["PerfInfo"][1];            // another device's path
  Json& paths = policies[9]["LoadBalancePolicy"]["DSM_Paths"];
  paths.push_back(paths[0]);
  paths.back()["DsmPathId"] = "0";
  paths.push_back(paths[1]);
  paths.back()["DsmPathId"] = "12345";
  paths.push_back(paths[2]);  // an id twice within one device
  policies.push_back(policies[20]);  // two devices of one instance name
  return doc;
}

void expect_same_joins(unsigned family, std::uint32_t seed) {
  TempDir dir;
  SimSession sim(write_json(dir.file("s.json"), irregular_host(family, seed)));
  Inventory indexed;
  ASSERT_EQ(read_path_perf(sim.session, indexed.paths), 0);
  ASSERT_EQ(read_descriptors(sim.session, indexed.descriptors), 0);
  if (family == 5) ASSERT_EQ(read_policies_v1_full(sim.session, indexed.devices, indexed.legacy_policies), 0);
  else ASSERT_EQ(read_devices_v2(sim.session, indexed.devices), 0);
  Inventory plain = indexed;
  join_paths(family == 5, indexed);
  if (family == 6) plain_join_paths(plain);
  ASSERT_EQ(indexed.paths.size(), plain.paths.size());
  for (std::size_t i = 0; i < plain.paths.size(); ++i) {
    EXPECT_EQ(indexed.paths[i].SerialNumber, plain.paths[i].SerialNumber) << i;
    EXPECT_EQ(indexed.paths[i].State, plain.paths[i].State) << i;
    EXPECT_EQ(indexed.paths[i].ScsiAddress, plain.paths[i].ScsiAddress) << i;
  }
  PathLookup lookup(family == 5, indexed.descriptors, indexed.paths);
  std::size_t found = 0, asked = 0;
  auto compare = [&](const std::wstring& instance, std::uint64_t id) {
    const PathRecord* a = find_path_record(lookup, instance, id);
    const PathRecord* b = plain_find(family == 5, instance, id, indexed);
    EXPECT_EQ(a, b) << "id " << id;
    ++asked;
    found += a != nullptr;
  };
  for (const auto& d : indexed.devices) {
    for (const auto& p : d.Paths) compare(d.InstanceName, p.DsmPathId);
    compare(d.InstanceName, 999999);
  }
  for (const auto& desc : indexed.descriptors) compare(L"MPIO\\Ghost", desc.PathIdentifier);
  EXPECT_GT(found, 120u);  // most device paths are found: the comparison is not one of empty results
  EXPECT_GT(asked, found);
}

}  // namespace

TEST(JoinEquivalence, IndexedJoinsMatchPlainScansFamilySix) {
  for (std::uint32_t seed : {1u, 7u, 42u}) expect_same_joins(6, seed);
}

TEST(JoinEquivalence, IndexedLookupMatchesPlainScansFamilyFive) {
  for (std::uint32_t seed : {3u, 11u}) expect_same_joins(5, seed);
}

TEST(GeneratedHosts, EveryPolicyPathFindsItsRecord) {
  struct Case {
    unsigned family, devices, paths, hbas, ctrls, arrays;
    std::uint32_t seed;
  };
  for (const Case& c : {Case{6, 8, 4, 2, 4, 2, 1}, Case{6, 300, 8, 4, 8, 1, 9}, Case{5, 8, 4, 2, 4, 2, 5},
                        Case{5, 260, 3, 3, 2, 1, 17}, Case{6, 1, 1, 1, 1, 1, 2}}) {
    simstack::HostSpec spec{c.family, c.devices, c.paths, c.hbas, c.ctrls, c.arrays, 1, c.seed};
    TempDir dir;
    SimSession sim(write_json(dir.file("s.json"), generated_host(spec)));
    Inventory inv;
    ASSERT_EQ(load_inventory(sim.session, inv), 0);
    ASSERT_EQ(inv.devices.size(), c.devices);
    PathLookup lookup(c.family == 5, inv.descriptors, inv.paths);
    std::vector<DeviceRecord> devices = inv.devices;
    ASSERT_EQ(add_pathless_devices(sim.session, devices, inv.paths), 0);
    EXPECT_EQ(devices.size(), c.devices + (c.family == 5 ? 1u : 0u));  // one pathless driver disk
    for (const auto& d : inv.devices) {
      ASSERT_EQ(d.Paths.size(), c.paths);
      const PathRecord* first = find_path_record(lookup, d.InstanceName, d.Paths[0].DsmPathId);
      ASSERT_NE(first, nullptr);
      for (const auto& p : d.Paths) {
        const PathRecord* r = find_path_record(lookup, d.InstanceName, p.DsmPathId);
        ASSERT_NE(r, nullptr) << "device " << std::string(d.InstanceName.begin(), d.InstanceName.end());
        EXPECT_EQ(r->InstanceName, d.InstanceName);  // never another device's record
        EXPECT_EQ(r->SerialNumber, first->SerialNumber);
      }
      if (c.family == 6) EXPECT_EQ(first->SerialNumber, d.SerialNumber);
      else EXPECT_EQ(first->SerialNumber.size(), 11u);
    }
  }
}

TEST(GeneratedHosts, SameSeedSameHost) {
  simstack::HostSpec spec;
  spec.seed = 99;
  EXPECT_EQ(generated_host(spec).dump(), generated_host(spec).dump());
  spec.seed = 100;
  auto other = generated_host(spec).dump();
  spec.seed = 99;
  EXPECT_NE(generated_host(spec).dump(), other);
}
