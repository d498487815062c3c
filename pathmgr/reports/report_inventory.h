// The common start of the reports: devices, path records and descriptors, joined.
#pragma once
#include "inventory/records.h"
#include "session/session.h"

// Reads the device list (family 6 with disk serial numbers, family 5 without a
// search), the path records and the descriptors, then joins them (family 6). A
// reader's non-zero result is returned before anything is joined.
int read_report_inventory(Session& session, Inventory& inventory);
// The same, then (family 5) the driver's disks without paths appended as devices:
// the device list of devinfo and iostatus.
int read_listing_inventory(Session& session, Inventory& inventory);

// The serial number a report shows for a device: that of its first path's record
// (null, shown as "N/A", without one); `none` for a device without path entries.
class PathLookup;
const std::string* device_serial(const PathLookup& lookup, const DeviceRecord& device, const std::string* none);
// A text a report shows, or "N/A" for none.
inline const std::string& text_or_na(const std::string* serial) {
  static const std::string not_available = "N/A";
  return serial != nullptr ? *serial : not_available;
}

// A path identifier in hexadecimal, zero-filled to at least eight digits.
std::string path_id_text(std::uint64_t id, bool upper_case);
