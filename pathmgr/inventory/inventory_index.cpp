#include "inventory/inventory_index.h"

namespace {
const std::vector<std::size_t> kNoRecords;
const std::vector<std::pair<std::size_t, std::size_t>> kNoPaths;
std::string pair_key(const std::string& a, const std::string& b) { return a + '\n' + b; }
}  // namespace

InventoryIndex::InventoryIndex(bool family5, const Inventory& inv)
    : inventory_(inv), lookup_(family5, inv.descriptors, inv.paths) {
  std::unordered_map<std::string, std::size_t> hba_position;
  for (std::size_t i = 0; i < inv.paths.size(); ++i) {
    const PathRecord& r = inv.paths[i];
    auto [it, added] = hba_position.emplace(r.HbaWWPN, hba_counts_.size());
    if (added) hba_counts_.emplace_back(r.HbaWWPN, 0);
    ++hba_counts_[it->second].second;
    first_by_hba_serial_.emplace(pair_key(r.HbaWWPN, r.SerialNumber), i);
    records_by_serial_[r.SerialNumber].push_back(i);
  }
  for (std::size_t i = 0; i < inv.descriptors.size(); ++i) first_descriptor_by_address_.emplace(inv.descriptors[i].ScsiAddress, i);
  for (std::size_t d = 0; d < inv.devices.size(); ++d) {
    const DeviceRecord& device = inv.devices[d];
    for (std::size_t p = 0; p < device.Paths.size(); ++p)
      if (const PathRecord* r = lookup_.find(device.InstanceName, device.Paths[p].DsmPathId))
        device_paths_by_serial_[r->SerialNumber].emplace_back(d, p);
  }
  for (std::size_t k = 0; k < inv.legacy_policies.size(); ++k) {
    const LegacyPolicyRecord& rec = inv.legacy_policies[k];
    std::size_t n = std::min<std::size_t>(rec.DSMPathCount, rec.Slots.size());
    for (std::size_t s = 0; s < n; ++s) legacy_by_path_.emplace(rec.Slots[s].DsmPathId, k);
  }
}

const PathRecord* InventoryIndex::first_record(const std::string& hba, const std::string& serial) const {
  auto it = first_by_hba_serial_.find(pair_key(hba, serial));
  return it == first_by_hba_serial_.end() ? nullptr : &inventory_.paths[it->second];
}

const DescriptorRecord* InventoryIndex::first_descriptor(const std::string& scsi_address) const {
  auto it = first_descriptor_by_address_.find(scsi_address);
  return it == first_descriptor_by_address_.end() ? nullptr : &inventory_.descriptors[it->second];
}

const std::vector<std::size_t>& InventoryIndex::records_with_serial(const std::string& serial) const {
  auto it = records_by_serial_.find(serial);
  return it == records_by_serial_.end() ? kNoRecords : it->second;
}

const std::vector<std::pair<std::size_t, std::size_t>>& InventoryIndex::device_paths_with_serial(
    const std::string& serial) const {
  auto it = device_paths_by_serial_.find(serial);
  return it == device_paths_by_serial_.end() ? kNoPaths : it->second;
}

const LegacyPolicyRecord* InventoryIndex::legacy_policy_with_path(std::uint64_t id) const {
  auto it = legacy_by_path_.find(id);
  return it == legacy_by_path_.end() ? nullptr : &inventory_.legacy_policies[it->second];
}
