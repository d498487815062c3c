#include "wmi/sim_system_properties.h"

#include "simstack/state_file/sim_host.h"
#include "text/text_convert.h"

namespace wmi {

namespace {

// A key value inside an object path: strings quoted, with backslashes and quotes escaped.
std::string key_text(const simstack::Json& value) {
  if (value.IsString()) {
    std::string out = "\"";
    for (char c : simstack::text_of(value)) {
      if (c == '\\' || c == '"') out += '\\';
      out += c;
    }
    return out + "\"";
  }
  if (value.IsBool()) return value.GetBool() ? "TRUE" : "FALSE";
  return simstack::json_text(value);
}

}  // namespace

Value string_or_null(const std::string& text) {
  Value v = text.empty() ? Value::null() : Value::bstr(widen_utf8(text));
  v.cim_type = CIM_STRING;
  return v;
}

std::string relative_path(const SimObjectView& object) {
  if (object.schema == nullptr || object.node == nullptr) return {};
  std::string keys;
  for (const auto& p : object.schema->properties) {
    if (!p.key) continue;
    const simstack::Json* value = simstack::member_nocase(*object.node, p.name);
    if (value == nullptr || value->IsNull()) return {};
    keys += (keys.empty() ? "" : ",") + p.name + "=" + key_text(*value);
  }
  return std::string(object.class_name) + (keys.empty() ? "=@" : "." + keys);
}

HResult system_property(std::string_view name, const SimObjectView& object, Value& out) {
  const bool placed = object.origin != nullptr;
  std::string relpath;
  if (placed) relpath = object.is_class ? std::string(object.class_name) : relative_path(object);
  if (simstack::equal_nocase(name, "__CLASS")) {
    out = string_or_null(std::string(object.class_name));
  } else if (simstack::equal_nocase(name, "__GENUS")) {
    out = Value::i4(object.is_class ? 1 : 2);
    out.cim_type = CIM_SINT32;
  } else if (simstack::equal_nocase(name, "__SERVER")) {
    out = string_or_null(placed ? object.origin->server : std::string());
  } else if (simstack::equal_nocase(name, "__NAMESPACE")) {
    out = string_or_null(placed ? object.origin->ns : std::string());
  } else if (simstack::equal_nocase(name, "__RELPATH")) {
    out = string_or_null(relpath);
  } else if (simstack::equal_nocase(name, "__PATH")) {
    out = string_or_null(relpath.empty() ? relpath : "\\\\" + object.origin->server + "\\" + object.origin->ns + ":" + relpath);
  } else {
    return kWBEM_E_NOT_FOUND;
  }
  return kS_OK;
}

}  // namespace wmi
