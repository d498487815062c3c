// The host file's reader against the Json library's own parser: the same texts
// accepted, the same values with the same number types; arrays handed over one
// element at a time, with or without a second thread.
#include "simstack/json_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "simstack/instance_prefetch.h"

using simstack::ArrayRead;
using simstack::Json;

namespace {

// Equal values of equal types all the way down (1, 1u and 1.0 compare equal as Json).
bool same_typed(const Json& a, const Json& b) {
  if (a.type() != b.type() || a != b) return false;
  if (a.is_array())
    for (std::size_t i = 0; i < a.size(); ++i)
      if (!same_typed(a[i], b[i])) return false;
  if (a.is_object())
    for (auto it = a.begin(); it != a.end(); ++it)
      if (!same_typed(it.value(), b.at(it.key()))) return false;
  return true;
}

}  // namespace

TEST(JsonReader, ReadsWhatTheJsonLibraryReads) {
  const std::vector<std::string> texts = {
      // numbers at the edges of each type
      "0", "-0", "-0.0", "18446744073709551615", "18446744073709551616", "-9223372036854775808",
      "-9223372036854775809", "4294967296", "-2147483649", "1.0", "1e2", "0.1", "2.2250738585072011e-308",
      "1.7976931348623157e308", "1e-400", "1e400", "123456789012345678901234567890", "01", "1.", "-", ".5", "+1",
      "1e", "NaN", "Infinity",
      // strings: escapes, code points, control characters, broken UTF-8
      R"("a\"b\\c\/d\b\f\n\r\t")", R"("\u0000x")", R"("\u00e9\u20ac")", R"("\ud83d\ude00")", R"("\udc00")",
      R"("\ud800")", R"("\ud800\u0041")", R"("\x")", R"("\u12")", "\"\x01\"", "\"\xC3\xA9\"", "\"\xC0\x80\"",
      "\"\xED\xA0\x80\"", "\"\xF4\x8F\xBF\xBF\"", "\"\xF4\x90\x80\x80\"", "\"\xFF\"", "\"\xE2\x82\"", "\"abc",
      // structure
      "[]", "{}", " \t\r\n[1, [2, {\"k\": [true, false, null]}]] \n", R"({"a": 1, "a": 2})", "[1,]",
      R"({"a": 1,})", "[1 2]", "{\"a\" 1}", "{1: 2}", "[1] [2]", "[1] x", "", " ", "// c\n1", "/* c */ 1", "[1]/**/",
      "\xEF\xBB\xBF[1]", "\xEF\xBB\xBF", "tru", "nulls", "[\"a\\u0000\"]"};
  for (const std::string& text : texts) {
    const Json expected = Json::parse(text, nullptr, false);
    const std::optional<Json> got = simstack::read_json(text);
    ASSERT_EQ(got.has_value(), !expected.is_discarded()) << text;
    EXPECT_EQ(simstack::is_valid_json(text), got.has_value()) << text;
    if (got) {
      EXPECT_TRUE(same_typed(*got, expected)) << text << " -> " << got->dump();
    }
  }
}

TEST(JsonReader, ArraysAreHandedOverOneElementAtATime) {
  struct Case {
    const char* text;
    std::size_t stop_after;  // elements taken before stopping (-1: all)
    ArrayRead result;
    const char* taken;  // the elements handed over, as an array
  };
  const std::size_t all = static_cast<std::size_t>(-1);
  for (const Case& c : {Case{R"([1, {"a": [2, {"b": null}]}, "x", [[]]])", all, ArrayRead::Done,
                             R"([1, {"a": [2, {"b": null}]}, "x", [[]]])"},
                        Case{"[]", all, ArrayRead::Done, "[]"}, Case{"[1, 2, 3]", 1, ArrayRead::Stopped, "[1]"},
                        Case{R"([{"a": 1}, {"a": 01}])", all, ArrayRead::Invalid, R"([{"a": 1}])"},
                        Case{"[1, 2", all, ArrayRead::Invalid, "[1, 2]"}, Case{"[1] 2", all, ArrayRead::Invalid, "[1]"},
                        Case{"5", all, ArrayRead::Invalid, "[]"}, Case{R"({"a": [1]})", all, ArrayRead::Invalid, "[]"}}) {
    Json taken = Json::array();
    const ArrayRead result = simstack::read_json_array(c.text, [&](Json&& element) {
      taken.push_back(std::move(element));
      return taken.size() != c.stop_after;
    });
    EXPECT_EQ(result, c.result) << c.text;
    EXPECT_TRUE(same_typed(taken, Json::parse(c.taken))) << c.text << " -> " << taken.dump();
  }
}

// The second thread gives the same instances in order, stops when the walker leaves
// early (its batches freed, no thread left behind), and reports broken text.
TEST(JsonReader, InstancesParsedAheadArriveInOrder) {
  Json list = Json::array();
  for (int i = 0; i < 1000; ++i) list.push_back({{"n", i}, {"name", "instance " + std::to_string(i)}});
  const std::string text = list.dump();
  {
    simstack::InstancePrefetch ahead(text);
    Json seen = Json::array();
    while (auto instance = ahead.next()) seen.push_back(*instance);
    EXPECT_EQ(ahead.result(), ArrayRead::Done);
    EXPECT_TRUE(same_typed(seen, Json::parse(text)));
  }
  for (int taken : {0, 1, 500}) {
    simstack::InstancePrefetch ahead(text);
    for (int i = 0; i < taken; ++i) ASSERT_EQ((*ahead.next())["n"], i);
  }
  const std::string broken = text.substr(0, text.size() / 2);
  simstack::InstancePrefetch ahead(broken);
  std::size_t seen = 0;
  while (ahead.next()) ++seen;
  EXPECT_EQ(ahead.result(), ArrayRead::Invalid);
  EXPECT_GT(seen, 400u);
}
