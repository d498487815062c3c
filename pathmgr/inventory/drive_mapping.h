// Windows physical drives (Win32_DiskDrive in ROOT\CIMV2) and the rule that ties a
// device's MPIO instance name to a drive's plug-and-play identifier.
#pragma once
#include <string>
#include <unordered_map>
#include <vector>

#include "session/session.h"

struct DiskDriveRecord {
  std::wstring DeviceID;
  std::wstring PNPDeviceID;
};

// Always 0: connection problems are printed and leave the list empty.
int read_disk_drives(Session& session, std::vector<DiskDriveRecord>& drives);

// The drive whose identifier and the instance name agree, without regard to case,
// over the length of the shorter of the two; the first such drive in list order
// wins. Indexed, so that thousands of devices map in linear time.
class DriveMatcher {
 public:
  explicit DriveMatcher(const std::vector<DiskDriveRecord>& drives);
  // The DeviceID of the matching drive, or "N/A".
  std::wstring drive_for_instance(const std::wstring& instance_name) const;

 private:
  const std::vector<DiskDriveRecord>& drives_;
  // Drives whose identifier is a prefix of the instance name: first drive per text.
  std::unordered_map<std::wstring, std::size_t> first_by_text_;
  std::vector<std::size_t> lengths_;  // the distinct identifier lengths
  // Drives whose identifier starts with the instance name: sorted texts and a
  // range-minimum table over their list positions.
  std::vector<std::pair<std::wstring, std::size_t>> sorted_;
  std::vector<std::vector<std::size_t>> range_min_;
  std::size_t min_in(std::size_t from, std::size_t to) const;  // [from, to), non-empty
};

std::wstring fold_case(std::wstring_view text);
