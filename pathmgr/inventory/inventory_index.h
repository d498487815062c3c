// Lookups the configuration commands make again and again over one inventory (for
// every device of "devinfo all"), built once so that the work stays linear in the
// number of paths. Every lookup gives what the first-match scan of the lists gives.
#pragma once
#include <string>
#include <algorithm>
#include <unordered_map>
#include <utility>
#include <vector>

#include "inventory/joins.h"
#include "inventory/records.h"

class InventoryIndex {
 public:
  // The inventory must outlive the index and keep its lists unchanged (device path
  // flags may change).
  InventoryIndex(bool family5, const Inventory& inventory);

  const PathLookup& lookup() const { return lookup_; }
  // Path records per HBA port: (port text, count) in order of first appearance.
  const std::vector<std::pair<std::string, std::size_t>>& hba_counts() const { return hba_counts_; }
  // The first path record with this HBA port and serial number, or null.
  const PathRecord* first_record(const std::string& hba, const std::string& serial) const;
  // The first descriptor with this SCSI address text, or null.
  const DescriptorRecord* first_descriptor(const std::string& scsi_address) const;
  // Path records with this serial number, in list order.
  const std::vector<std::size_t>& records_with_serial(const std::string& serial) const;
  // (device, path entry) positions, in inventory order, whose path record has this serial.
  const std::vector<std::pair<std::size_t, std::size_t>>& device_paths_with_serial(const std::string& serial) const;
  // The first legacy policy record with a path slot of this id (within its count).
  const LegacyPolicyRecord* legacy_policy_with_path(std::uint64_t id) const;

 private:
  const Inventory& inventory_;
  PathLookup lookup_;
  std::vector<std::pair<std::string, std::size_t>> hba_counts_;
  std::unordered_map<std::string, std::size_t> first_by_hba_serial_;
  std::unordered_map<std::string, std::size_t> first_descriptor_by_address_;
  std::unordered_map<std::string, std::vector<std::size_t>> records_by_serial_;
  std::unordered_map<std::string, std::vector<std::pair<std::size_t, std::size_t>>> device_paths_by_serial_;
  std::unordered_map<std::uint64_t, std::size_t> legacy_by_path_;
};
