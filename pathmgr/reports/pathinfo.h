#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "inventory/drive_mapping.h"
#include "inventory/records.h"
#include "session/session.h"

// One path of the path listing: a block of labelled lines, or "Error occured!" when the
// path has no performance record (the device's later paths are then not listed).
struct PathListingRow {
  std::size_t device = 0;               // position in the device list
  const std::string* serial = nullptr;  // the device's serial number; null: "N/A"
  const DevicePathEntry* entry = nullptr;
  const PathRecord* record = nullptr;   // null: no performance record
};

struct PathListing {
  PathListing() = default;
  PathListing(const PathListing&) = delete;
  PathListing& operator=(const PathListing&) = delete;
  bool family5 = false;
  Inventory inventory;
  std::vector<PathListingRow> rows;
};

// "pathinfo" with no filter (kind empty), "sn" or "hba" (family 5); 0 or a reader's result.
int gather_path_listing(Session& session, const std::string& filter_kind, const std::string& filter_value,
                        PathListing& listing);
void print_path_listing(std::ostream& out, const PathListing& listing);

// One device behind the path of "pathinfo <PathId>"; no record: "Error occured!".
struct PathDetailRow {
  std::size_t device = 0;
  const PathRecord* record = nullptr;
  std::wstring drive;  // the physical drive, "N/A" when none matches
};

struct PathDetail {
  PathDetail() = default;
  PathDetail(const PathDetail&) = delete;
  PathDetail& operator=(const PathDetail&) = delete;
  std::uint64_t path_id = 0;
  Inventory inventory;
  std::vector<DiskDriveRecord> drives;
  std::vector<PathDetailRow> rows;
};

int gather_path_detail(Session& session, std::uint64_t path_id, PathDetail& detail);
void print_path_detail(std::ostream& out, const PathDetail& detail);

// "pathinfo" with no filter (kind empty), "sn" or "hba" (family 5): a block per path.
int pathinfo_list(Session& session, const std::string& filter_kind, const std::string& filter_value);
// "pathinfo <PathId>": serial number, SCSI address and physical drive of the path.
int pathinfo_detail(Session& session, std::uint64_t path_id);
