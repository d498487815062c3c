// Readers and joins of the inventory over hand-written hosts.
#include <gtest/gtest.h>

#include "inventory/joins.h"
#include "inventory/path_readers.h"
#include "inventory/policy_readers.h"
#include "test_support.h"

namespace {

Json& instances(Json& doc) { return doc["wmi"]["ROOT\\WMI"]["instances"]; }

Json descriptor(const std::string& instance, std::vector<std::tuple<int, int, int, int, std::string>> pdos) {
  Json list = Json::array();
  for (auto& [port, bus, target, lun, id] : pdos)
    list.push_back({{"ScsiAddress", {{"PortNumber", port}, {"ScsiPathId", bus}, {"TargetId", target}, {"Lun", lun}}},
                    {"PathIdentifier", id}});
  return {{"InstanceName", instance}, {"PdoInformation", list}};
}

Json v2_policy(const std::string& instance, int policy, std::vector<Json> paths) {
  return {{"InstanceName", instance},
          {"LoadBalancePolicy", {{"Version", 1}, {"LoadBalancePolicy", policy}, {"DSMPathCount", paths.size()},
                                 {"DSM_Paths", paths}}}};
}

Json v2_path(const std::string& id, int primary, int optimized) {
  return {{"DsmPathId", id}, {"PathWeight", 3}, {"PrimaryPath", primary}, {"OptimizedPath", optimized},
          {"ALUASupport", 3}, {"TargetPortGroup_State", 1}, {"TargetPortGroup_Identifier", 0x102}};
}

Json disks(std::vector<std::pair<std::string, int>> list, const std::string& dsm = "Microsoft DSM") {
  Json drive_info = Json::array();
  for (auto& [sn, n] : list) drive_info.push_back({{"SerialNumber", sn}, {"NumberPaths", n}, {"DsmName", dsm}, {"Name", "d"}});
  return Json::array({{{"InstanceName", "X"}, {"DriveInfo", drive_info}}});
}

}  // namespace

TEST(PathReaders, FamilyFiveIdentifierPage83AndAddresses) {
  PathRecord r;
  // address 02 00 01 05, HBA and controller ports, serial 1A2B3C4D-07, status 0x05.
  decode_path_identifier({0x02, 0x00, 0x01, 0x05, 0x21, 0, 0x0B, 0x5E, 0x71, 0x3C, 0x5A, 0x01, 0x50, 0xB5, 0xE7, 0x18,
                          0x01, 0x10, 0x00, 0x02, 0x1A, 0x2B, 0x3C, 0x4D, 0x07, 0x05},
                         r);
  EXPECT_EQ(r.ScsiAddress, "02000105");
  EXPECT_EQ(r.HbaWWPN, "21000B5E713C5A01");
  EXPECT_EQ(r.CtrlPortWWPN, "50B5E71801100002");
  EXPECT_EQ(r.SerialNumber, "1A2B3C4D-07");
  EXPECT_EQ(r.State, "Failed");
  PathRecord other;
  std::vector<std::uint8_t> id(26, 0);
  id[25] = 0x0A;  // "0A" read as a decimal number is 0
  decode_path_identifier(id, other);
  EXPECT_EQ(other.State, "Unknown");
  id[25] = 0x10;  // "10" is ten
  decode_path_identifier(id, other);
  EXPECT_EQ(other.State, "Unknown");
  id[25] = 0x07;
  decode_path_identifier(id, other);
  EXPECT_EQ(other.State, "Standby");
  PathRecord short_id;
  decode_path_identifier({0x01, 0x02}, short_id);  // a short identifier never reads past its end
  EXPECT_EQ(short_id.ScsiAddress, "0102");
  EXPECT_EQ(short_id.SerialNumber, "-");

  std::vector<std::uint8_t> page83(24, 0xAB);
  page83[8] = 0x60;
  page83[9] = 0x05;
  page83[10] = 0x0A;
  EXPECT_EQ(page83_id(page83).substr(0, 4), "605A");
  EXPECT_EQ(page83_id({1, 2, 3, 4, 5, 6, 7, 8, 0x1F, 0x00}), "1F0");  // only the bytes present
  EXPECT_EQ(scsi_address_text(0x1F, 1, 0x20, 0), "1F012000");
}

