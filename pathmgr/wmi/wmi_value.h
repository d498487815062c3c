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
  VT_BSTR = 8,
  VT_BOOL = 11,
  VT_UNKNOWN = 13,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_ARRAY = 0x2000,
};

struct Value {
  std::uint16_t vt = VT_EMPTY;
  std::int64_t integer = 0;              // every integer type; VT_BOOL holds 0 or -1
  std::wstring text;                     // VT_BSTR
  std::shared_ptr<Object> object;        // VT_UNKNOWN (may be null inside arrays)
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
