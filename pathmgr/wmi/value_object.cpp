#include "wmi/value_object.h"

#include "text/text_convert.h"

namespace wmi {

ValueObject::ValueObject(std::wstring class_name, std::vector<std::wstring> derivation,
                         std::vector<std::pair<std::wstring, Value>> properties)
    : class_name_(std::move(class_name)), derivation_(std::move(derivation)), properties_(std::move(properties)) {}

HResult ValueObject::get(std::wstring_view name, Value& out) const {
  if (equal_nocase_ascii(name, L"__CLASS")) {
    out = Value::bstr(class_name_);
    out.cim_type = CIM_STRING;
    return kS_OK;
  }
  for (const auto& [n, v] : properties_)
    if (equal_nocase_ascii(n, name)) {
      out = v;
      return kS_OK;
    }
  return kWBEM_E_NOT_FOUND;
}

HResult ValueObject::put(const std::wstring& name, const Value& value) {
  for (auto& [n, v] : properties_)
    if (equal_nocase_ascii(n, name)) {
      v = value;
      return kS_OK;
    }
  return kWBEM_E_NOT_FOUND;
}

std::vector<std::wstring> ValueObject::property_names() const {
  std::vector<std::wstring> names;
  for (const auto& [n, v] : properties_) names.push_back(n);
  return names;
}

HResult ValueObject::spawn_instance(ObjectPtr& /*out*/) const { return kWBEM_E_FAILED; }

HResult ValueObject::get_method(const std::wstring& /*name*/, ObjectPtr& in_class) const {
  in_class.reset();
  return kWBEM_E_NOT_FOUND;
}

HResult ValueObject::inherits_from(std::wstring_view ancestor) const {
  if (equal_nocase_ascii(ancestor, class_name_)) return kS_OK;
  for (const auto& d : derivation_)
    if (equal_nocase_ascii(ancestor, d)) return kS_OK;
  return kWBEM_S_FALSE;
}

}  // namespace wmi
