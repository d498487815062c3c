// policies, dsminfo and the raw class dump of instance as documents.
#include "config/dsm_timers.h"
#include "inventory/names.h"
#include "output/document.h"
#include "output/report_documents.h"
#include "output/report_values.h"
#include "reports/instance_records.h"
#include "reports/policies.h"

namespace {

// "<name>": the number, "<name>_hex": its hexadecimal digits as the dump shows them.
void hex_number(JsonText& json, const char* name, std::uint64_t value, unsigned width) {
  json.key(name);
  json.number(value);
  json.key(std::string(name) + "_hex");
  json.hex(value, width);
}

void bytes_member(JsonText& json, const char* name, const std::vector<std::uint8_t>& bytes) {
  json.key(name);
  json.hex_bytes(bytes.data(), bytes.size());
}

// Bytes the dump prints as characters: the characters, and the bytes in hexadecimal.
void chars_member(JsonText& json, const char* name, const std::vector<std::uint8_t>& bytes) {
  json.key(name);
  json.narrowed(std::string(bytes.begin(), bytes.end()));
  bytes_member(json, (std::string(name) + "_hex").c_str(), bytes);
}

void numbers_member(JsonText& json, const char* name, const std::vector<std::uint32_t>& values) {
  json.key(name);
  json.begin_array();
  for (std::uint32_t v : values) json.number(v);
  json.end_array();
}

void write_config_info(JsonText& json, const ConfigInfoInstance& c) {
  json.begin_object();
  json.key("InstanceName");
  json.wide(c.InstanceName);
  json.key("NumberFOGroups");
  json.number(c.NumberFOGroups);
  json.key("NumberMPGroups");
  json.number(c.NumberMPGroups);
  numbers_member(json, "LoadBalancePolicy", c.LoadBalancePolicy);
  json.key("LoadBalancePolicy_names");
  json.begin_array();
  for (std::uint32_t policy : c.LoadBalancePolicy) name_or_null(json, dump_policy_name(policy));
  json.end_array();
  numbers_member(json, "FailBack", c.FailBack);
  numbers_member(json, "ReservationList", c.ReservationList);
  json.end_object();
}

void write_perf_info(JsonText& json, const PerfInfoInstance& p) {
  json.begin_object();
  json.key("InstanceName");
  json.wide(p.InstanceName);
  json.key("NumberDevices");
  json.number(p.NumberDevices);
  json.key("PerfInfo");
  json.begin_array();
  for (const PerfInfoElement& e : p.PerfInfo) {
    json.begin_object();
    json.key("NumberReads");
    json.number(e.NumberReads);
    json.key("NumberWrites");
    json.number(e.NumberWrites);
    hex_number(json, "BytesRead", e.BytesRead, 1);
    hex_number(json, "BytesWritten", e.BytesWritten, 1);
    hex_number(json, "PathId", e.PathId, 8);
    json.key("PortNumber");
    json.number(e.PortNumber);
    json.key("ScsiPathId");
    json.number(e.ScsiPathId);
    json.key("TargetId");
    json.number(e.TargetId);
    json.key("Lun");
    json.number(e.Lun);
    bytes_member(json, "Identifier", e.Identifier);
    bytes_member(json, "Page80", e.Page80);
    bytes_member(json, "Page83", e.Page83);
    bytes_member(json, "PageD0", e.PageD0);
    bytes_member(json, "LMEI", e.LMEI);
    chars_member(json, "vendorid", e.vendorid);
    chars_member(json, "productid", e.productid);
    json.end_object();
  }
  json.end_array();
  json.end_object();
}

void write_lb_policy(JsonText& json, bool v2, const LbPolicyInstance& p) {
  json.begin_object();
  json.key("InstanceName");
  json.wide(p.InstanceName);
  if (p.has_policy) {
    json.key("Version");
    json.number(p.Version);
    json.key("LoadBalancePolicy");
    json.number(p.LoadBalancePolicy);
    json.key("LoadBalancePolicy_name");
    name_or_null(json, dump_policy_name(p.LoadBalancePolicy));
    json.key("DSMPathCount");
    json.number(p.DSMPathCount);
    json.key("Reserved");
    json.number(p.Reserved);
    json.key("DSM_Paths");
    json.begin_array();
    for (const DumpPathElement& e : p.DSM_Paths) {
      json.begin_object();
      hex_number(json, "DsmPathId", e.DsmPathId, 8);
      json.key("PathWeight");
      json.number(e.PathWeight);
      json.key("PrimaryPath");
      json.number(e.PrimaryPath);
      if (v2) {
        const std::pair<const char*, std::uint32_t> numbers[] = {
            {"OptimizedPath", e.OptimizedPath},
            {"PreferredPath", e.PreferredPath},
            {"FailedPath", e.FailedPath},
            {"TargetPortGroup_State", e.TargetPortGroup_State},
            {"ALUASupport", e.ALUASupport},
            {"SymmetricLUA", e.SymmetricLUA},
            {"TargetPortGroup_Preferred", e.TargetPortGroup_Preferred},
            {"TargetPortGroup_Identifier", e.TargetPortGroup_Identifier},
            {"TargetPort_Identifier", e.TargetPort_Identifier}};
        for (const auto& [name, value] : numbers) {
          json.key(name);
          json.number(value);
        }
      }
      json.end_object();
    }
    json.end_array();
  }
  json.end_object();
}

void write_unique_id(JsonText& json, const UniqueIdInstance& u) {
  json.begin_object();
  json.key("InstanceName");
  json.wide(u.InstanceName);
  hex_number(json, "DsmUniqueId", u.DsmUniqueId, 16);
  json.end_object();
}

}  // namespace