TEST(Inventory, FamilySixJoinsSerialStateAndAddress) {
  TempDir dir;
  Json doc = empty_host(6);
  auto& wmi = instances(doc);
  wmi["MSDSM_DEVICE_PERF"] = Json::array({
      {{"InstanceName", "A"}, {"PerfInfo", Json::array({{{"PathId", "16"}}, {{"PathId", "17"}}})}},
      {{"InstanceName", "Nobody"}, {"PerfInfo", Json::array({{{"PathId", "16"}}})}},
  });
  wmi["MPIO_GET_DESCRIPTOR"] = Json::array({descriptor("A", {{2, 0, 1, 5, "16"}, {3, 0, 1, 5, "17"}, {4, 0, 9, 9, "17"}})});
  wmi["DSM_QueryLBPolicy_V2"] = Json::array({v2_policy("A", 4, {v2_path("16", 1, 1), v2_path("17", 0, 1), v2_path("17", 1, 0)})});
  wmi["MPIO_DISK_INFO"] = disks({{"SN-A", 3}});
  SimSession sim(write_json(dir.file("s.json"), doc));
  Inventory inv;
  ASSERT_EQ(load_inventory(sim.session, inv), 0);
  ASSERT_EQ(inv.paths.size(), 3u);
  EXPECT_EQ(inv.devices.at(0).PolicyName, "Dynlqd");
  EXPECT_EQ(inv.devices[0].SerialNumber, "SN-A");
  EXPECT_EQ(inv.devices[0].Paths[0].TargetPortGroup_Identifier, 0x102);
  EXPECT_EQ(inv.paths[0].SerialNumber, "SN-A");
  EXPECT_EQ(inv.paths[0].State, "Active/Optimized");
  EXPECT_EQ(inv.paths[0].ScsiAddress, "02000105");
  EXPECT_EQ(inv.paths[1].State, "Standby");       // the first entry with the id wins
  EXPECT_EQ(inv.paths[1].ScsiAddress, "04000909");  // the last descriptor with the id wins
  EXPECT_EQ(inv.paths[2].SerialNumber, "");       // no device of that name
  EXPECT_EQ(inv.paths[2].State, "");
  EXPECT_EQ(inv.paths[2].ScsiAddress, "");

  PathLookup lookup(false, inv.descriptors, inv.paths);
  EXPECT_EQ(find_path_record(lookup, L"A", 0), nullptr);
  EXPECT_EQ(find_path_record(lookup, L"A", 16), &inv.paths[0]);
  // Descriptor 3.0.1.5 for id 17 has no path record at that address; 4.0.9.9 does.
  EXPECT_EQ(find_path_record(lookup, L"A", 17), &inv.paths[1]);
  EXPECT_EQ(find_path_record(lookup, L"Other", 16), nullptr);  // family 6 keeps to the instance
}

TEST(Inventory, FourDisksForThreePolicyInstances) {
  TempDir dir;
  Json doc = empty_host(6);
  auto& wmi = instances(doc);
  wmi["DSM_QueryLBPolicy_V2"] = Json::array({v2_policy("A", 1, {}), v2_policy("B", 0, {}), v2_policy("C", 8, {})});
  wmi["MPIO_DISK_INFO"] = disks({{"S1", 2}, {"S2", 2}, {"S3", 2}, {"S4", 7}});
  SimSession sim(write_json(dir.file("s.json"), doc));
  std::vector<DeviceRecord> devices;
  ASSERT_EQ(read_devices_v2(sim.session, devices), 0);
  ASSERT_EQ(devices.size(), 4u);
  EXPECT_EQ(devices[0].SerialNumber, "S1");
  EXPECT_EQ(devices[1].PolicyName, "Unknown");
  EXPECT_EQ(devices[2].SerialNumber, "S3");
  EXPECT_EQ(devices[3].SerialNumber, "S4");
  EXPECT_EQ(devices[3].PolicyName, "Unknown");
  EXPECT_EQ(devices[3].NumberPaths, 7);
  EXPECT_TRUE(devices[3].Paths.empty());
}

