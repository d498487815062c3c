#include "wmi/wmi_value.h"

namespace wmi {

Value Value::null() {
  Value v;
  v.vt = VT_NULL;
  return v;
}

Value Value::i4(std::int32_t x) {
  Value v;
  v.vt = VT_I4;
  v.integer = x;
  return v;
}

Value Value::ui1(std::uint8_t x) {
  Value v;
  v.vt = VT_UI1;
  v.integer = x;
  return v;
}

Value Value::i2(std::int16_t x) {
  Value v;
  v.vt = VT_I2;
  v.integer = x;
  return v;
}

Value Value::boolean(bool x) {
  Value v;
  v.vt = VT_BOOL;
  v.integer = x ? -1 : 0;  // VARIANT_TRUE
  return v;
}

Value Value::bstr(std::wstring x) {
  Value v;
  v.vt = VT_BSTR;
  v.text = std::move(x);
  return v;
}

Value Value::unknown(std::shared_ptr<Object> obj) {
  Value v;
  v.vt = VT_UNKNOWN;
  v.object = std::move(obj);
  return v;
}

Value Value::integral(std::uint16_t type, std::int64_t x) {
  Value v;
  v.vt = type;
  v.integer = x;
  return v;
}

Value Value::floating(std::uint16_t type, double x) {
  Value v;
  v.vt = type;
  v.real = x;
  return v;
}

Value Value::array(std::uint16_t element_vt, std::vector<Value> elements) {
  Value v;
  v.vt = static_cast<std::uint16_t>(VT_ARRAY | element_vt);
  v.elements = std::move(elements);
  return v;
}

void Value::reset(std::uint16_t type) {
  vt = type;
  cim_type = CIM_EMPTY;
  integer = 0;
  real = 0;
  text.clear();
  decimal = {};
  object.reset();
  elements.clear();
}

std::uint64_t Value::as_u64_text() const {
  if (vt == VT_BSTR) return decimal_text_to_u64(text);
  return static_cast<std::uint64_t>(integer);
}

std::uint64_t decimal_text_to_u64(const std::wstring& text) {
  std::uint64_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') break;
    value = value * 10 + static_cast<std::uint64_t>(c - L'0');
  }
  return value;
}

std::wstring u64_to_decimal_text(std::uint64_t value) { return std::to_wstring(value); }

std::string vartype_name(std::uint16_t vt) {
  std::string prefix;
  if (vt & VT_ARRAY) prefix = "VT_ARRAY|";
  switch (vt & ~VT_ARRAY) {
    case VT_EMPTY: return prefix + "VT_EMPTY";
    case VT_NULL: return prefix + "VT_NULL";
    case VT_I2: return prefix + "VT_I2";
    case VT_I4: return prefix + "VT_I4";
    case VT_R4: return prefix + "VT_R4";
    case VT_R8: return prefix + "VT_R8";
    case VT_CY: return prefix + "VT_CY";
    case VT_DATE: return prefix + "VT_DATE";
    case VT_ERROR: return prefix + "VT_ERROR";
    case VT_VARIANT: return prefix + "VT_VARIANT";
    case VT_DECIMAL: return prefix + "VT_DECIMAL";
    case VT_BSTR: return prefix + "VT_BSTR";
    case VT_BOOL: return prefix + "VT_BOOL";
    case VT_UNKNOWN: return prefix + "VT_UNKNOWN";
    case VT_I1: return prefix + "VT_I1";
    case VT_UI1: return prefix + "VT_UI1";
    case VT_UI2: return prefix + "VT_UI2";
    case VT_UI4: return prefix + "VT_UI4";
    case VT_I8: return prefix + "VT_I8";
    case VT_UI8: return prefix + "VT_UI8";
    case VT_INT: return prefix + "VT_INT";
    case VT_UINT: return prefix + "VT_UINT";
    default: return prefix + "VT_" + std::to_string(vt & ~VT_ARRAY);
  }
}

}  // namespace wmi
