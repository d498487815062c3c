#include "reports/report_inventory.h"

#include "inventory/joins.h"
#include "inventory/path_readers.h"
#include "inventory/policy_readers.h"
#include "text/hex_digits.h"

int read_report_inventory(Session& s, Inventory& inv) {
  int rc = s.family5() ? read_policies_v1(s, inv.devices, 0, nullptr, nullptr) : read_devices_v2(s, inv.devices);
  if (rc != 0) return rc;
  if ((rc = read_path_perf(s, inv.paths)) != 0) return rc;
  if ((rc = read_descriptors(s, inv.descriptors)) != 0) return rc;
  if (!inv.devices.empty()) join_paths(s.family5(), inv);
  return 0;
}

int read_listing_inventory(Session& s, Inventory& inv) {
  if (int rc = read_report_inventory(s, inv); rc != 0) return rc;
  if (!inv.devices.empty()) add_pathless_devices(s, inv.devices, inv.paths);
  return 0;
}

const std::string* device_serial(const PathLookup& lookup, const DeviceRecord& device, const std::string* none) {
  if (device.Paths.empty()) return none;
  const PathRecord* first = find_path_record(lookup, device.InstanceName, device.Paths.front().DsmPathId);
  return first != nullptr ? &first->SerialNumber : nullptr;
}

std::string path_id_text(std::uint64_t id, bool upper_case) {
  std::string text;
  append_hex(text, id, 8, upper_case);
  return text;
}