TEST(Inventory, PolicySearchByPathIdentifier) {
  TempDir dir;
  Json doc = empty_host(6);
  instances(doc)["DSM_QueryLBPolicy_V2"] =
      Json::array({v2_policy("A", 2, {v2_path("5", 1, 1), v2_path("6", 1, 0)}), v2_policy("B", 5, {v2_path("6", 0, 1)})});
  SimSession sim(write_json(dir.file("s.json"), doc));
  std::vector<DeviceRecord> devices;
  PolicyBlock block;
  std::wstring name;
  EXPECT_EQ(read_policies_v2(sim.session, devices, L"B", 6, &block, &name), 0);
  EXPECT_EQ(devices.size(), 2u);  // every device is still listed
  EXPECT_EQ(name, L"B");
  EXPECT_EQ(block.load_balance_policy(), 5u);
  EXPECT_EQ(block.path_count(), 1u);
  EXPECT_EQ(block.size(), 80u + 64u);
  EXPECT_EQ(block.slot_field<std::uint64_t>(0, slot_offset::DsmPathId), 6u);
  EXPECT_EQ(block.slot_field<std::uint32_t>(0, slot_offset::OptimizedPath), 1u);

  std::vector<DeviceRecord> again;
  PolicyBlock none;
  EXPECT_EQ(read_policies_v2(sim.session, again, L"B", 5, &none, &name), kPolicyNotFound);
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(name, L"");
  EXPECT_EQ(again.size(), 2u);
}

