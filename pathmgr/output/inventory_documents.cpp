// devinfo, pathinfo (both forms) and iostatus as documents.
#include "inventory/names.h"
#include "output/document.h"
#include "output/report_documents.h"
#include "output/report_values.h"
#include "reports/devinfo.h"
#include "reports/iostatus.h"
#include "reports/pathinfo.h"
#include "reports/report_inventory.h"
#include "session/words.h"

namespace {

void counters(JsonText& json, const PathRecord& r) {
  json.key("bytes_read");
  json.number(r.BytesRead);
  json.key("bytes_written");
  json.number(r.BytesWritten);
  json.key("number_reads");
  json.number(r.NumberReads);
  json.key("number_writes");
  json.number(r.NumberWrites);
}

// A path of a device whose performance record cannot be found ("Error occured!").
void missing_record(JsonText& json, std::size_t position, const DeviceRecord& d, const DevicePathEntry& e) {
  json.begin_object();
  device_members(json, position, d);
  path_id_members(json, e.DsmPathId);
  json.end_object();
}

void path_block(JsonText& json, bool f5, const PathListingRow& row, const DeviceRecord& d) {
  const DevicePathEntry& e = *row.entry;
  const PathRecord& r = *row.record;
  json.begin_object();
  device_members(json, row.device, d);
  policy_members(json, d);
  serial_member(json, row.serial);
  path_id_members(json, e.DsmPathId);
  state_members(json, f5, r.State);
  json.key("weight");
  json.number(e.PathWeight);
  json.key("scsi_address");
  json.utf8(r.ScsiAddress);
  if (!f5) {
    json.key("preferred");
    json.boolean(e.PreferredPath);
    json.key("failed");
    json.boolean(e.FailedPath);
    json.key("alua_support");
    name_or_null(json, alua_support_name(e.ALUASupport));
    json.key("alua_support_number");
    json.number(e.ALUASupport);
    json.key("symmetric_lua");
    json.boolean(e.SymmetricLUA != 0);
    if (e.ALUASupport != 0) {
      json.key("tpg_identifier");
      json.number(e.TargetPortGroup_Identifier);
      json.key("tp_identifier");
      json.number(e.TargetPort_Identifier);
      json.key("tpg_state");
      name_or_null(json, tpg_state_name(e.TargetPortGroup_State));
      json.key("tpg_state_number");
      json.number(e.TargetPortGroup_State);
      json.key("tpg_preferred");
      json.boolean(e.TargetPortGroup_Preferred != 0);
    }
  } else {
    json.key("primary");
    json.boolean(e.PrimaryPath);
    json.key("hba_wwpn");
    json.utf8(r.HbaWWPN);
    json.key("ctrl_port_wwpn");
    json.utf8(r.CtrlPortWWPN);
  }
  counters(json, r);
  json.end_object();
}

}  // namespace

int devinfo_document(Session& s, JsonOutput& output) {
  DevinfoListing listing;
  if (int rc = gather_devinfo(s, listing); rc != 0) return rc;
  JsonText json;
  begin_document(json, kReportFormat, "devinfo", s);
  json.key("devices");
  json.begin_array();
  for (std::size_t i = 0; i < listing.rows.size(); ++i) {
    const DevinfoRow& row = listing.rows[i];
    json.begin_object();
    device_members(json, i, *row.device);
    serial_member(json, row.serial);
    policy_members(json, *row.device);
    json.key("paths");
    json.number(row.path_count);
    if (listing.family5) {
      json.key("failback");
      const std::string* failback = shown_failback(*row.device);
      if (failback == nullptr) json.null();
      else json.utf8(*failback);
    }
    json.end_object();
  }
  json.end_array();
  stage_document(json, output);
  return 0;
}

