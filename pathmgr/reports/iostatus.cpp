#include "reports/iostatus.h"

#include <iomanip>

#include "inventory/joins.h"
#include "inventory/names.h"
#include "reports/report_inventory.h"
#include "text/wide_text.h"

namespace {

const std::wstring kNotAvailable = L"N/A";

// The columns after the path id; the counter is the true 64-bit sum of reads and writes.
// Rows are not flushed one by one: a host's tens of thousands of paths would each cost
// a write to the console; the report flushes once at its end.
void print_row(std::ostream& out, bool f5, std::uint64_t path_id, std::uint32_t pending, std::uint64_t counter,
               const std::wstring& drive, const std::string& serial, const std::string& state) {
  out << " " << std::right << std::setfill('0') << std::setw(8) << std::hex << path_id << "  ";
  out << std::dec << std::setfill(' ') << std::left;
  if (f5) out << std::setw(14) << pending;
  out << std::setw(12) << counter << std::setw(21) << WideText{drive} << std::setw(f5 ? 14 : 25) << serial << state
      << '\n';
}

}  // namespace

int gather_io_status(Session& s, IoStatusListing& listing) {
  listing.family5 = s.family5();
  Inventory& inv = listing.inventory;
  if (int rc = read_listing_inventory(s, inv); rc != 0) return rc;
  if (inv.devices.empty()) return 0;
  if (int rc = read_disk_drives(s, listing.drives); rc != 0) return rc;
  DriveMatcher matcher(listing.drives);
  PathLookup lookup(listing.family5, inv.descriptors, inv.paths);
  // One device, one drive: found once for all its paths.
  listing.device_drives.resize(inv.devices.size());
  for (std::size_t i = 0; i < inv.devices.size(); ++i) {
    const DeviceRecord& d = inv.devices[i];
    if (d.Paths.empty()) {
      listing.rows.push_back({i, nullptr, nullptr, &kNotAvailable});
      continue;
    }
    listing.device_drives[i] = matcher.drive_for_instance(d.InstanceName);
    const PathLookup::Device device = lookup.device(d.InstanceName);
    for (const DevicePathEntry& e : d.Paths) {
      const PathRecord* r = lookup.find(device, e.DsmPathId);
      listing.rows.push_back({i, &e, r, &listing.device_drives[i]});
      if (r == nullptr) break;
    }
  }
  return 0;
}

void print_io_status(std::ostream& out, const IoStatusListing& listing) {
  const std::vector<DeviceRecord>& devices = listing.inventory.devices;
  if (devices.empty()) return;
  const bool f5 = listing.family5;
  out << "\n";
  if (f5) {
    out << " PathId    PendingIOs    IOCounter   PhysicalDrive        SerialNumber  Status  \n";
    out << " " << std::string(78, '-') << "\n";
  } else {
    out << " PathId    IOCounter   PhysicalDrive        SerialNumber             Status  \n";
    out << " " << std::string(79, '-') << "\n";
  }
  for (const IoStatusRow& row : listing.rows) {
    if (row.entry == nullptr) {
      print_row(out, f5, 0, 0, 0, *row.drive, devices[row.device].SerialNumber, StateNames[0]);
    } else if (row.record == nullptr) {
      out << "Error occured!" << std::endl;
    } else {
      const PathRecord& r = *row.record;
      print_row(out, f5, row.entry->DsmPathId, r.PendingIOs, io_counter(r), *row.drive, r.SerialNumber, r.State);
    }
  }
  out << "\n" << std::right << std::flush;
}

int show_io_status(Session& s, const Words& /*words: ignored*/) {
  IoStatusListing listing;
  if (int rc = gather_io_status(s, listing); rc != 0) return rc;
  print_io_status(s.out, listing);
  return 0;
}
