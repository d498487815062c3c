#include "simstack/faults/faults.h"

namespace simstack {

namespace {

const Json* fault_member(const Json& doc, const char* kind) {
  const Json* faults = member_nocase(doc, "faults");
  return faults != nullptr ? member_nocase(*faults, kind) : nullptr;
}


std::optional<HResult> hresult_member(const Json& entry) {
  if (auto hr = parse_hresult(text_member(entry, "hresult"))) return hr;
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
  for (const auto& entry : list->GetArray())
    if (entry.IsObject() && equal_nocase(text_member(entry, "step"), step) && namespace_matches(entry, ns))
      return hresult_member(entry);
  return std::nullopt;
}

bool version_fault(const Json& doc) {
  const Json* v = fault_member(doc, "version");
  return v != nullptr && v->IsBool() && v->GetBool();
}

const Json* fault_list(const Json& doc, const char* kind) {
  const Json* list = fault_member(doc, kind);
  return list != nullptr && list->IsArray() ? list : nullptr;
}

std::optional<EnumerateFault> enumerate_fault(const Json& doc, const std::string& ns, const std::string& class_name,
                                              bool at_start) {
  const Json* list = fault_list(doc, "enumerate");
  if (list == nullptr) return std::nullopt;
  for (const auto& entry : list->GetArray()) {
    const Json* after = member(entry, "after");
    if (!entry.IsObject() || !equal_nocase(text_member(entry, "class"), class_name) || !namespace_matches(entry, ns) ||
        (after == nullptr) != at_start)
      continue;
    EnumerateFault fault{*hresult_member(entry), std::nullopt, text_member(entry, "description")};
    if (after != nullptr) fault.after = after->IsUint64() ? static_cast<std::size_t>(after->GetUint64()) : 0;
    return fault;
  }
  return std::nullopt;
}

std::optional<HResult> take_method_fault(JsonDocument& doc, const std::string& method, const std::string& instance) {
  Json* list = const_cast<Json*>(fault_list(doc, "methods"));  // counts are used up in place
  if (list == nullptr) return std::nullopt;
  for (auto& entry : list->GetArray()) {
    if (!entry.IsObject() || !equal_nocase(text_member(entry, "method"), method)) continue;
    if (member(entry, "instance") != nullptr && text_member(entry, "instance") != instance) continue;
    if (Json* count = member(entry, "count")) {
      if (!count->IsInt64() || count->GetInt64() <= 0) continue;  // used up
      count->SetInt64(count->GetInt64() - 1);
    }
    return hresult_member(entry);
  }
  return std::nullopt;
}

std::optional<HResult> notification_fault(const Json& doc) {
  const Json* code = fault_member(doc, "notification");
  if (code == nullptr || !(code->IsString() || (code->IsBool() && code->GetBool()))) return std::nullopt;
  if (auto hr = parse_hresult(std::string(text_of(*code)))) return hr;
  return kE_FAIL;  // a fault without a readable code still fails
}

}  // namespace simstack