TEST(Inventory, FamilyFiveReadersFailbackLegacyRecordsAndPathlessDisks) {
  TempDir dir;
  Json doc = empty_host(5);
  auto& wmi = instances(doc);
  auto identifier = [](int lun, int status) {
    Json id = Json::array({2, 0, 1, lun});
    for (int i = 0; i < 16; ++i) id.push_back(0x21);
    for (int b : {0x1A, 0x2B, 0x3C, 0x4D, lun, status}) id.push_back(b);
    return id;
  };
  Json page83 = Json::array({0, 0x83, 0, 0x14, 1, 3, 0, 0x10});
  for (int b : {0x6A, 0x5B, 0x7C, 0x6D, 0x8E, 0x1F, 0x21, 0xA2, 0xB3, 0xC4, 0xD7, 0x11, 0x22, 0x33, 0x44, 0x55})
    page83.push_back(b);
  wmi["ZYRDSM_PERFINFO"] = Json::array({{{"InstanceName", "A"},
                                         {"PerfInfo", Json::array({{{"Identifier", identifier(7, 1)},
                                                                    {"Page83", page83},
                                                                    {"pendingIOs", 4}}})}}});
  Json paths = Json::array();
  for (int i = 1; i <= 130; ++i) paths.push_back({{"DsmPathId", std::to_string(i)}, {"PathWeight", i}, {"PrimaryPath", i == 1}});
  wmi["ZYRDSM_QueryLBPolicy"] = Json::array(
      {{{"InstanceName", "A"}, {"LoadBalancePolicy", {{"LoadBalancePolicy", 1}, {"DSMPathCount", 130}, {"FailBack", 2}, {"DSM_Paths", paths}}}},
       {{"InstanceName", "B"}, {"LoadBalancePolicy", {{"LoadBalancePolicy", 2}, {"DSMPathCount", 0}, {"FailBack", 0}}}}});
  const std::string ours = "6A5B7C6D8E1F21A2B3C4D71122334455";
  wmi["MPIO_DISK_INFO"] = disks({{"OTHER", 1}, {ours, 1}, {"6A5B7C6D8E1F2ABCDEFAB79988776655", 2}, {"SHORT", 3}, {"NOTOURS12345678901234567", 1}},
                                "ZYRDSM");
  wmi["MPIO_DISK_INFO"][0]["DriveInfo"][0]["DsmName"] = "Microsoft DSM";
  wmi["MPIO_DISK_INFO"][0]["DriveInfo"][4]["DsmName"] = "Microsoft DSM";
  SimSession sim(write_json(dir.file("s.json"), doc));

  Inventory inv;
  ASSERT_EQ(load_inventory(sim.session, inv), 0);
  EXPECT_EQ(inv.paths.at(0).Page83Id, ours);
  EXPECT_EQ(inv.paths[0].SerialNumber, "1A2B3C4D-07");
  EXPECT_EQ(inv.paths[0].PendingIOs, 4u);
  ASSERT_EQ(inv.devices.size(), 2u);
  EXPECT_EQ(inv.devices[0].FailbackName, "failback-off");
  EXPECT_EQ(inv.devices[1].FailbackName, "failback-on");
  EXPECT_EQ(inv.devices[0].Paths.size(), 130u);
  ASSERT_EQ(inv.legacy_policies.size(), 2u);
  // More than 128 paths: the slots grow, so no path is lost.
  ASSERT_EQ(inv.legacy_policies[0].Slots.size(), 130u);
  EXPECT_EQ(inv.legacy_policies[0].Slots[129].DsmPathId, 130u);
  EXPECT_EQ(inv.legacy_policies[1].Slots.size(), 128u);
  EXPECT_EQ(inv.legacy_policies[1].Slots[0].DsmPathId, 0u);

  std::vector<DeviceRecord> devices = inv.devices;
  ASSERT_EQ(add_pathless_devices(sim.session, devices, inv.paths), 0);
  // Disks of this driver without a path record; the serial is re-cut, a short one kept.
  ASSERT_EQ(devices.size(), 4u);
  EXPECT_EQ(devices[2].SerialNumber, "ABCDEFAB-07");
  EXPECT_EQ(devices[2].NumberPaths, 2);
  EXPECT_EQ(devices[2].PolicyName, "Unknown");
  EXPECT_EQ(devices[3].SerialNumber, "SHORT");

  std::vector<DeviceRecord> v1;
  PolicyBlock block;
  std::wstring name;
  EXPECT_EQ(read_policies_v1(sim.session, v1, 130, &block, &name), 0);
  EXPECT_EQ(name, L"A");
  EXPECT_EQ(block.version(), 1u);
  EXPECT_EQ(block.path_count(), 130u);
  EXPECT_EQ(block.size(), 133u * 24u);
  EXPECT_EQ(block.slot_field<std::uint32_t>(129, slot_offset::PathWeight), 130u);
  EXPECT_EQ(read_policies_v1(sim.session, v1, 999, &block, &name), kPolicyNotFound);
}

TEST(Inventory, ReaderFailuresEndTheBuild) {
  TempDir dir;
  Json doc = empty_host(6);
  doc["faults"]["enumerate"] = Json::array({{{"class", "MSDSM_DEVICE_PERF"}, {"hresult", "0x80041010"}}});
  SimSession sim(write_json(dir.file("s.json"), doc));
  Inventory inv;
  EXPECT_EQ(load_inventory(sim.session, inv), static_cast<int>(0x80041010));  // the enumeration's code
  Json doc2 = empty_host(6);
  doc2["faults"]["enumerate"] = Json::array({{{"class", "MPIO_GET_DESCRIPTOR"}, {"hresult", "0x80041010"}}});
  SimSession sim2(write_json(dir.file("t.json"), doc2));
  Inventory inv2;
  EXPECT_EQ(load_inventory(sim2.session, inv2), 1);
}
