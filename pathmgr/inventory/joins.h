// The joins that tie the sources together: a policy path to its performance record
// through the descriptor with the same path identifier, and the descriptor to the
// record through the SCSI address text. Indexed, so a host with tens of thousands of
// paths joins in linear time, while every lookup gives the record a first-match scan
// of the lists would give.
#pragma once
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "inventory/records.h"
#include "session/session.h"

// Family 6: serial numbers, states and SCSI addresses of the path records.
int join_paths(bool family5, Inventory& inventory);

// Finds the performance record of a policy path (device instance name, DsmPathId).
class PathLookup {
 public:
  PathLookup(bool family5, const std::vector<DescriptorRecord>& descriptors, const std::vector<PathRecord>& paths);
  // The descriptors of one device, found once for all its paths.
  class Device {
    friend class PathLookup;
    const std::unordered_map<std::uint64_t, std::vector<std::size_t>>* by_id_ = nullptr;
  };
  Device device(const std::wstring& instance_name) const;
  const PathRecord* find(const Device& device, std::uint64_t dsm_path_id) const;
  const PathRecord* find(const std::wstring& instance_name, std::uint64_t dsm_path_id) const {
    return find(device(instance_name), dsm_path_id);
  }

 private:
  bool family5_;
  const std::vector<DescriptorRecord>& descriptors_;
  const std::vector<PathRecord>& paths_;
  // Descriptor positions per instance and id in family 6, per id in family 5 (under no
  // name), in list order. Instance names are views into the descriptor list, which
  // outlives the lookup.
  std::unordered_map<std::wstring_view, std::unordered_map<std::uint64_t, std::vector<std::size_t>>> by_instance_;
  // First path record per SCSI address text.
  std::unordered_map<std::string, std::size_t> first_path_by_address_;
};

const PathRecord* find_path_record(const PathLookup& lookup, const std::wstring& instance_name,
                                   std::uint64_t dsm_path_id);

// Family 5: the driver's MPIO disks without a path record, as devices without paths.
int add_pathless_devices(Session& session, std::vector<DeviceRecord>& devices, const std::vector<PathRecord>& paths);

// Reads and joins the whole inventory; 0 or the first failing reader's result.
int load_inventory(Session& session, Inventory& inventory);