int pathinfo_list_document(Session& s, JsonOutput& output, const std::string& kind, const std::string& value) {
  PathListing listing;
  if (int rc = gather_path_listing(s, kind, value, listing); rc != 0) return rc;
  JsonText json;
  begin_document(json, kReportFormat, "pathinfo", s);
  json.key("filter");
  if (kind.empty()) {
    json.null();
  } else {
    json.begin_object();
    json.key("kind");
    json.utf8(equals_nocase(kind, "sn") ? "sn" : "hba");
    json.key("value");
    json.typed(value);
    json.end_object();
  }
  const auto& devices = listing.inventory.devices;
  json.key("paths");
  json.begin_array();
  for (const PathListingRow& row : listing.rows)
    if (row.record != nullptr) path_block(json, listing.family5, row, devices[row.device]);
  json.end_array();
  json.key("missing_records");
  json.begin_array();
  for (const PathListingRow& row : listing.rows)
    if (row.record == nullptr) missing_record(json, row.device, devices[row.device], *row.entry);
  json.end_array();
  stage_document(json, output);
  return 0;
}

int pathinfo_detail_document(Session& s, JsonOutput& output, std::uint64_t path_id) {
  PathDetail detail;
  if (int rc = gather_path_detail(s, path_id, detail); rc != 0) return rc;
  JsonText json;
  begin_document(json, kReportFormat, "pathinfo", s);
  path_id_members(json, path_id);
  const auto& devices = detail.inventory.devices;
  json.key("devices");
  json.begin_array();
  for (const PathDetailRow& row : detail.rows) {
    if (row.record == nullptr) continue;
    json.begin_object();
    device_members(json, row.device, devices[row.device]);
    serial_member(json, &row.record->SerialNumber);
    json.key("scsi_address");
    json.utf8(row.record->ScsiAddress);
    drive_member(json, row.drive);
    json.end_object();
  }
  json.end_array();
  json.key("missing_records");
  json.begin_array();
  for (const PathDetailRow& row : detail.rows) {
    if (row.record != nullptr) continue;
    json.begin_object();
    device_members(json, row.device, devices[row.device]);
    json.end_object();
  }
  json.end_array();
  stage_document(json, output);
  return 0;
}

int iostatus_document(Session& s, JsonOutput& output) {
  IoStatusListing listing;
  if (int rc = gather_io_status(s, listing); rc != 0) return rc;
  const bool f5 = listing.family5;
  const auto& devices = listing.inventory.devices;
  JsonText json;
  begin_document(json, kReportFormat, "iostatus", s);
  json.key("paths");
  json.begin_array();
  for (const IoStatusRow& row : listing.rows) {
    if (row.entry == nullptr || row.record == nullptr) continue;
    const PathRecord& r = *row.record;
    json.begin_object();
    device_members(json, row.device, devices[row.device]);
    path_id_members(json, row.entry->DsmPathId);
    if (f5) {
      json.key("pending_ios");
      json.number(r.PendingIOs);
    }
    json.key("io_counter");
    json.number(io_counter(r));
    json.key("number_reads");
    json.number(r.NumberReads);
    json.key("number_writes");
    json.number(r.NumberWrites);
    drive_member(json, *row.drive);
    serial_member(json, &r.SerialNumber);
    state_members(json, f5, r.State);
    json.end_object();
  }
  json.end_array();
  json.key("devices_without_paths");
  json.begin_array();
  for (const IoStatusRow& row : listing.rows) {
    if (row.entry != nullptr) continue;
    const DeviceRecord& d = devices[row.device];
    json.begin_object();
    device_members(json, row.device, d);
    serial_member(json, &d.SerialNumber);
    json.key("state");
    json.utf8(StateNames[0]);
    json.key("number_paths");
    json.number(d.NumberPaths);
    json.end_object();
  }
  json.end_array();
  json.key("missing_records");
  json.begin_array();
  for (const IoStatusRow& row : listing.rows)
    if (row.entry != nullptr && row.record == nullptr) missing_record(json, row.device, devices[row.device], *row.entry);
  json.end_array();
  stage_document(json, output);
  return 0;
}
