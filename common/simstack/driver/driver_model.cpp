#include "simstack/driver/driver_model.h"

#include <array>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <set>

#include "simstack/driver/event_log.h"
#include "simstack/state_file/host_document.h"
#include "simstack/wmi_provider/instance_lookup.h"

namespace simstack {

namespace {

Json* instances_of(JsonDocument& doc, const std::string& ns, const std::string& cls) {
  Json* list = find_instance_list(doc, ns, cls);
  return list != nullptr && list->IsArray() ? list : nullptr;
}

Json* instance_named(Json* list, const std::string& name) {
  return list != nullptr ? find_keyed_instance(*list, "InstanceName", name) : nullptr;
}

// A 64-bit value as stored (decimal text) or sent (decimal text or a number).
std::optional<std::uint64_t> u64_of(const Json* v) {
  if (v == nullptr) return std::nullopt;
  if (v->IsUint64()) return v->GetUint64();
  if (v->IsInt64()) return static_cast<std::uint64_t>(v->GetInt64());
  const std::string_view text = text_of(*v);
  std::uint64_t out = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  if (!v->IsString() || text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return out;
}

const Json* sent_object(const MethodCall& call, const char* name) {
  const Json* v = call.in != nullptr ? member(*call.in, name) : nullptr;
  return v != nullptr && v->IsObject() ? v : nullptr;
}

const Json* array_member(const Json& object, const char* name) {
  const Json* v = member(object, name);
  return v != nullptr && v->IsArray() ? v : nullptr;
}
Json* array_member(Json& object, const char* name) {
  return const_cast<Json*>(array_member(static_cast<const Json&>(object), name));
}

bool is_alua_state(std::int64_t s) { return s == 0 || s == 1 || s == 2 || s == 3 || s == 16; }

// Checks a policy record against the device's stored policy: the count matches the
// array and the device's paths, every path id is one of the device's, once.
// Returns the stored index of each sent path, or nothing when the record is refused.
std::optional<std::vector<rapidjson::SizeType>> match_paths(const Json& sent, const Json* stored_paths) {
  auto count = int_member(sent, "DSMPathCount");
  const Json* paths = array_member(sent, "DSM_Paths");
  if (!count || paths == nullptr || stored_paths == nullptr || !stored_paths->IsArray()) return std::nullopt;
  if (static_cast<std::size_t>(*count) != paths->Size() || paths->Size() != stored_paths->Size()) return std::nullopt;
  std::map<std::uint64_t, rapidjson::SizeType> stored_index;
  for (rapidjson::SizeType i = 0; i < stored_paths->Size(); ++i)
    if (auto id = u64_of(member_nocase((*stored_paths)[i], "DsmPathId"))) stored_index.emplace(*id, i);
  std::vector<rapidjson::SizeType> order;
  std::set<rapidjson::SizeType> seen;
  for (const auto& path : paths->GetArray()) {
    if (!path.IsObject()) return std::nullopt;
    auto id = u64_of(member_nocase(path, "DsmPathId"));
    auto found = id ? stored_index.find(*id) : stored_index.end();
    if (found == stored_index.end() || !seen.insert(found->second).second) return std::nullopt;
    order.push_back(found->second);
  }
  return order;
}

// A policy record sent for a device, checked against the device's stored policy.
struct PolicyWrite {
  const Json* sent = nullptr;       // the record as sent
  Json* stored = nullptr;           // the device's "LoadBalancePolicy" object
  std::int64_t policy = 0;
  std::vector<rapidjson::SizeType> order;   // stored position of each sent path
};

// Finds the device's policy instance of `policy_class` and checks the record: a policy
// from 1 to 7, a count that matches the array and the device's paths, known path ids.
HResult check_policy_write(JsonDocument& doc, const MethodCall& call, const char* policy_class, PolicyWrite& w) {
  w.sent = sent_object(call, "LoadBalancePolicy");
  Json* device = instance_named(instances_of(doc, call.ns, policy_class), call.instance_name);
  if (device == nullptr) return kWBEM_E_NOT_FOUND;
  if (w.sent == nullptr) return kWBEM_E_INVALID_PARAMETER;
  // A stored policy without the shape of the class is the host's fault, not the caller's.
  Json* stored = member(*device, "LoadBalancePolicy");
  if (stored == nullptr || !stored->IsObject() || member(*stored, "DSM_Paths") == nullptr) return kWBEM_E_FAILED;
  w.stored = stored;
  auto policy = int_member(*w.sent, "LoadBalancePolicy");
  if (!policy || *policy < 1 || *policy > 7) return kWBEM_E_INVALID_PARAMETER;
  w.policy = *policy;
  auto order = match_paths(*w.sent, member(*w.stored, "DSM_Paths"));
  if (!order) return kWBEM_E_INVALID_PARAMETER;
  w.order = std::move(*order);
  return kS_OK;
}

// Copies the named fields of each sent path onto its stored path.
void store_path_fields(const JsonMaker& make, Json& stored_paths, const Json& sent_paths,
                       const std::vector<rapidjson::SizeType>& order, std::initializer_list<const char*> fields) {
  for (rapidjson::SizeType i = 0; i < sent_paths.Size() && i < order.size(); ++i)
    for (const char* field : fields)
      if (auto v = int_member(sent_paths[i], field)) make.put(stored_paths[order[i]], field, *v);
}

// A device's policy record before a change, to tell what the change did.
struct PolicyBefore {
  explicit PolicyBefore(const Json& record)
      : text(json_text(record)), policy(int_member(record, "LoadBalancePolicy")) {}
  std::string text;
  std::optional<std::int64_t> policy;
};

// The driver reports a change of a device's policy record in the event log.
void raise_policy_event(JsonDocument& doc, const std::string& device, const PolicyBefore& before, const Json& after) {
  if (before.text == json_text(after)) return;
  const auto policy = int_member(after, "LoadBalancePolicy");
  const std::string text = policy != before.policy
                               ? "Load balance policy of " + device + " changed to " + std::to_string(policy.value_or(0)) + "."
                               : "Policy settings of " + device + " changed.";
  append_event(doc, make_event(doc.GetAllocator(), 4, "ZYRDSM", text));
}

// DsmSetLoadBalancePolicyALUA: the device's version-2 policy takes the new policy and
// the host-settable path fields; ALUA data reported by the array stays as it is.
HResult set_policy_alua(JsonDocument& doc, const MethodCall& call) {
  PolicyWrite w;
  if (HResult hr = check_policy_write(doc, call, "DSM_QueryLBPolicy_V2", w); hr != kS_OK) return hr;
  const Json& paths = *member(*w.sent, "DSM_Paths");
  for (const auto& p : paths.GetArray())
    if (auto s = int_member(p, "TargetPortGroup_State"); !s || !is_alua_state(*s)) return kWBEM_E_INVALID_PARAMETER;
  JsonMaker make(doc);
  const PolicyBefore before(*w.stored);
  make.put(*w.stored, "LoadBalancePolicy", w.policy);
  store_path_fields(make, *member(*w.stored, "DSM_Paths"), paths, w.order,
                    {"PathWeight", "PrimaryPath", "OptimizedPath", "PreferredPath"});
  // The version-1 view of the same device follows.
  if (Json* v1 = instance_named(instances_of(doc, call.ns, "DSM_QueryLBPolicy"), call.instance_name)) {
    Json* lb = member(*v1, "LoadBalancePolicy");
    if (lb != nullptr && lb->IsObject()) {
      make.put(*lb, "LoadBalancePolicy", w.policy);
      if (auto v1_order = match_paths(*w.sent, member(*lb, "DSM_Paths")))
        store_path_fields(make, *member(*lb, "DSM_Paths"), paths, *v1_order, {"PathWeight", "PrimaryPath"});
    }
  }
  raise_policy_event(doc, call.instance_name, before, *w.stored);
  return kS_OK;
}

// ZyrDsmSetLoadBalancePolicy: the driver's family-5 policy, fail-back and path flags.
HResult set_policy_family5(JsonDocument& doc, const MethodCall& call) {
  PolicyWrite w;
  if (HResult hr = check_policy_write(doc, call, "ZYRDSM_QueryLBPolicy", w); hr != kS_OK) return hr;
  auto failback = int_member(*w.sent, "FailBack");
  if (!failback || (*failback != 1 && *failback != 2)) return kWBEM_E_INVALID_PARAMETER;
  JsonMaker make(doc);
  const PolicyBefore before(*w.stored);
  make.put(*w.stored, "LoadBalancePolicy", w.policy);
  make.put(*w.stored, "FailBack", *failback);
  store_path_fields(make, *member(*w.stored, "DSM_Paths"), *member(*w.sent, "DSM_Paths"), w.order,
                    {"PathWeight", "PrimaryPath"});
  raise_policy_event(doc, call.instance_name, before, *w.stored);
  return kS_OK;
}

void raise_path_status_event(JsonDocument& doc, std::uint64_t id, std::int64_t status) {
  const char* name = status == 1 ? "Online" : status == 5 ? "Failed" : "Standby";
  char text[96];
  std::snprintf(text, sizeof text, "Status of path %llX changed to %s.", static_cast<unsigned long long>(id), name);
  // A failed path is a warning.
  append_event(doc, make_event(doc.GetAllocator(), status == 5 ? 3 : 4, "ZYRDSM", text));
}

std::int64_t int_or_zero(const Json& object, const char* name) { return int_member(object, name).value_or(0); }

// ZyrDsmSetPathStatus: the status byte of each named path's identifier.
HResult set_path_status(JsonDocument& doc, const MethodCall& call) {
  const Json* sent = sent_object(call, "setPathStatus");
  if (sent == nullptr) return kWBEM_E_INVALID_PARAMETER;
  auto count = int_member(*sent, "DSMPathStatusCount");
  const Json* list = array_member(*sent, "DSM_PathStatus");
  if (!count || list == nullptr || static_cast<std::size_t>(*count) != list->Size()) return kWBEM_E_INVALID_PARAMETER;
  // Path id -> SCSI addresses of its descriptors.
  std::map<std::uint64_t, std::vector<std::array<std::int64_t, 4>>> addresses;
  if (Json* descriptors = instances_of(doc, call.ns, "MPIO_GET_DESCRIPTOR"))
    for (const auto& inst : descriptors->GetArray())
      if (const Json* pdos = array_member(inst, "PdoInformation"))
        for (const auto& pdo : pdos->GetArray()) {
          const Json* a = member(pdo, "ScsiAddress");
          auto id = u64_of(member_nocase(pdo, "PathIdentifier"));
          if (id && a != nullptr && a->IsObject())
            addresses[*id].push_back({int_or_zero(*a, "PortNumber"), int_or_zero(*a, "ScsiPathId"),
                                      int_or_zero(*a, "TargetId"), int_or_zero(*a, "Lun")});
        }
  struct StatusChange {
    std::uint64_t id;
    std::int64_t status;
    bool made = false;
  };
  std::vector<StatusChange> changes;
  for (const auto& entry : list->GetArray()) {
    if (!entry.IsObject()) return kWBEM_E_INVALID_PARAMETER;
    auto id = u64_of(member_nocase(entry, "PathId"));
    auto status = int_member(entry, "PathStatus");
    if (!id || !status || (*status != 1 && *status != 5 && *status != 7) || !addresses.count(*id))
      return kWBEM_E_INVALID_PARAMETER;
    changes.push_back({*id, *status});
  }
  Json* perf = instances_of(doc, call.ns, "ZYRDSM_PERFINFO");
  if (perf == nullptr) return kS_OK;
  // An identifier byte as stored: the same number whatever JSON number form it has.
  auto byte_is = [](const Json& b, std::int64_t v) { return b.IsInt64() && b.GetInt64() == v; };
  for (auto& inst : perf->GetArray()) {
    Json* elements = array_member(inst, "PerfInfo");
    if (elements == nullptr) continue;
    for (auto& element : elements->GetArray()) {
      Json* ident = array_member(element, "Identifier");
      if (ident == nullptr || ident->Size() < 26) continue;
      Json& id = *ident;
      for (auto& change : changes)
        for (const auto& a : addresses[change.id])
          if (byte_is(id[0], a[0]) && byte_is(id[1], a[1]) && byte_is(id[2], a[2]) && byte_is(id[3], a[3]) &&
              !byte_is(id[25], change.status)) {
            id[25].SetInt64(change.status);
            change.made = true;
          }
    }
  }
  for (const auto& change : changes)
    if (change.made) raise_path_status_event(doc, change.id, change.status);
  return kS_OK;
}

// The clear methods zero the counters of the performance instance of their device.
HResult clear_counters(JsonDocument& doc, const MethodCall& call, const char* perf_class) {
  Json* perf = instance_named(instances_of(doc, call.ns, perf_class), call.instance_name);
  Json* elements = perf != nullptr ? array_member(*perf, "PerfInfo") : nullptr;
  if (elements == nullptr) return kS_OK;
  JsonMaker make(doc);
  for (auto& element : elements->GetArray()) {
    if (!element.IsObject()) continue;
    make.put(element, "NumberReads", 0);
    make.put(element, "NumberWrites", 0);
    make.put(element, "BytesRead", "0");
    make.put(element, "BytesWritten", "0");
  }
  return kS_OK;
}

// A counter as sent: an integer VARIANT of 32 bits (VT_I4 carries values above 2^31
// as negative numbers), stored as the unsigned value the driver keeps.
std::optional<std::uint32_t> counter_of(const Json& counters, const char* key) {
  auto v = int_member(counters, key);
  if (!v || *v < INT32_MIN || *v > static_cast<std::int64_t>(UINT32_MAX)) return std::nullopt;
  return static_cast<std::uint32_t>(*v);
}

// SetDSMCounters: the DSM registered with the sent context takes the sent counters,
// so the next read of MPIO_REGISTERED_DSM shows them. An unknown context or a record
// without every counter is refused.
HResult set_dsm_counters(JsonDocument& doc, const MethodCall& call) {
  const Json* sent = sent_object(call, "DsmCounters");
  auto context = call.in != nullptr ? u64_of(member_nocase(*call.in, "DsmContext")) : std::nullopt;
  if (sent == nullptr || !context) return kWBEM_E_INVALID_PARAMETER;
  const Json* cls = member_nocase(*sent, "__CLASS");
  if (cls == nullptr || !cls->IsString() || !equal_nocase(text_of(*cls), "DSM_COUNTERS")) return kWBEM_E_INVALID_PARAMETER;
  JsonMaker make(doc);
  Json counters = make.object();
  for (const char* key : {"PathVerifyEnabled", "PathVerificationPeriod", "PDORemovePeriod", "RetryCount",
                          "RetryInterval", "Reserved32"}) {
    auto v = counter_of(*sent, key);
    if (!v) return kWBEM_E_INVALID_PARAMETER;
    make.put(counters, key, *v);
  }
  auto reserved64 = u64_of(member_nocase(*sent, "Reserved64"));
  if (!reserved64) return kWBEM_E_INVALID_PARAMETER;
  make.put(counters, "Reserved64", std::to_string(*reserved64));
  Json* registered = instances_of(doc, call.ns, "MPIO_REGISTERED_DSM");
  if (registered == nullptr) return kWBEM_E_INVALID_PARAMETER;
  for (auto& inst : registered->GetArray()) {
    Json* params = member_nocase(inst, "DsmParameters");
    if (params == nullptr || !params->IsArray()) continue;
    for (auto& dsm : params->GetArray()) {
      if (!dsm.IsObject() || u64_of(member_nocase(dsm, "DsmContext")) != context) continue;
      make.put(dsm, "DsmCounters", std::move(counters));
      return kS_OK;
    }
  }
  return kWBEM_E_INVALID_PARAMETER;
}

}  // namespace

HResult apply_driver_method(JsonDocument& doc, const MethodCall& call) {
  if (equal_nocase(call.method, "DsmSetLoadBalancePolicyALUA")) return set_policy_alua(doc, call);
  if (equal_nocase(call.method, "ZyrDsmSetLoadBalancePolicy")) return set_policy_family5(doc, call);
  if (equal_nocase(call.method, "ZyrDsmSetPathStatus")) return set_path_status(doc, call);
  if (equal_nocase(call.method, "ZyrDsmClearCounters")) return clear_counters(doc, call, "ZYRDSM_PERFINFO");
  if (equal_nocase(call.method, "MSDsmClearCounters")) return clear_counters(doc, call, "MSDSM_DEVICE_PERF");
  if (equal_nocase(call.method, "SetDSMCounters")) return set_dsm_counters(doc, call);
  return kS_OK;  // methods whose effect is not modelled are accepted as given
}

}  // namespace simstack
