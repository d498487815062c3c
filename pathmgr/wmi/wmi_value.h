// A property value as WMI hands it over (the VARIANT forms the program relies on),
// independent of the backend that produced it.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace wmi {

class Object;

// VARIANT type codes, with the values they have on Windows.
enum VarType : std::uint16_t {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_CY = 6,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_DECIMAL = 14,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_ARRAY = 0x2000,
};

// CIM types (CIMTYPE_ENUMERATION) that IWbemClassObject::Get reports beside the value.
enum CimType : std::int32_t {
  CIM_EMPTY = 0,
  CIM_SINT16 = 2,
  CIM_SINT32 = 3,
  CIM_REAL32 = 4,
  CIM_REAL64 = 5,
  CIM_STRING = 8,
  CIM_BOOLEAN = 11,
  CIM_OBJECT = 13,
  CIM_SINT8 = 16,
  CIM_UINT8 = 17,
  CIM_UINT16 = 18,
  CIM_UINT32 = 19,
  CIM_SINT64 = 20,
  CIM_UINT64 = 21,
  CIM_DATETIME = 101,
  CIM_REFERENCE = 102,
  CIM_CHAR16 = 103,
  CIM_FLAG_ARRAY = 0x2000,
};

// A DECIMAL as the VARIANT holds it: a 96-bit magnitude, a power-of-ten scale, a sign.
struct Decimal {
  std::uint64_t low = 0;
  std::uint32_t high = 0;
  std::uint8_t scale = 0;
  bool negative = false;
  bool operator==(const Decimal&) const = default;
};

// One value with the member its VARIANT type uses: `integer` for every integer type
// (VT_I1 ... VT_UI8, VT_INT, VT_UINT, VT_ERROR; VT_CY its scaled 64-bit integer;
// VT_BOOL 0 or -1; VT_UI8 its bit pattern), `real` for VT_R4, VT_R8 and VT_DATE,
// `text` for VT_BSTR, `decimal` for VT_DECIMAL, `object` for VT_UNKNOWN, and
// `elements` for arrays. Under VT_ARRAY|VT_VARIANT each element carries its own type.
struct Value {
  std::uint16_t vt = VT_EMPTY;
  std::int32_t cim_type = CIM_EMPTY;     // from Get where the backend knows it; 0 otherwise
  std::int64_t integer = 0;
  double real = 0;
  std::wstring text;
  Decimal decimal;
  std::shared_ptr<Object> object;        // may be null (a null element of an object array)
  std::vector<Value> elements;           // VT_ARRAY: element type is vt & ~VT_ARRAY

  static Value empty() { return {}; }
  static Value null();
  static Value i4(std::int32_t v);
  static Value ui1(std::uint8_t v);
  static Value i2(std::int16_t v);
  static Value boolean(bool v);
  static Value bstr(std::wstring v);
  static Value unknown(std::shared_ptr<Object> obj);
  static Value array(std::uint16_t element_vt, std::vector<Value> elements);
  // Any integer type (VT_I1 ... VT_UINT, VT_ERROR, VT_CY), the value as that type holds it.
  static Value integral(std::uint16_t vt, std::int64_t v);
  // VT_R4, VT_R8 or VT_DATE.
  static Value floating(std::uint16_t vt, double v);

  // Makes this an empty value of type `type` in place: cheaper than assigning a new
  // Value, for the backends that fill thousands of them.
  void reset(std::uint16_t type);

  bool is_array() const { return (vt & VT_ARRAY) != 0; }
  std::uint16_t element_type() const { return static_cast<std::uint16_t>(vt & ~VT_ARRAY); }
  bool is_missing() const { return vt == VT_EMPTY || vt == VT_NULL; }

  // The members the readers take, as the matching VARIANT union member would give
  // them: a 32-bit integer, a byte, a 16-bit integer, a flag.
  std::int32_t as_i32() const { return static_cast<std::int32_t>(integer); }
  std::uint32_t as_u32() const { return static_cast<std::uint32_t>(integer); }
  std::uint16_t as_u16() const { return static_cast<std::uint16_t>(integer); }
  std::uint8_t as_u8() const { return static_cast<std::uint8_t>(integer); }
  bool as_flag() const { return integer != 0; }
  // 64-bit numbers travel as decimal text: digits up to the first non-digit, empty -> 0.
  std::uint64_t as_u64_text() const;
};

// Decimal wide text to unsigned 64-bit: stops at the first non-digit; no digits give 0.
std::uint64_t decimal_text_to_u64(const std::wstring& text);
std::wstring u64_to_decimal_text(std::uint64_t value);

// "VT_I4", "VT_ARRAY|VT_UNKNOWN", ...: the names the simulated journal uses.
std::string vartype_name(std::uint16_t vt);

}  // namespace wmi
