#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "inventory/drive_mapping.h"
#include "inventory/records.h"
#include "session/words.h"
#include "session/session.h"

// One line of the I/O status: a path, a device without paths (a placeholder line),
// or "Error occured!" for a path without a performance record (the device's later
// paths are then not listed).
struct IoStatusRow {
  std::size_t device = 0;                 // position in the device list
  const DevicePathEntry* entry = nullptr;  // null: the device has no paths
  const PathRecord* record = nullptr;      // null with an entry: no performance record
  const std::wstring* drive = nullptr;     // the device's physical drive ("N/A" when none)
};

struct IoStatusListing {
  IoStatusListing() = default;
  IoStatusListing(const IoStatusListing&) = delete;
  IoStatusListing& operator=(const IoStatusListing&) = delete;
  bool family5 = false;
  Inventory inventory;
  std::vector<DiskDriveRecord> drives;
  std::vector<std::wstring> device_drives;  // per device with paths
  std::vector<IoStatusRow> rows;
};

// The counter a line shows: reads and writes, summed in 64 bits.
inline std::uint64_t io_counter(const PathRecord& record) {
  return std::uint64_t{record.NumberReads} + record.NumberWrites;
}

int gather_io_status(Session& session, IoStatusListing& listing);
void print_io_status(std::ostream& out, const IoStatusListing& listing);

// "iostatus": one line per path with its I/O counter, drive, serial and state.
int show_io_status(Session& session, const Words& words);
