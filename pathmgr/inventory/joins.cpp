#include "inventory/joins.h"

#include <unordered_set>

#include "inventory/names.h"
#include "inventory/path_readers.h"
#include "inventory/policy_readers.h"

int join_paths(bool family5, Inventory& inv) {
  if (family5) return 0;
  // First device per instance name, and per device the first entry per path id.
  // Views into the inventory's own names: nothing is copied.
  std::unordered_map<std::wstring_view, std::size_t> first_device;
  for (std::size_t i = 0; i < inv.devices.size(); ++i) first_device.emplace(inv.devices[i].InstanceName, i);
  std::vector<std::unordered_map<std::uint64_t, std::size_t>> first_entry(inv.devices.size());
  // Last descriptor per (instance, path identifier).
  std::unordered_map<std::wstring_view, std::unordered_map<std::uint64_t, std::size_t>> last_descriptor;
  for (std::size_t i = 0; i < inv.descriptors.size(); ++i)
    last_descriptor[inv.descriptors[i].InstanceName][inv.descriptors[i].PathIdentifier] = i;

  for (PathRecord& path : inv.paths) {
    if (auto d = first_device.find(path.InstanceName); d != first_device.end()) {
      const DeviceRecord& device = inv.devices[d->second];
      path.SerialNumber = device.SerialNumber;
      auto& entries = first_entry[d->second];
      if (entries.empty())  // indexed on first use; a device without paths stays empty
        for (std::size_t k = 0; k < device.Paths.size(); ++k) entries.emplace(device.Paths[k].DsmPathId, k);
      if (auto e = entries.find(path.PathId); e != entries.end()) {
        const DevicePathEntry& entry = device.Paths[e->second];
        path.State = alua_state_for_flags(entry.PrimaryPath, entry.OptimizedPath);
      }
    }
    if (auto by_instance = last_descriptor.find(path.InstanceName); by_instance != last_descriptor.end())
      if (auto desc = by_instance->second.find(path.PathId); desc != by_instance->second.end())
        path.ScsiAddress = inv.descriptors[desc->second].ScsiAddress;
  }
  return 0;
}

PathLookup::PathLookup(bool family5, const std::vector<DescriptorRecord>& descriptors,
                       const std::vector<PathRecord>& paths)
    : family5_(family5), descriptors_(descriptors), paths_(paths) {
  for (std::size_t i = 0; i < descriptors.size(); ++i) {
    const DescriptorRecord& d = descriptors[i];
    descriptors_by_key_[Key{family5 ? std::wstring_view() : std::wstring_view(d.InstanceName), d.PathIdentifier}].push_back(i);
  }
  for (std::size_t i = 0; i < paths.size(); ++i) first_path_by_address_.emplace(paths[i].ScsiAddress, i);
}

const PathRecord* PathLookup::find(const std::wstring& instance_name, std::uint64_t dsm_path_id) const {
  if (dsm_path_id == 0) return nullptr;
  auto it = descriptors_by_key_.find(Key{family5_ ? std::wstring_view() : std::wstring_view(instance_name), dsm_path_id});
  if (it == descriptors_by_key_.end()) return nullptr;
  // Descriptors in list order; the first whose address has a path record wins.
  for (std::size_t i : it->second) {
    auto p = first_path_by_address_.find(descriptors_[i].ScsiAddress);
    if (p != first_path_by_address_.end()) return &paths_[p->second];
  }
  return nullptr;
}

const PathRecord* find_path_record(const PathLookup& lookup, const std::wstring& instance_name,
                                   std::uint64_t dsm_path_id) {
  return lookup.find(instance_name, dsm_path_id);
}

int add_pathless_devices(Session& s, std::vector<DeviceRecord>& devices, const std::vector<PathRecord>& paths) {
  if (!s.family5()) return 0;
  std::vector<DiskInfoRecord> disks;
  int rc = read_disk_info(s, disks);
  const DiskInfoRecord* ours = nullptr;
  if (!paths.empty())
    for (const auto& disk : disks)
      if (disk.SerialNumber == paths.front().Page83Id) {
        ours = &disk;
        break;
      }
  if (ours == nullptr) return rc;
  const std::wstring dsm_name = ours->DsmName;
  std::unordered_set<std::string> with_paths;
  for (const auto& p : paths) with_paths.insert(p.Page83Id);
  for (const auto& disk : disks) {
    if (disk.DsmName != dsm_name || with_paths.count(disk.SerialNumber)) continue;
    DeviceRecord d;
    d.NumberPaths = disk.NumberPaths;
    // The serial number as the path records show it: characters 13 to 20, "-0" and
    // character 21. A shorter text has no such characters; it is shown unchanged.
    const std::string& sn = disk.SerialNumber;
    d.SerialNumber = sn.size() >= 22 ? sn.substr(13, 8) + "-0" + sn[21] : sn;
    d.PolicyName = StateNames[16];
    devices.push_back(std::move(d));
  }
  return rc;
}

int load_inventory(Session& s, Inventory& inv) {
  if (int rc = read_path_perf(s, inv.paths); rc != 0) return rc;
  if (int rc = read_descriptors(s, inv.descriptors); rc != 0) return rc;
  int rc = s.family5() ? read_policies_v1_full(s, inv.devices, inv.legacy_policies) : read_devices_v2(s, inv.devices);
  if (rc != 0) return rc;
  return join_paths(s.family5(), inv);
}