int policies_document(Session& s, JsonOutput& output) {
  const PolicyListing listing = gather_policies(s);
  JsonText json;
  begin_document(json, kReportFormat, "policies", s);
  json.key("source");
  json.utf8(listing.from_dsm ? "dsm" : "fixed");
  json.key("policies");
  json.begin_array();
  for (const SupportedPolicy& p : listing.policies) {
    json.begin_object();
    json.key("name");
    json.utf8(policy_name(p.LoadBalancePolicy));
    json.key("number");
    json.number(p.LoadBalancePolicy);
    if (listing.from_dsm) {
      json.key("version");
      json.number(p.Version);
    }
    json.end_object();
  }
  json.end_array();
  stage_document(json, output);
  return 0;
}

int dsminfo_document(Session& s, JsonOutput& output) {
  RegisteredDsms dsms;
  const int read = read_registered_dsms(s, dsms);
  JsonText json;
  begin_document(json, kReportFormat, "dsminfo", s);
  json.key("dsms");
  json.begin_array();
  for (const RegisteredDsm& d : dsms.Dsms) {
    json.begin_object();
    json.key("name");
    json.wide(d.DsmName);
    json.key("version");
    json.utf8(d.Version);
    hex_number(json, "context", d.DsmContext, 8);
    json.key("path_verify_period");
    json.number(d.PathVerificationPeriod);
    json.key("path_verify_enabled");
    json.boolean(d.PathVerifyEnabled);
    json.key("pdo_remove_period");
    json.number(d.PDORemovePeriod);
    json.key("retry_interval");
    json.number(d.RetryInterval);
    json.key("retry_count");
    json.number(d.RetryCount);
    json.key("reserved32");
    json.number(d.Reserved32);
    json.key("reserved64");
    json.number(d.Reserved64);
    json.end_object();
  }
  json.end_array();
  // The text shows nothing when the DSMs cannot be read; the document says so.
  json.key("read_failed");
  json.boolean(read != 0);
  stage_document(json, output);
  return 0;
}

int instance_classes_document(Session& s, JsonOutput& output) {
  JsonText json;
  begin_document(json, kReportFormat, "instance", s);
  json.key("classes");
  json.begin_array();
  for (DumpClass cls : {DumpClass::ConfigInfo, DumpClass::PerfInfo, DumpClass::LbPolicy, DumpClass::LbPolicyV2,
                        DumpClass::UniqueId})
    if (s.family5() || (cls != DumpClass::ConfigInfo && cls != DumpClass::PerfInfo)) json.utf8(dump_class_name(cls));
  json.end_array();
  stage_document(json, output);
  return 0;
}

int instance_document(Session& s, JsonOutput& output, const std::string& class_name) {
  JsonText json;
  begin_document(json, kReportFormat, "instance", s);
  json.key("requested");
  json.typed(class_name);
  const auto cls = dump_class_of(class_name);
  json.key("class");
  if (cls) json.utf8(dump_class_name(*cls));
  else json.null();
  json.key("instances");
  json.begin_array();
  HResult hr = kS_OK;
  if (cls == DumpClass::ConfigInfo) hr = read_config_info(s, nullptr, [&](const auto& c) { write_config_info(json, c); });
  else if (cls == DumpClass::PerfInfo) hr = read_perf_info(s, nullptr, [&](const auto& p) { write_perf_info(json, p); });
  else if (cls == DumpClass::LbPolicy) hr = read_lb_policies(s, false, nullptr, [&](const auto& p) { write_lb_policy(json, false, p); });
  else if (cls == DumpClass::LbPolicyV2) hr = read_lb_policies(s, true, nullptr, [&](const auto& p) { write_lb_policy(json, true, p); });
  else if (cls == DumpClass::UniqueId) hr = read_unique_ids(s, nullptr, [&](const auto& u) { write_unique_id(json, u); });
  json.end_array();
  // The text shows nothing for a class that cannot be read; the document gives the status.
  status_members(json, hr, "read_status");
  stage_document(json, output);
  return 0;
}
