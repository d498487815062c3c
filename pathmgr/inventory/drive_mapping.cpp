#include "inventory/drive_mapping.h"

#include <algorithm>
#include <bit>
#include <cwctype>
#include <set>

#include "wmi/wmi_access.h"

std::wstring fold_case(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return out;
}

int read_disk_drives(Session& s, std::vector<DiskDriveRecord>& drives) {
  auto cimv2 = wmi::wmi_connect_namespace(*s.backend, s.out, wmi::kRootCimv2,
                                          "Could not connect to root\\cimv2. Error code = 0x");
  if (!cimv2) return 0;
  cimv2->enumerate(L"Win32_DiskDrive", [&](wmi::Object& drive) {
    drives.push_back({wmi::wmi_get_text(drive, L"DeviceID"), wmi::wmi_get_text(drive, L"PNPDeviceID")});
    return true;
  });
  return 0;
}

DriveMatcher::DriveMatcher(const std::vector<DiskDriveRecord>& drives) : drives_(drives) {
  std::set<std::size_t> lengths;
  sorted_.reserve(drives.size());
  for (std::size_t i = 0; i < drives.size(); ++i) {
    std::wstring folded = fold_case(drives[i].PNPDeviceID);
    first_by_text_.emplace(folded, i);
    lengths.insert(folded.size());
    sorted_.emplace_back(std::move(folded), i);
  }
  lengths_.assign(lengths.begin(), lengths.end());
  std::sort(sorted_.begin(), sorted_.end());
  // Sparse table: range_min_[k][i] is the smallest position among sorted_[i, i + 2^k).
  if (!sorted_.empty()) {
    range_min_.emplace_back();
    for (const auto& entry : sorted_) range_min_[0].push_back(entry.second);
    for (std::size_t k = 1; (std::size_t{1} << k) <= sorted_.size(); ++k) {
      const auto& prev = range_min_[k - 1];
      std::vector<std::size_t> level(sorted_.size() - (std::size_t{1} << k) + 1);
      for (std::size_t i = 0; i < level.size(); ++i)
        level[i] = std::min(prev[i], prev[i + (std::size_t{1} << (k - 1))]);
      range_min_.push_back(std::move(level));
    }
  }
}

std::size_t DriveMatcher::min_in(std::size_t from, std::size_t to) const {
  std::size_t k = static_cast<std::size_t>(std::bit_width(to - from) - 1);
  return std::min(range_min_[k][from], range_min_[k][to - (std::size_t{1} << k)]);
}

std::wstring DriveMatcher::drive_for_instance(const std::wstring& instance_name) const {
  const std::wstring name = fold_case(instance_name);
  std::size_t best = drives_.size();
  // Identifiers no longer than the name: the name's prefixes of those lengths.
  for (std::size_t length : lengths_) {
    if (length > name.size()) break;
    auto it = first_by_text_.find(name.substr(0, length));
    if (it != first_by_text_.end()) best = std::min(best, it->second);
  }
  // Identifiers that start with the name: one contiguous run of the sorted texts.
  auto starts = [&](const std::pair<std::wstring, std::size_t>& e) { return e.first.compare(0, name.size(), name) < 0; };
  auto first = std::partition_point(sorted_.begin(), sorted_.end(), starts);
  auto last = std::partition_point(first, sorted_.end(), [&](const auto& e) {
    return e.first.compare(0, name.size(), name) == 0;
  });
  if (first != last)
    best = std::min(best, min_in(static_cast<std::size_t>(first - sorted_.begin()),
                                 static_cast<std::size_t>(last - sorted_.begin())));
  return best < drives_.size() ? drives_[best].DeviceID : L"N/A";
}
