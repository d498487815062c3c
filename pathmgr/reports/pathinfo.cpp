#include "reports/pathinfo.h"

#include <iomanip>

#include "inventory/drive_mapping.h"
#include "inventory/joins.h"
#include "inventory/names.h"
#include "reports/report_inventory.h"
#include "shell/words.h"
#include "text/wide_text.h"

namespace {

const char* flag(bool set) { return set ? "true" : "false"; }

// One labelled line: the label padded to 16 characters, then the value.
template <class T>
void line(std::ostream& out, const char* label, const T& value) {
  out << std::left << std::setw(16) << label << value << "\n";
}

void print_path_block(std::ostream& out, bool f5, const DeviceRecord& d, const std::string& serial,
                      const DevicePathEntry& e, const PathRecord& r) {
  out << "\n";
  line(out, " Policy:", d.PolicyName);
  line(out, " SerialNumber:", serial);
  line(out, " PathId:", path_id_text(e.DsmPathId, true));
  line(out, " State:", r.State);
  line(out, " Weight:", e.PathWeight);
  line(out, " ScsiAddress:", r.ScsiAddress);
  if (!f5) {
    line(out, " Preferred:", flag(e.PreferredPath));
    line(out, " Failed:", flag(e.FailedPath));
    line(out, " ALUASupport:", alua_support_name(e.ALUASupport));
    line(out, " SymmetricLUA:", flag(e.SymmetricLUA != 0));
    if (e.ALUASupport != 0) {
      line(out, " TPGIdentifier:", e.TargetPortGroup_Identifier);
      line(out, " TPIdentifier:", e.TargetPort_Identifier);
      line(out, " TPGState:", tpg_state_name(e.TargetPortGroup_State));
      line(out, " TPGPreferred:", flag(e.TargetPortGroup_Preferred != 0));
    }
  } else {
    line(out, " Primary:", flag(e.PrimaryPath));
    line(out, " HbaWWPN:", r.HbaWWPN);
    line(out, " CtrlPortWWPN:", r.CtrlPortWWPN);
  }
  line(out, " BytesRead:", r.BytesRead);
  line(out, " BytesWritten:", r.BytesWritten);
  line(out, " NumberReads:", r.NumberReads);
  line(out, " NumberWrites:", r.NumberWrites);
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
    for (const DevicePathEntry& e : d.Paths) {
      const PathRecord* r = find_path_record(lookup, d.InstanceName, e.DsmPathId);
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
