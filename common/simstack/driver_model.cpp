#include "simstack/driver_model.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <set>

#include "simstack/instance_lookup.h"
#include "simstack/event_log.h"
#include "simstack/sim_host.h"

namespace simstack {

namespace {

Json* instances_of(Json& doc, const std::string& ns, const std::string& cls) {
  Json* list = find_instance_list(doc, ns, cls);
  return list != nullptr && list->is_array() ? list : nullptr;
}

Json* instance_named(Json* list, const std::string& name) {
  return list != nullptr ? find_keyed_instance(*list, "InstanceName", name) : nullptr;
}

// A 64-bit value as stored (decimal text) or sent (decimal text or a number).
std::optional<std::uint64_t> u64_of(const Json* v) {
  if (v == nullptr) return std::nullopt;
  if (v->is_number_unsigned()) return v->get<std::uint64_t>();
  if (v->is_number_integer()) return static_cast<std::uint64_t>(v->get<std::int64_t>());
  if (!v->is_string() || v->get_ref<const std::string&>().empty()) return std::nullopt;
  std::uint64_t out = 0;
  for (char c : v->get_ref<const std::string&>()) {
    if (c < '0' || c > '9') return std::nullopt;
    out = out * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return out;
}

std::optional<std::int64_t> int_of(const Json& object, const char* key) {
  auto it = object.find(key);
  if (it == object.end() || !it->is_number_integer()) return std::nullopt;
  return it->get<std::int64_t>();
}

const Json* sent_object(const MethodCall& call, const char* name) {
  if (call.in == nullptr) return nullptr;
  auto it = call.in->find(name);
  return it != call.in->end() && it->is_object() ? &*it : nullptr;
}

bool is_alua_state(std::int64_t s) { return s == 0 || s == 1 || s == 2 || s == 3 || s == 16; }

// Checks a policy record against the device's stored policy: the count matches the
// array and the device's paths, every path id is one of the device's, once.
// Returns the stored index of each sent path, or nothing when the record is refused.
std::optional<std::vector<std::size_t>> match_paths(const Json& sent, const Json& stored_paths) {
  auto count = int_of(sent, "DSMPathCount");
  auto it = sent.find("DSM_Paths");
  if (!count || it == sent.end() || !it->is_array() || !stored_paths.is_array()) return std::nullopt;
  if (static_cast<std::size_t>(*count) != it->size() || it->size() != stored_paths.size()) return std::nullopt;
  std::map<std::uint64_t, std::size_t> stored_index;
  for (std::size_t i = 0; i < stored_paths.size(); ++i)
    if (auto id = u64_of(stored_paths[i].is_object() ? find_member_nocase(stored_paths[i], "DsmPathId") : nullptr))
      stored_index.emplace(*id, i);
  std::vector<std::size_t> order;
  std::set<std::size_t> seen;
  for (const auto& path : *it) {
    if (!path.is_object()) return std::nullopt;
    auto id = u64_of(find_member_nocase(path, "DsmPathId"));
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
  std::vector<std::size_t> order;   // stored position of each sent path
};

// Finds the device's policy instance of `policy_class` and checks the record: a policy
// from 1 to 7, a count that matches the array and the device's paths, known path ids.
HResult check_policy_write(Json& doc, const MethodCall& call, const char* policy_class, PolicyWrite& w) {
  w.sent = sent_object(call, "LoadBalancePolicy");
  Json* device = instance_named(instances_of(doc, call.ns, policy_class), call.instance_name);
  if (device == nullptr) return kWBEM_E_NOT_FOUND;
  if (w.sent == nullptr) return kWBEM_E_INVALID_PARAMETER;
  // A stored policy without the shape of the class is the host's fault, not the caller's.
  auto stored = device->find("LoadBalancePolicy");
  if (stored == device->end() || !stored->is_object() || !stored->contains("DSM_Paths")) return kWBEM_E_FAILED;
  w.stored = &*stored;
  auto policy = int_of(*w.sent, "LoadBalancePolicy");
  if (!policy || *policy < 1 || *policy > 7) return kWBEM_E_INVALID_PARAMETER;
  w.policy = *policy;
  auto order = match_paths(*w.sent, (*w.stored)["DSM_Paths"]);
  if (!order) return kWBEM_E_INVALID_PARAMETER;
  w.order = std::move(*order);
  return kS_OK;
}

// Copies the named fields of each sent path onto its stored path.
void store_path_fields(Json& stored_paths, const Json& sent_paths, const std::vector<std::size_t>& order,
                       std::initializer_list<const char*> fields) {
  for (std::size_t i = 0; i < sent_paths.size() && i < order.size(); ++i)
    for (const char* field : fields)
      if (auto v = int_of(sent_paths[i], field)) stored_paths[order[i]][field] = *v;
}

// The driver reports a change of a device's policy record in the event log.
void raise_policy_event(Json& doc, const std::string& device, const Json& before, const Json& after) {
  if (before == after) return;
  const auto policy = int_of(after, "LoadBalancePolicy");
  const std::string text = policy != int_of(before, "LoadBalancePolicy")
                               ? "Load balance policy of " + device + " changed to " + std::to_string(policy.value_or(0)) + "."
                               : "Policy settings of " + device + " changed.";
  append_event(doc, make_event(4, "ZYRDSM", text));
}

// DsmSetLoadBalancePolicyALUA: the device's version-2 policy takes the new policy and
// the host-settable path fields; ALUA data reported by the array stays as it is.
HResult set_policy_alua(Json& doc, const MethodCall& call) {
  PolicyWrite w;
  if (HResult hr = check_policy_write(doc, call, "DSM_QueryLBPolicy_V2", w); hr != kS_OK) return hr;
  const Json& paths = (*w.sent)["DSM_Paths"];
  for (const auto& p : paths)
    if (auto s = int_of(p, "TargetPortGroup_State"); !s || !is_alua_state(*s)) return kWBEM_E_INVALID_PARAMETER;
  const Json before = *w.stored;
  (*w.stored)["LoadBalancePolicy"] = w.policy;
  store_path_fields((*w.stored)["DSM_Paths"], paths, w.order, {"PathWeight", "PrimaryPath", "OptimizedPath", "PreferredPath"});
  // The version-1 view of the same device follows.
  if (Json* v1 = instance_named(instances_of(doc, call.ns, "DSM_QueryLBPolicy"), call.instance_name)) {
    Json& lb = (*v1)["LoadBalancePolicy"];
    lb["LoadBalancePolicy"] = w.policy;
    if (auto v1_order = match_paths(*w.sent, lb["DSM_Paths"]))
      store_path_fields(lb["DSM_Paths"], paths, *v1_order, {"PathWeight", "PrimaryPath"});
  }
  raise_policy_event(doc, call.instance_name, before, *w.stored);
  return kS_OK;
}

// ZyrDsmSetLoadBalancePolicy: the driver's family-5 policy, fail-back and path flags.
HResult set_policy_family5(Json& doc, const MethodCall& call) {
  PolicyWrite w;
  if (HResult hr = check_policy_write(doc, call, "ZYRDSM_QueryLBPolicy", w); hr != kS_OK) return hr;
  auto failback = int_of(*w.sent, "FailBack");
  if (!failback || (*failback != 1 && *failback != 2)) return kWBEM_E_INVALID_PARAMETER;
  const Json before = *w.stored;
  (*w.stored)["LoadBalancePolicy"] = w.policy;
  (*w.stored)["FailBack"] = *failback;
  store_path_fields((*w.stored)["DSM_Paths"], (*w.sent)["DSM_Paths"], w.order, {"PathWeight", "PrimaryPath"});
  raise_policy_event(doc, call.instance_name, before, *w.stored);
  return kS_OK;
}

void raise_path_status_event(Json& doc, std::uint64_t id, std::int64_t status) {
  const char* name = status == 1 ? "Online" : status == 5 ? "Failed" : "Standby";
  char text[96];
  std::snprintf(text, sizeof text, "Status of path %llX changed to %s.", static_cast<unsigned long long>(id), name);
  append_event(doc, make_event(status == 5 ? 3 : 4, "ZYRDSM", text));  // a failed path is a warning
}

// ZyrDsmSetPathStatus: the status byte of each named path's identifier.
HResult set_path_status(Json& doc, const MethodCall& call) {
  const Json* sent = sent_object(call, "setPathStatus");
  if (sent == nullptr) return kWBEM_E_INVALID_PARAMETER;
  auto count = int_of(*sent, "DSMPathStatusCount");
  auto list = sent->find("DSM_PathStatus");
  if (!count || list == sent->end() || !list->is_array() || static_cast<std::size_t>(*count) != list->size())
    return kWBEM_E_INVALID_PARAMETER;
  // Path id -> SCSI addresses of its descriptors.
  std::map<std::uint64_t, std::vector<std::vector<std::int64_t>>> addresses;
  if (Json* descriptors = instances_of(doc, call.ns, "MPIO_GET_DESCRIPTOR"))
    for (const auto& inst : *descriptors)
      if (inst.contains("PdoInformation") && inst["PdoInformation"].is_array())
        for (const auto& pdo : inst["PdoInformation"]) {
          if (!pdo.is_object() || !pdo.contains("ScsiAddress")) continue;
          auto id = u64_of(find_member_nocase(pdo, "PathIdentifier"));
          const Json& a = pdo["ScsiAddress"];
          if (id && a.is_object())
            addresses[*id].push_back({a.value("PortNumber", 0LL), a.value("ScsiPathId", 0LL), a.value("TargetId", 0LL),
                                      a.value("Lun", 0LL)});
        }
  struct StatusChange {
    std::uint64_t id;
    std::int64_t status;
    bool made = false;
  };
  std::vector<StatusChange> changes;
  for (const auto& entry : *list) {
    if (!entry.is_object()) return kWBEM_E_INVALID_PARAMETER;
    auto id = u64_of(find_member_nocase(entry, "PathId"));
    auto status = int_of(entry, "PathStatus");
    if (!id || !status || (*status != 1 && *status != 5 && *status != 7) || !addresses.count(*id))
      return kWBEM_E_INVALID_PARAMETER;
    changes.push_back({*id, *status});
  }
  Json* perf = instances_of(doc, call.ns, "ZYRDSM_PERFINFO");
  if (perf == nullptr) return kS_OK;
  for (auto& inst : *perf) {
    if (!inst.contains("PerfInfo") || !inst["PerfInfo"].is_array()) continue;
    for (auto& element : inst["PerfInfo"]) {
      if (!element.is_object() || !element.contains("Identifier")) continue;
      Json& ident = element["Identifier"];
      if (!ident.is_array() || ident.size() < 26) continue;
      for (auto& change : changes)
        for (const auto& a : addresses[change.id])
          if (ident[0] == a[0] && ident[1] == a[1] && ident[2] == a[2] && ident[3] == a[3] && ident[25] != change.status) {
            ident[25] = change.status;
            change.made = true;
          }
    }
  }
  for (const auto& change : changes)
    if (change.made) raise_path_status_event(doc, change.id, change.status);
  return kS_OK;
}

// The clear methods zero the counters of the performance instance of their device.
HResult clear_counters(Json& doc, const MethodCall& call, const char* perf_class) {
  Json* perf = instance_named(instances_of(doc, call.ns, perf_class), call.instance_name);
  if (perf == nullptr || !perf->contains("PerfInfo") || !(*perf)["PerfInfo"].is_array()) return kS_OK;
  for (auto& element : (*perf)["PerfInfo"]) {
    if (!element.is_object()) continue;
    element["NumberReads"] = 0;
    element["NumberWrites"] = 0;
    element["BytesRead"] = "0";
    element["BytesWritten"] = "0";
  }
  return kS_OK;
}

// A counter as sent: an integer VARIANT of 32 bits (VT_I4 carries values above 2^31
// as negative numbers), stored as the unsigned value the driver keeps.
std::optional<std::uint32_t> counter_of(const Json& counters, const char* key) {
  auto v = int_of(counters, key);
  if (!v || *v < INT32_MIN || *v > static_cast<std::int64_t>(UINT32_MAX)) return std::nullopt;
  return static_cast<std::uint32_t>(*v);
}

// SetDSMCounters: the DSM registered with the sent context takes the sent counters,
// so the next read of MPIO_REGISTERED_DSM shows them. An unknown context or a record
// without every counter is refused.
HResult set_dsm_counters(Json& doc, const MethodCall& call) {
  const Json* sent = sent_object(call, "DsmCounters");
  auto context = call.in != nullptr ? u64_of(find_member_nocase(*call.in, "DsmContext")) : std::nullopt;
  if (sent == nullptr || !context) return kWBEM_E_INVALID_PARAMETER;
  const Json* cls = find_member_nocase(*sent, "__CLASS");
  if (cls == nullptr || !cls->is_string() || !equal_nocase(cls->get_ref<const std::string&>(), "DSM_COUNTERS"))
    return kWBEM_E_INVALID_PARAMETER;
  Json counters = Json::object();
  for (const char* key : {"PathVerifyEnabled", "PathVerificationPeriod", "PDORemovePeriod", "RetryCount",
                          "RetryInterval", "Reserved32"}) {
    auto v = counter_of(*sent, key);
    if (!v) return kWBEM_E_INVALID_PARAMETER;
    counters[key] = *v;
  }
  auto reserved64 = u64_of(find_member_nocase(*sent, "Reserved64"));
  if (!reserved64) return kWBEM_E_INVALID_PARAMETER;
  counters["Reserved64"] = std::to_string(*reserved64);
  Json* registered = instances_of(doc, call.ns, "MPIO_REGISTERED_DSM");
  if (registered == nullptr) return kWBEM_E_INVALID_PARAMETER;
  for (auto& inst : *registered) {
    Json* params = inst.is_object() ? find_member_nocase(inst, "DsmParameters") : nullptr;
    if (params == nullptr || !params->is_array()) continue;
    for (auto& dsm : *params) {
      if (!dsm.is_object() || u64_of(find_member_nocase(dsm, "DsmContext")) != context) continue;
      Json* stored = find_member_nocase(dsm, "DsmCounters");
      (stored != nullptr ? *stored : dsm["DsmCounters"]) = std::move(counters);
      return kS_OK;
    }
  }
  return kWBEM_E_INVALID_PARAMETER;
}

}  // namespace

HResult apply_driver_method(Json& doc, const MethodCall& call) {
  if (equal_nocase(call.method, "DsmSetLoadBalancePolicyALUA")) return set_policy_alua(doc, call);
  if (equal_nocase(call.method, "ZyrDsmSetLoadBalancePolicy")) return set_policy_family5(doc, call);
  if (equal_nocase(call.method, "ZyrDsmSetPathStatus")) return set_path_status(doc, call);
  if (equal_nocase(call.method, "ZyrDsmClearCounters")) return clear_counters(doc, call, "ZYRDSM_PERFINFO");
  if (equal_nocase(call.method, "MSDsmClearCounters")) return clear_counters(doc, call, "MSDSM_DEVICE_PERF");
  if (equal_nocase(call.method, "SetDSMCounters")) return set_dsm_counters(doc, call);
  return kS_OK;  // methods whose effect is not modelled are accepted as given
}

}  // namespace simstack
