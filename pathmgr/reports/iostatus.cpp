#include "reports/iostatus.h"

#include <iomanip>

#include "inventory/drive_mapping.h"
#include "inventory/joins.h"
#include "inventory/names.h"
#include "reports/report_inventory.h"
#include "text/wide_text.h"

namespace {

// The columns after the path id; the counter is the true 64-bit sum of reads and writes.
// Rows are not flushed one by one: a host's tens of thousands of paths would each cost
// a write to the console; the report flushes once at its end.
void print_row(std::ostream& out, bool f5, std::uint64_t path_id, std::uint32_t pending, std::uint64_t io_counter,
               const std::wstring& drive, const std::string& serial, const std::string& state) {
  out << " " << std::right << std::setfill('0') << std::setw(8) << std::hex << path_id << "  ";
  out << std::dec << std::setfill(' ') << std::left;
  if (f5) out << std::setw(14) << pending;
  out << std::setw(12) << io_counter << std::setw(21) << WideText{drive} << std::setw(f5 ? 14 : 25) << serial << state
      << '\n';
}

}  // namespace

int show_io_status(Session& s, const Words& /*words: ignored*/) {
  Inventory inv;
  if (int rc = read_listing_inventory(s, inv); rc != 0) return rc;
  if (inv.devices.empty()) return 0;
  std::vector<DiskDriveRecord> drives;
  if (int rc = read_disk_drives(s, drives); rc != 0) return rc;
  const bool f5 = s.family5();
  std::ostream& out = s.out;
  out << "\n";
  if (f5) {
    out << " PathId    PendingIOs    IOCounter   PhysicalDrive        SerialNumber  Status  \n";
    out << " " << std::string(78, '-') << "\n";
  } else {
    out << " PathId    IOCounter   PhysicalDrive        SerialNumber             Status  \n";
    out << " " << std::string(79, '-') << "\n";
  }
  DriveMatcher matcher(drives);
  PathLookup lookup(f5, inv.descriptors, inv.paths);
  for (const DeviceRecord& d : inv.devices) {
    // One device, one drive: found once for all its paths.
    const std::wstring drive = d.Paths.empty() ? std::wstring() : matcher.drive_for_instance(d.InstanceName);
    const PathLookup::Device device = lookup.device(d.InstanceName);
    for (const DevicePathEntry& e : d.Paths) {
      const PathRecord* r = lookup.find(device, e.DsmPathId);
      if (r == nullptr) {
        out << "Error occured!" << std::endl;
        break;
      }
      print_row(out, f5, e.DsmPathId, r->PendingIOs, std::uint64_t{r->NumberReads} + r->NumberWrites, drive,
                r->SerialNumber, r->State);
    }
    if (d.Paths.empty()) print_row(out, f5, 0, 0, 0, L"N/A", d.SerialNumber, StateNames[0]);
  }
  out << "\n" << std::right << std::flush;
  return 0;
}
