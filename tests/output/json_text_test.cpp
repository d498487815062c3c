// The values of the machine-readable output: 64-bit numbers exact past what a JSON
// reader holds, and valid UTF-8 from every kind of text pathmgr handles.
#include "output/json_text.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <limits>

namespace {

nlohmann::json written(const std::function<void(JsonText&)>& write) {
  JsonText json;
  json.begin_array();
  write(json);
  json.end_array();
  EXPECT_TRUE(json.complete());
  return nlohmann::json::parse(json.str()).at(0);  // throws on invalid UTF-8
}

}  // namespace

TEST(JsonText, IntegersPastTwoToTheFiftyThreeAreDecimalText) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  const std::pair<std::uint64_t, nlohmann::json> unsigned_cases[] = {
      {0, 0}, {kLargestExactJsonInteger, 9007199254740991u}, {kLargestExactJsonInteger + 1, "9007199254740992"},
      {kMax, "18446744073709551615"}};
  for (const auto& [value, expected] : unsigned_cases) EXPECT_EQ(written([&](JsonText& j) { j.number(value); }), expected);
  const std::pair<std::int64_t, nlohmann::json> signed_cases[] = {
      {-1, -1}, {-9007199254740991, -9007199254740991}, {-9007199254740992, "-9007199254740992"},
      {kMin, "-9223372036854775808"}};
  for (const auto& [value, expected] : signed_cases) EXPECT_EQ(written([&](JsonText& j) { j.number(value); }), expected);
  EXPECT_TRUE(written([](JsonText& j) { j.real(std::numeric_limits<double>::infinity()); }).is_null());
}

TEST(JsonText, EveryTextBecomesValidUtf8) {
  // Bytes that are no UTF-8 become U+FFFD; control characters and quotes are escaped.
  EXPECT_EQ(written([](JsonText& j) { j.utf8(std::string("a\xff" "b\xc3", 4)); }), "a\uFFFDb\uFFFD");
  EXPECT_EQ(written([](JsonText& j) { j.utf8(std::string("q\"\\\n\0z", 6)); }), std::string("q\"\\\n\0z", 6));
  // A serial number narrowed from a WMI string a character per byte: Latin-1.
  EXPECT_EQ(written([](JsonText& j) { j.narrowed("S\xe9rie\xff"); }), "S\u00e9rie\u00ff");
  // WMI strings: non-ASCII characters, and a lone surrogate half (no character) as U+FFFD.
  EXPECT_EQ(written([](JsonText& j) { j.wide(L"Contr\u00f4leur \u65ad"); }), "Contr\u00f4leur \u65ad");
  EXPECT_EQ(written([](JsonText& j) { j.wide(std::wstring(1, static_cast<wchar_t>(0xD800))); }), "\uFFFD");
  // Console text and typed words on this platform are UTF-8.
  EXPECT_EQ(written([](JsonText& j) { j.console("\xe2\x82\xac\x80"); }), "\u20AC\uFFFD");
  EXPECT_EQ(written([](JsonText& j) { j.typed("w\xc3\xb6rd"); }), "w\u00f6rd");
}

TEST(JsonText, HexadecimalTexts) {
  EXPECT_EQ(written([](JsonText& j) { j.hex(0x1F, 8); }), "0000001F");
  EXPECT_EQ(written([](JsonText& j) { j.hex(0x123456789, 8); }), "123456789");
  const std::uint8_t bytes[] = {0x00, 0x0A, 0xFF};
  EXPECT_EQ(written([&](JsonText& j) { j.hex_bytes(bytes, sizeof bytes); }), "000AFF");
  EXPECT_EQ(written([&](JsonText& j) { j.hex_bytes(nullptr, 0); }), "");
}
