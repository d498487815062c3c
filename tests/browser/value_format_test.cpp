// Property values and status codes as the WMI browser prints them.
#include <gtest/gtest.h>

#include "browser/value_format.h"
#include "browser/wmi_error_report.h"

using namespace wmi;

namespace {

Value ints(std::uint16_t vt, std::vector<std::int64_t> values) {
  std::vector<Value> elements;
  for (auto v : values) elements.push_back(Value::integral(vt, v));
  return Value::array(vt, std::move(elements));
}

Value texts(std::vector<std::wstring> values) {
  std::vector<Value> elements;
  for (auto& v : values) elements.push_back(Value::bstr(v));
  return Value::array(VT_BSTR, std::move(elements));
}

std::wstring formatted(const Value& v, std::int32_t cim = CIM_EMPTY) {
  return format_value(cim, v, [](const Value&) { return std::wstring(L"<embedded>"); });
}

}  // namespace

TEST(BrowserValues, ScalarsByVariantAndCimType) {
  struct Case {
    Value value;
    std::int32_t cim;
    std::wstring text;
  };
  const Case cases[] = {
      {Value::empty(), CIM_EMPTY, L"<empty>"},
      {Value::null(), CIM_STRING, L"<null>"},
      {Value::i2(-1), CIM_SINT16, L"0xFFFF"},
      {Value::ui1(0xAB), CIM_UINT8, L"0xAB"},
      {Value::integral(VT_UI2, 0x1F), CIM_EMPTY, L"0x1F"},
      {Value::integral(VT_I1, 31), CIM_EMPTY, L"0x1F"},
      {Value::integral(VT_I1, -2), CIM_EMPTY, L"0xFFFE"},
      {Value::integral(VT_I1, 'A'), CIM_EMPTY, L"A"},
      {Value::i4(-1), CIM_SINT32, L"0xFFFFFFFF"},
      {Value::integral(VT_UI4, 0xABCDEF), CIM_UINT32, L"0xABCDEF"},
      {Value::floating(VT_R8, 1.5), CIM_REAL64, L"    1.5000"},
      {Value::floating(VT_R4, -0.25), CIM_REAL32, L"   -0.2500"},
      {Value::boolean(true), CIM_BOOLEAN, L"TRUE"},
      {Value::boolean(false), CIM_BOOLEAN, L"FALSE"},
      {Value::bstr(L"8589934592"), CIM_UINT64, L"0x200000000"},
      {Value::bstr(L"-2"), CIM_SINT64, L"0xFFFFFFFFFFFFFFFE"},
      // Read as unsigned: the largest uint64 is not cut to the largest sint64.
      {Value::bstr(L"18446744073709551615"), CIM_UINT64, L"0xFFFFFFFFFFFFFFFF"},
      {Value::bstr(L"99999999999999999999"), CIM_SINT64, L"0x7FFFFFFFFFFFFFFF"},
      {Value::bstr(L"8589934592"), CIM_STRING, L"\"8589934592\""},
      {Value::bstr(L""), CIM_STRING, L"\"\""},
      {Value::unknown(nullptr), CIM_OBJECT, L"<embedded>"},
      {Value::integral(VT_I8, 5), CIM_EMPTY, L"<conversion error>"},
      {Value::floating(VT_DATE, 5), CIM_EMPTY, L"<conversion error>"},
  };
  for (const auto& c : cases) EXPECT_EQ(formatted(c.value, c.cim), c.text) << c.value.vt;
}

