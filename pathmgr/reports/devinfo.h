#pragma once
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "inventory/records.h"
#include "session/session.h"

// One line of the device listing.
struct DevinfoRow {
  const DeviceRecord* device = nullptr;
  const std::string* serial = nullptr;  // null: "N/A" (the first path has no record)
  std::int64_t path_count = 0;          // its paths, or the disk's count for a device without any
};

// What "devinfo" shows: one row per device, in list order (a row's number is its
// position). Rows point into the inventory, which the listing keeps.
struct DevinfoListing {
  DevinfoListing() = default;
  DevinfoListing(const DevinfoListing&) = delete;
  DevinfoListing& operator=(const DevinfoListing&) = delete;
  bool family5 = false;
  Inventory inventory;
  std::vector<DevinfoRow> rows;
};

// Reads the devices, paths and descriptors; 0, or a reader's non-zero result.
int gather_devinfo(Session& session, DevinfoListing& listing);
// The report's text; nothing at all when there is no device.
void print_devinfo(std::ostream& out, const DevinfoListing& listing);
// The failback column of family 5: the device's failback word under FailOver, else
// null ("N/A").
const std::string* shown_failback(const DeviceRecord& device);

// "devinfo": one line per multipath device.
int devinfo_list(Session& session);
