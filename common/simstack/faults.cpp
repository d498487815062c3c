#include "simstack/faults.h"

#include "simstack/sim_host.h"

namespace simstack {

namespace {

const Json* fault_list(const Json& doc, const char* kind) {
  const Json* faults = find_member_nocase(doc, "faults");
  if (faults == nullptr) return nullptr;
  const Json* list = find_member_nocase(*faults, kind);
  return list != nullptr && list->is_array() ? list : nullptr;
}

std::string text_member(const Json& entry, const char* name) {
  auto it = entry.find(name);
  return it != entry.end() && it->is_string() ? it->get<std::string>() : std::string();
}

std::optional<HResult> hresult_member(const Json& entry) {
  auto text = text_member(entry, "hresult");
  if (auto hr = parse_hresult(text)) return hr;
  return kE_FAIL;  // a fault without a readable code still fails
}

// "ROOT\\WMI" and "root\\wmi" are one namespace; an entry without one matches any.
bool namespace_matches(const Json& entry, const std::string& ns) {
  auto wanted = text_member(entry, "namespace");
  return wanted.empty() || equal_nocase(wanted, ns);
}

}  // namespace

std::optional<HResult> connect_fault(const Json& doc, const std::string& ns, const std::string& step) {
  const Json* list = fault_list(doc, "connect");
  if (list == nullptr) return std::nullopt;
  for (const auto& entry : *list)
    if (entry.is_object() && equal_nocase(text_member(entry, "step"), step) && namespace_matches(entry, ns))
      return hresult_member(entry);
  return std::nullopt;
}

bool version_fault(const Json& doc) {
  const Json* faults = find_member_nocase(doc, "faults");
  if (faults == nullptr) return false;
  const Json* v = find_member_nocase(*faults, "version");
  return v != nullptr && v->is_boolean() && v->get<bool>();
}

namespace {
// The "enumerate" entry of a class: with "after" it makes Next fail, else the start.
const Json* enumerate_entry(const Json& doc, const std::string& ns, const std::string& class_name, bool next) {
  const Json* list = fault_list(doc, "enumerate");
  if (list == nullptr) return nullptr;
  for (const auto& entry : *list)
    if (entry.is_object() && equal_nocase(text_member(entry, "class"), class_name) && namespace_matches(entry, ns) &&
        entry.contains("after") == next)
      return &entry;
  return nullptr;
}
}  // namespace

std::optional<HResult> enumerate_fault(const Json& doc, const std::string& ns, const std::string& class_name) {
  const Json* entry = enumerate_entry(doc, ns, class_name, false);
  if (entry == nullptr) return std::nullopt;
  return hresult_member(*entry);
}

std::string enumerate_fault_description(const Json& doc, const std::string& ns, const std::string& class_name) {
  const Json* entry = enumerate_entry(doc, ns, class_name, false);
  return entry != nullptr ? text_member(*entry, "description") : std::string();
}

std::optional<NextFault> next_fault(const Json& doc, const std::string& ns, const std::string& class_name) {
  const Json* entry = enumerate_entry(doc, ns, class_name, true);
  if (entry == nullptr) return std::nullopt;
  const Json& after = (*entry)["after"];
  NextFault fault;
  fault.after = after.is_number_unsigned() ? after.get<std::size_t>() : 0;
  fault.hr = *hresult_member(*entry);
  fault.description = text_member(*entry, "description");
  return fault;
}

std::optional<HResult> take_method_fault(Json& doc, const std::string& method, const std::string& instance) {
  Json* faults = find_member_nocase(doc, "faults");
  if (faults == nullptr) return std::nullopt;
  Json* list = find_member_nocase(*faults, "methods");
  if (list == nullptr || !list->is_array()) return std::nullopt;
  for (auto& entry : *list) {
    if (!entry.is_object() || !equal_nocase(text_member(entry, "method"), method)) continue;
    if (entry.contains("instance") && text_member(entry, "instance") != instance) continue;
    if (auto count = entry.find("count"); count != entry.end()) {
      if (!count->is_number_integer() || count->get<long long>() <= 0) continue;  // used up
      *count = count->get<long long>() - 1;
    }
    return hresult_member(entry);
  }
  return std::nullopt;
}

std::optional<HResult> notification_fault(const Json& doc) {
  const Json* faults = find_member_nocase(doc, "faults");
  const Json* code = faults != nullptr ? find_member_nocase(*faults, "notification") : nullptr;
  if (code == nullptr || !(code->is_string() || (code->is_boolean() && code->get<bool>()))) return std::nullopt;
  if (code->is_string())
    if (auto hr = parse_hresult(code->get<std::string>())) return hr;
  return kE_FAIL;  // a fault without a readable code still fails
}

}  // namespace simstack
