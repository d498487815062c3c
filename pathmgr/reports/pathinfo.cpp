#include "reports/pathinfo.h"

#include <iomanip>

#include "inventory/drive_mapping.h"
#include "inventory/joins.h"
#include "inventory/names.h"
#include "reports/report_inventory.h"
#include "session/words.h"
#include "text/wide_text.h"

namespace {

const char* flag(bool set) { return set ? "true" : "false"; }

// One labelled line: the label padded to 16 characters, then the value. A block is
// built as text and written at once: a host has tens of thousands of paths.
void line(std::string& block, std::string_view label, std::string_view value) {
  block += label;
  if (label.size() < 16) block.append(16 - label.size(), ' ');
  block += value;
  block += '\n';
}

void line(std::string& block, std::string_view label, std::uint64_t value) { line(block, label, std::to_string(value)); }

void print_path_block(std::ostream& out, bool f5, const DeviceRecord& d, const std::string& serial,
                      const DevicePathEntry& e, const PathRecord& r) {
  std::string b = "\n";
  line(b, " Policy:", d.PolicyName);
  line(b, " SerialNumber:", serial);
  line(b, " PathId:", path_id_text(e.DsmPathId, true));
  line(b, " State:", r.State);
  line(b, " Weight:", e.PathWeight);
  line(b, " ScsiAddress:", r.ScsiAddress);
  if (!f5) {
    line(b, " Preferred:", flag(e.PreferredPath));
    line(b, " Failed:", flag(e.FailedPath));
    line(b, " ALUASupport:", alua_support_name(e.ALUASupport));
    line(b, " SymmetricLUA:", flag(e.SymmetricLUA != 0));
    if (e.ALUASupport != 0) {
      line(b, " TPGIdentifier:", e.TargetPortGroup_Identifier);
      line(b, " TPIdentifier:", e.TargetPort_Identifier);
      line(b, " TPGState:", tpg_state_name(e.TargetPortGroup_State));
      line(b, " TPGPreferred:", flag(e.TargetPortGroup_Preferred != 0));
    }
  } else {
    line(b, " Primary:", flag(e.PrimaryPath));
    line(b, " HbaWWPN:", r.HbaWWPN);
    line(b, " CtrlPortWWPN:", r.CtrlPortWWPN);
  }
  line(b, " BytesRead:", r.BytesRead);
  line(b, " BytesWritten:", r.BytesWritten);
  line(b, " NumberReads:", r.NumberReads);
  line(b, " NumberWrites:", r.NumberWrites);
  out << b;
}

}  // namespace

int pathinfo_list(Session& s, const std::string& kind, const std::string& value) {
  Inventory inv;
  if (int rc = read_report_inventory(s, inv); rc != 0) return rc;
  if (inv.devices.empty()) return 0;
  const bool f5 = s.family5();
  const bool by_serial = equals_nocase(kind, "sn");
  const bool by_hba = equals_nocase(kind, "hba");
  PathLookup lookup(f5, inv.descriptors, inv.paths);
  for (const DeviceRecord& d : inv.devices) {
    const std::string serial = device_serial(lookup, d, "N/A");
    const PathLookup::Device device = lookup.device(d.InstanceName);
    for (const DevicePathEntry& e : d.Paths) {
      const PathRecord* r = lookup.find(device, e.DsmPathId);
      if (r == nullptr) {
        s.out << "Error occured!\n";
        break;
      }
      if (by_serial && serial != value) continue;
      if (by_hba && r->HbaWWPN != value) continue;
      print_path_block(s.out, f5, d, serial, e, *r);
    }
  }
  s.out << "\n" << std::right << std::flush;
  return 0;
}

int pathinfo_detail(Session& s, std::uint64_t path_id) {
  Inventory inv;
  if (int rc = read_report_inventory(s, inv); rc != 0) return rc;
  if (inv.devices.empty()) return 0;
  std::vector<DiskDriveRecord> drives;
  if (int rc = read_disk_drives(s, drives); rc != 0) return rc;
  DriveMatcher matcher(drives);
  PathLookup lookup(s.family5(), inv.descriptors, inv.paths);
  std::ostream& out = s.out;
  out << "\n Device SerialNumber             SCSI Address            PhysicalDrive\n";
  out << " " << std::string(78, '-') << "\n";
  for (const DeviceRecord& d : inv.devices) {
    for (const DevicePathEntry& e : d.Paths) {
      if (e.DsmPathId != path_id) continue;
      const PathRecord* r = find_path_record(lookup, d.InstanceName, e.DsmPathId);
      if (r == nullptr) {
        out << "Error occured!\n";
        break;
      }
      out << " " << std::left << std::setw(32) << r->SerialNumber << std::setw(24) << r->ScsiAddress
          << WideText{matcher.drive_for_instance(d.InstanceName)} << "\n";
    }
  }
  out << "\n" << std::right << std::flush;
  return 0;
}
