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
  std::unordered_map<std::uint64_t, std::size_t>* of_instance = nullptr;
  for (std::size_t i = 0; i < inv.descriptors.size(); ++i) {
    const std::wstring& instance = inv.descriptors[i].InstanceName;
    if (of_instance == nullptr || i == 0 || instance != inv.descriptors[i - 1].InstanceName)
      of_instance = &last_descriptor[instance];
    (*of_instance)[inv.descriptors[i].PathIdentifier] = i;
  }

  // A device's paths come one after another: its name is looked up once for them all.
  bool looked_up = false;
  std::wstring_view name;
  const DeviceRecord* device = nullptr;
  std::unordered_map<std::uint64_t, std::size_t>* entries = nullptr;
  const std::unordered_map<std::uint64_t, std::size_t>* descriptors = nullptr;
  for (PathRecord& path : inv.paths) {
    if (!looked_up || path.InstanceName != name) {
      looked_up = true;
      name = path.InstanceName;
      device = nullptr;
      entries = nullptr;
      if (auto d = first_device.find(name); d != first_device.end()) {
        device = &inv.devices[d->second];
        entries = &first_entry[d->second];
        if (entries->empty())  // indexed on first use; a device without paths stays empty
          for (std::size_t k = 0; k < device->Paths.size(); ++k) entries->emplace(device->Paths[k].DsmPathId, k);
      }
      auto by_instance = last_descriptor.find(name);
      descriptors = by_instance != last_descriptor.end() ? &by_instance->second : nullptr;
    }
    if (device != nullptr) {
      path.SerialNumber = device->SerialNumber;
      if (auto e = entries->find(path.PathId); e != entries->end()) {
        const DevicePathEntry& entry = device->Paths[e->second];
        path.State = alua_state_for_flags(entry.PrimaryPath, entry.OptimizedPath);
      }
    }
    if (descriptors != nullptr)
      if (auto desc = descriptors->find(path.PathId); desc != descriptors->end())
        path.ScsiAddress = inv.descriptors[desc->second].ScsiAddress;
  }
  return 0;
}

PathLookup::PathLookup(bool family5, const std::vector<DescriptorRecord>& descriptors,
                       const std::vector<PathRecord>& paths)
    : family5_(family5), descriptors_(descriptors), paths_(paths) {
  // A device's descriptors come one after another: its name is looked up once.
  std::unordered_map<std::uint64_t, std::vector<std::size_t>>* by_id = nullptr;
  std::wstring_view name;
  for (std::size_t i = 0; i < descriptors.size(); ++i) {
    const DescriptorRecord& d = descriptors[i];
    const std::wstring_view instance = family5 ? std::wstring_view() : std::wstring_view(d.InstanceName);
    if (by_id == nullptr || instance != name) {
      by_id = &by_instance_[instance];
      name = instance;
    }
    (*by_id)[d.PathIdentifier].push_back(i);
  }
  for (std::size_t i = 0; i < paths.size(); ++i) first_path_by_address_.emplace(paths[i].ScsiAddress, i);
}

PathLookup::Device PathLookup::device(const std::wstring& instance_name) const {
  Device device;
  auto it = by_instance_.find(family5_ ? std::wstring_view() : std::wstring_view(instance_name));
  if (it != by_instance_.end()) device.by_id_ = &it->second;
  return device;
}

const PathRecord* PathLookup::find(const Device& device, std::uint64_t dsm_path_id) const {
  if (dsm_path_id == 0 || device.by_id_ == nullptr) return nullptr;
  auto it = device.by_id_->find(dsm_path_id);
  if (it == device.by_id_->end()) return nullptr;
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
