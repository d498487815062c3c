#include "browser/value_format.h"

#include <cstdio>
#include <limits>

#include "text/hex_digits.h"

using wmi::Value;

namespace {

// Hexadecimal digits of a value, at least `digits` of them.
std::wstring hex_digits(std::uint64_t v, bool upper, unsigned digits = 1) {
  std::string text;
  append_hex(text, v, digits, upper);
  return std::wstring(text.begin(), text.end());
}

std::wstring hex16(std::int64_t v) { return L"0x" + hex_digits(static_cast<std::uint16_t>(v), true); }

std::wstring fixed(double v) {
  int needed = std::snprintf(nullptr, 0, "%10.4f", v);
  std::string text(needed > 0 ? static_cast<std::size_t>(needed) : 0, '\0');
  if (needed > 0) std::snprintf(text.data(), text.size() + 1, "%10.4f", v);
  return std::wstring(text.begin(), text.end());  // digits, sign and point only
}

const wchar_t* truth(std::int64_t v) { return v != 0 ? L"TRUE" : L"FALSE"; }

bool is_64bit(std::int32_t cim) {
  const std::int32_t base = cim & ~wmi::CIM_FLAG_ARRAY;
  return base == wmi::CIM_SINT64 || base == wmi::CIM_UINT64;
}

std::uint64_t bits64(std::int32_t cim, const std::wstring& text) {
  return cim64_bits(text, (cim & ~wmi::CIM_FLAG_ARRAY) == wmi::CIM_UINT64);
}

std::wstring hex64(std::uint64_t v) { return hex_digits(v, true); }

// A character the console can show: no control character, no surrogate half, no
// noncharacter.
bool printable(std::uint32_t c) {
  return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c < 0xD800) || (c >= 0xE000 && c < 0xFFFE);
}

// Integer arrays whose non-zero elements may all be characters of a name: printed
// as that text instead of numbers.
struct CharacterText {
  std::wstring text;
  bool all_printable = true;
  void add(std::uint32_t c) {
    if (!printable(c)) all_printable = false;
    else text += static_cast<wchar_t>(c);
  }
};

std::wstring format_array(std::int32_t cim, const Value& value) {
  const auto& elements = value.elements;
  std::wstring out;
  auto separated = [&](std::size_t i) {
    if (i > 0) out += L",";
  };
  switch (value.element_type()) {
    case wmi::VT_I2:
    case wmi::VT_UI2: {
      CharacterText chars;
      for (std::size_t i = 0; i < elements.size(); ++i) {
        separated(i);
        const auto v = static_cast<std::uint16_t>(elements[i].integer);
        if (v == 0) continue;
        out += hex16(v);
        chars.add(v);
      }
      return chars.all_printable ? chars.text : out;
    }
    case wmi::VT_I4: {
      CharacterText chars;
      out = L"0x";
      for (const auto& e : elements) {
        const auto v = static_cast<std::uint32_t>(e.integer);
        if (v == 0) continue;
        out += hex_digits(v, false);
        chars.add(v);
      }
      return chars.all_printable ? chars.text : out;
    }
    case wmi::VT_UI4:
      for (const auto& e : elements)
        if (static_cast<std::uint32_t>(e.integer) != 0) out += std::to_wstring(static_cast<std::uint32_t>(e.integer));
      return out;
    case wmi::VT_R4:
    case wmi::VT_R8:
      for (std::size_t i = 0; i < elements.size(); ++i) {
        separated(i);
        if (elements[i].real != 0) out += fixed(elements[i].real);
      }
      return out;
    case wmi::VT_BOOL:
      for (std::size_t i = 0; i < elements.size(); ++i) {
        separated(i);
        out += truth(elements[i].integer);
      }
      return out;
    case wmi::VT_I1:
    case wmi::VT_UI1:
      out = L"0x";
      for (const auto& e : elements)
        if (static_cast<std::uint8_t>(e.integer) != 0)
          out += hex_digits(static_cast<std::uint8_t>(e.integer), true, 2);
      return out;
    case wmi::VT_BSTR:
      for (std::size_t i = 0; i < elements.size(); ++i) {
        separated(i);
        if (!is_64bit(cim)) {
          out += L"\"" + elements[i].text + L"\"";
        } else if (auto bits = bits64(cim, elements[i].text); bits != 0) {
          out += hex64(bits);
        }
      }
      return out;
    default: return L"<conversion error>";
  }
}

bool is_listed_array_type(std::uint16_t element) {
  switch (element) {
    case wmi::VT_I2:
    case wmi::VT_UI2:
    case wmi::VT_I4:
    case wmi::VT_UI4:
    case wmi::VT_R4:
    case wmi::VT_R8:
    case wmi::VT_BOOL:
    case wmi::VT_I1:
    case wmi::VT_UI1:
    case wmi::VT_BSTR: return true;
    default: return false;
  }
}

}  // namespace

std::uint64_t cim64_bits(const std::wstring& text, bool is_unsigned) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t magnitude = 0;
  bool overflow = false;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    const auto digit = static_cast<std::uint64_t>(text[i] - L'0');
    if (magnitude > (kMax - digit) / 10) overflow = true;
    else magnitude = magnitude * 10 + digit;
  }
  if (is_unsigned) {
    if (overflow) magnitude = kMax;
    return negative ? ~magnitude + 1 : magnitude;
  }
  constexpr std::uint64_t kMaxSigned = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  if (negative) return overflow || magnitude > kMaxSigned + 1 ? kMaxSigned + 1 : ~magnitude + 1;
  return overflow || magnitude > kMaxSigned ? kMaxSigned : magnitude;
}

std::wstring format_value(std::int32_t cim, const Value& value, const EmbeddedFormatter& embedded) {
  if (value.is_array()) {
    if (value.element_type() == wmi::VT_UNKNOWN) return embedded(value);
    if (!is_listed_array_type(value.element_type())) return L"<conversion error>";
    if (value.elements.empty()) return L"<empty array>";
    return format_array(cim, value);
  }
  switch (value.vt) {
    case wmi::VT_EMPTY: return L"<empty>";
    case wmi::VT_NULL: return L"<null>";
    case wmi::VT_I2:
    case wmi::VT_UI1:
    case wmi::VT_UI2: return hex16(value.integer);
    case wmi::VT_I1:
      if (value.integer < 32) return hex16(value.integer);
      return std::wstring(1, static_cast<wchar_t>(value.integer));
    case wmi::VT_I4:
    case wmi::VT_UI4: return L"0x" + hex_digits(static_cast<std::uint32_t>(value.integer), true);
    case wmi::VT_R4:
    case wmi::VT_R8: return fixed(value.real);
    case wmi::VT_BOOL: return truth(value.integer);
    case wmi::VT_BSTR:
      if (is_64bit(cim)) return L"0x" + hex64(bits64(cim, value.text));
      return L"\"" + value.text + L"\"";
    case wmi::VT_UNKNOWN: return embedded(value);
    default: return L"<conversion error>";
  }
}