TEST(BrowserValues, ArraysByElementType) {
  struct Case {
    Value value;
    std::int32_t cim;
    std::wstring text;
  };
  const Case cases[] = {
      {ints(VT_BOOL, {-1, 0}), CIM_BOOLEAN | CIM_FLAG_ARRAY, L"TRUE,FALSE"},
      {ints(VT_UI1, {1, 0, 2}), CIM_UINT8 | CIM_FLAG_ARRAY, L"0x0102"},  // the zero byte contributes nothing
      {ints(VT_I1, {-1, 0x7F}), CIM_EMPTY, L"0xFF7F"},
      {texts({L"a", L"b c"}), CIM_STRING | CIM_FLAG_ARRAY, L"\"a\",\"b c\""},
      {texts({L"17", L"0", L"-1"}), CIM_SINT64 | CIM_FLAG_ARRAY, L"11,,FFFFFFFFFFFFFFFF"},
      {texts({L"18446744073709551615"}), CIM_UINT64 | CIM_FLAG_ARRAY, L"FFFFFFFFFFFFFFFF"},
      // 16-bit elements: hexadecimal, unless every non-zero one is a printable character.
      {ints(VT_I2, {1, 0, 0x1F}), CIM_SINT16 | CIM_FLAG_ARRAY, L"0x1,,0x1F"},
      {ints(VT_UI2, {'P', 'M', 0}), CIM_EMPTY, L"PM"},
      {ints(VT_I2, {0, 0}), CIM_SINT16 | CIM_FLAG_ARRAY, L""},
      // 32-bit elements (uint16 arrays as WMI serves them): lower-case digits after one 0x.
      {ints(VT_I4, {1, 0, 0x1F, -1}), CIM_UINT16 | CIM_FLAG_ARRAY, L"0x11fffffffff"},
      {ints(VT_I4, {'P', 'a', 'r', 't', 0}), CIM_UINT16 | CIM_FLAG_ARRAY, L"Part"},
      {ints(VT_I4, {0x10041}), CIM_SINT32 | CIM_FLAG_ARRAY, L"0x10041"},  // no character
      {ints(VT_UI4, {1, 0, 23, 4294967295}), CIM_EMPTY, L"1234294967295"},
      {Value::array(VT_R8, {Value::floating(VT_R8, 2), Value::floating(VT_R8, 0)}), CIM_REAL64 | CIM_FLAG_ARRAY,
       L"    2.0000,"},
      {Value::array(VT_UI1, {}), CIM_UINT8 | CIM_FLAG_ARRAY, L"<empty array>"},
      {Value::array(VT_UNKNOWN, {}), CIM_OBJECT | CIM_FLAG_ARRAY, L"<embedded>"},
      {ints(VT_I8, {1}), CIM_EMPTY, L"<conversion error>"},
      {Value::array(VT_DECIMAL, {}), CIM_EMPTY, L"<conversion error>"},
  };
  for (const auto& c : cases) EXPECT_EQ(formatted(c.value, c.cim), c.text) << c.value.vt;
}

TEST(BrowserValues, StatusNamesInsideAndOutsideTheTable) {
  const std::pair<std::uint32_t, const char*> cases[] = {
      {0, "WBEM_NO_ERROR/WBEM_S_NO_ERROR/WBEM_S_SAME"},
      {1, "WBEM_S_FALSE"},
      {0x40001, "WBEM_S_ALREADY_EXISTS"},
      {0x40006, "WBEM_OPERATION_CANCELLED"},
      {0x40008, "WBEM_S_DUPLICATE_OBJECTS"},
      {0x80041001, "WBEM_E_FAILED"},
      {0x80041002, "WBEM_E_NOT_FOUND"},
      {0x80041015, "WBEM_E_TRANSPORT_FAILURE"},
      {0x80041030, "WBEM_E_SYSTEM_PROPERTY"},
      {0x8004103A, "WBEM_E_INVALID_OBJECT_PATH"},
      {0x80042001, "WBEMESS_E_REGISTRATION_TOO_BROAD"},
      {0x80042002, "WBEMESS_E_REGISTRATION_TOO_PRECISE"},
      {0x80041000, "0x80041000"},
      {0x8004103B, "0x8004103b"},
      {0x800706BA, "0x800706ba"},
      {0x40009, "0x40009"},
      {2, "0x2"},
  };
  for (const auto& [code, name] : cases) EXPECT_EQ(wbem_error_name(hr_from_bits(code)), name) << std::hex << code;
}
