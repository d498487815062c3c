#include "reports/pathinfo.h"

#include <iomanip>

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

int gather_path_listing(Session& s, const std::string& kind, const std::string& value, PathListing& listing) {
  listing.family5 = s.family5();
  Inventory& inv = listing.inventory;
  if (int rc = read_report_inventory(s, inv); rc != 0) return rc;
  const bool by_serial = equals_nocase(kind, "sn");
  const bool by_hba = equals_nocase(kind, "hba");
  PathLookup lookup(listing.family5, inv.descriptors, inv.paths);
  for (std::size_t i = 0; i < inv.devices.size(); ++i) {
    const DeviceRecord& d = inv.devices[i];
    const std::string* serial = device_serial(lookup, d, nullptr);
    const PathLookup::Device device = lookup.device(d.InstanceName);
    for (const DevicePathEntry& e : d.Paths) {
      const PathRecord* r = lookup.find(device, e.DsmPathId);
      if (r == nullptr) {
        listing.rows.push_back({i, serial, &e, nullptr});
        break;
      }
      if (by_serial && text_or_na(serial) != value) continue;
      if (by_hba && r->HbaWWPN != value) continue;
      listing.rows.push_back({i, serial, &e, r});
    }
  }
  return 0;
}

void print_path_listing(std::ostream& out, const PathListing& listing) {
  const std::vector<DeviceRecord>& devices = listing.inventory.devices;
  if (devices.empty()) return;
  for (const PathListingRow& row : listing.rows) {
    if (row.record == nullptr) out << "Error occured!\n";
    else print_path_block(out, listing.family5, devices[row.device], text_or_na(row.serial), *row.entry, *row.record);
  }
  out << "\n" << std::right << std::flush;
}

int pathinfo_list(Session& s, const std::string& kind, const std::string& value) {
  PathListing listing;
  if (int rc = gather_path_listing(s, kind, value, listing); rc != 0) return rc;
  print_path_listing(s.out, listing);
  return 0;
}

int gather_path_detail(Session& s, std::uint64_t path_id, PathDetail& detail) {
  detail.path_id = path_id;
  Inventory& inv = detail.inventory;
  if (int rc = read_report_inventory(s, inv); rc != 0) return rc;
  if (inv.devices.empty()) return 0;
  if (int rc = read_disk_drives(s, detail.drives); rc != 0) return rc;
  DriveMatcher matcher(detail.drives);
  PathLookup lookup(s.family5(), inv.descriptors, inv.paths);
  for (std::size_t i = 0; i < inv.devices.size(); ++i) {
    const DeviceRecord& d = inv.devices[i];
    for (const DevicePathEntry& e : d.Paths) {
      if (e.DsmPathId != path_id) continue;
      const PathRecord* r = find_path_record(lookup, d.InstanceName, e.DsmPathId);
      if (r == nullptr) {
        detail.rows.push_back({i, nullptr, std::wstring()});
        break;
      }
      detail.rows.push_back({i, r, matcher.drive_for_instance(d.InstanceName)});
    }
  }
  return 0;
}

void print_path_detail(std::ostream& out, const PathDetail& detail) {
  if (detail.inventory.devices.empty()) return;
  out << "\n Device SerialNumber             SCSI Address            PhysicalDrive\n";
  out << " " << std::string(78, '-') << "\n";
  for (const PathDetailRow& row : detail.rows) {
    if (row.record == nullptr) {
      out << "Error occured!\n";
      continue;
    }
    out << " " << std::left << std::setw(32) << row.record->SerialNumber << std::setw(24) << row.record->ScsiAddress
        << WideText{row.drive} << "\n";
  }
  out << "\n" << std::right << std::flush;
}

int pathinfo_detail(Session& s, std::uint64_t path_id) {
  PathDetail detail;
  if (int rc = gather_path_detail(s, path_id, detail); rc != 0) return rc;
  print_path_detail(s.out, detail);
  return 0;
}
