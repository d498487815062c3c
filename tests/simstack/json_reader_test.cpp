// The host file's reader against the Json library's own parser: the same texts
// accepted, the same values with the same number types; arrays split into element
// spans, and their instances parsed ahead on a second thread.
#include "simstack/json_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "json_same_typed.h"
#include "simstack/instance_prefetch.h"
#include "simstack/json_spans.h"
#include "simstack/json_tape.h"
#include "simstack/sim_host.h"

using simstack::Json;

TEST(JsonReader, ReadsWhatTheJsonLibraryReads) {
  const std::vector<std::string> texts = {
      // numbers at the edges of each type
      "0", "-0", "-0.0", "18446744073709551615", "18446744073709551616", "-9223372036854775808",
      "-9223372036854775809", "4294967296", "-2147483649", "1.0", "1e2", "0.1", "2.2250738585072011e-308",
      "1.7976931348623157e308", "1e-400", "1e400", "123456789012345678901234567890", "01", "1.", "-", ".5", "+1",
      "1e", "NaN", "Infinity", "0E88", "0.000e-300", "-0e400", "0.0000000000000000000000001e30", "10e308",
      "123456789012345678", "1234567890123456789", "-1234567890123456789", "9223372036854775807",
      "1" + std::string(308, '0'), "1" + std::string(309, '0'), "[1" + std::string(320, '0') + ", 2]",
      // strings: escapes, code points, control characters, broken UTF-8
      R"("a\"b\\c\/d\b\f\n\r\t")", R"("\u0000x")", R"("\u00e9\u20ac")", R"("\ud83d\ude00")", R"("\udc00")",
      R"("\ud800")", R"("\ud800\u0041")", R"("\x")", R"("\u12")", "\"\x01\"", "\"\xC3\xA9\"", "\"\xC0\x80\"",
      "\"\xED\xA0\x80\"", "\"\xF4\x8F\xBF\xBF\"", "\"\xF4\x90\x80\x80\"", "\"\xFF\"", "\"\xE2\x82\"", "\"abc",
      // structure
      "[]", "{}", " \t\r\n[1, [2, {\"k\": [true, false, null]}]] \n", R"({"a": 1, "a": 2})", "[1,]",
      R"({"a": 1,})", "[1 2]", "{\"a\" 1}", "{1: 2}", "[1] [2]", "[1] x", "", " ", "// c\n1", "/* c */ 1", "[1]/**/",
      "\xEF\xBB\xBF[1]", "\xEF\xBB\xBF", "tru", "nulls", "[\"a\\u0000\"]",
      // the edges of the plain texts read without the general lexer, and their faults
      "\"\x7F\"", "\"a\tb\"", R"(["a\"b", "\\", "x\/y\n"])", R"("abc\")", R"(["abc\)", "[-01]", "[-]", "[1.]",
      "-123456789012345678", "[[], {}, [{}], {\"a\": {}, \"b\": []}]", "{ }", "[ ]", " { \"a\" : 1 , \"b\" : [ 1 , 2 ] } ",
      "{\"a\": 1}}", "[1]]", "{\"a\": 1]", "[1}", "{\"a\", 1}", "{,}", "[,1]", "{\"a\":}", "{\"a\"", "{\"a\":",
      "[tru]", "[nul]", "[falsey]", "[truex]", "{\"\": 0}", "[\"abcdefgh\", \"abcdefghijklmnop\\\"\", \"abcdefg\\u0041\"]"};
  for (const std::string& text : texts) {
    const Json expected = Json::parse(text, nullptr, false);
    const std::optional<Json> got = simstack::read_json(text, true);  // as the start of a file
    ASSERT_EQ(got.has_value(), !expected.is_discarded()) << text;
    const bool mark = text.rfind("\xEF\xBB\xBF", 0) == 0;  // only a file may open with one
    EXPECT_EQ(simstack::is_valid_json(text), got.has_value() && !mark) << text;
    EXPECT_EQ(simstack::read_json(text).has_value(), got.has_value() && !mark) << text;
    if (got) {
      EXPECT_TRUE(same_typed(*got, expected)) << text << " -> " << got->dump();
    }
    // The tape a walk reads instances onto takes the same texts and gives the same values.
    const auto tape = simstack::JsonTapeReader().read(text);
    ASSERT_EQ(tape.has_value(), got.has_value() && !mark) << text;
    if (tape) {
      EXPECT_TRUE(same_typed(tape->root().to_json(), expected)) << text;
    }
  }
}

// A member found on a tape is the one the Json object of the same text gives: the exact
// name first, else the first name in byte order equal in any case; the last of repeats.
TEST(JsonReader, TapeMembersAreFoundAsInAJsonObject) {
  const std::string text =
      R"({"Name": 1, "name": 2, "NAME": 3, "b": [{"x": 1}, 2], "B": {"y": {}}, "name": 4, "Ab": 5, "aB": 6, "aB": 7, "ab\u00e9": 8})";
  const Json json = Json::parse(text);
  const auto tape = simstack::JsonTapeReader().read(text);
  ASSERT_TRUE(tape);
  for (const char* name : {"Name", "name", "NAME", "nAmE", "b", "B", "AB", "ab", "aB", "Ab", "x", "", "ab\xC3\xA9"}) {
    const Json* want = simstack::find_member_nocase(json, name);
    const auto got = tape->root().member_nocase(name);
    ASSERT_EQ(static_cast<bool>(got), want != nullptr) << name;
    if (got) {
      EXPECT_TRUE(same_typed(got.to_json(), *want)) << name;
    }
  }
  EXPECT_EQ(tape->root().member("name").to_json(), 4);
  EXPECT_FALSE(tape->root().member("NaMe"));
  EXPECT_EQ(tape->root().member_nocase("B").shallow_json(), Json::object());
  EXPECT_EQ(tape->root().member_nocase("b").shallow_json(), Json::parse("[{}, 2]"));
  EXPECT_FALSE(tape->root().member_nocase("b").member_nocase("x"));  // an array has no members
}

// A lookup stops at the first match only in objects whose names do not repeat: the
// tape tells them apart in objects of any size, names alike or not.
TEST(JsonReader, TapeRepeatsAreToldInObjectsOfAnySize) {
  for (int size : {3, 40, 63, 64, 65, 100}) {
    for (bool repeat : {false, true}) {
      std::string text = "{";
      for (int i = 0; i < size; ++i) text += "\"k" + std::to_string(i) + "\": " + std::to_string(i) + ", ";
      text += repeat ? "\"k2\": -1}" : "\"last\": -1}";
      const Json json = Json::parse(text);
      const auto tape = simstack::JsonTapeReader().read(text);
      ASSERT_TRUE(tape) << text;
      for (const auto& [name, value] : json.items())
        EXPECT_EQ(tape->root().member(name).to_json(), value) << size << " " << name;
    }
  }
}

// Each element parsed on its own is valid exactly when the array is, and gives the
// array's elements.
TEST(JsonReader, ArraysSplitIntoElementsReadAsTheWholeArray) {
  for (const char* text : {R"([1, {"a": [2, {"b": ","}]}, "x,]", [[]]])", "[]", "[ \n ]", "[1]", " [ 1 , 2 ] ", "[1,]",
                           "[,]", "[,1]", "[1,,2]", "[1 2]", "[tru,e]", R"(["a\"", 1])", "[{]}", "[[1]", "[\"]", "[1]]"}) {
    const std::string_view view(text);
    const std::size_t at = view.find('[');
    const Json expected = Json::parse(view.substr(at), nullptr, false);
    const auto spans = simstack::json_array_spans(view, at);
    if (!spans) {  // brackets that do not match: no valid array either
      EXPECT_TRUE(expected.is_discarded()) << text;
      continue;
    }
    Json elements = Json::array();
    bool valid = view.substr(spans->whole.end).find_first_not_of(" \n") == std::string_view::npos;
    for (const auto& e : spans->elements)
      if (auto element = simstack::read_json(e.of(view)); element && valid)
        elements.push_back(std::move(*element));
      else
        valid = false;
    EXPECT_EQ(valid, !expected.is_discarded()) << text;
    if (valid) {
      EXPECT_TRUE(same_typed(elements, expected)) << text;
    }
  }
}

// The instances come in order whether the walker or the second thread parsed them;
// leaving early stops the thread; broken text gives null where it is.
TEST(JsonReader, InstancesParsedAheadArriveInOrder) {
  Json list = Json::array();
  for (int i = 0; i < 1000; ++i) list.push_back({{"n", i}, {"name", "instance " + std::to_string(i)}});
  std::string text = list.dump();
  const auto spans = simstack::json_array_spans(text, 0);
  ASSERT_TRUE(spans);
  {
    simstack::InstancePrefetch ahead(text, spans->elements);
    Json seen = Json::array();
    while (!ahead.at_end()) seen.push_back(ahead.next()->root().to_json());
    EXPECT_TRUE(same_typed(seen, Json::parse(text)));
  }
  for (int taken : {0, 1, 500}) {
    simstack::InstancePrefetch ahead(text, spans->elements);
    for (int i = 0; i < taken; ++i) ASSERT_EQ(ahead.next()->root().member("n").to_json(), i);
  }
  const std::size_t broken = text.find("\"n\":700");
  text[broken + 4] = 'x';
  simstack::InstancePrefetch ahead(text, spans->elements);
  for (int i = 0; i < 700; ++i) ASSERT_NE(ahead.next(), nullptr);
  EXPECT_EQ(ahead.next(), nullptr);
}

// Whitespace cut to one space outside strings leaves every text as valid or invalid as
// it was, with the same value, however the text is cut into pieces.
TEST(JsonReader, SqueezedTextReadsAsTheOriginal) {
  for (std::string text : {"{\n \"a\": [\n  1,\n  2\n ],\n \"b\": \"x  \\\"  y\\\\\"\n}\n", "1 2", "[1\n\t,\r\n2]",
                           "tr ue", "\"a\\\"   b\"  ", "{\"k\":\"\\\\\"  ,  \"l\": - 1}", "  \"open   ", "[\"\\u0041  \"]"}) {
    const Json expected = Json::parse(text, nullptr, false);
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
      std::string squeezed;
      simstack::JsonWhitespaceSqueeze squeeze;
      squeeze.feed(std::string_view(text).substr(0, cut), squeezed);
      squeeze.feed(std::string_view(text).substr(cut), squeezed);
      if (text.find('"') == std::string::npos) {
        EXPECT_EQ(squeezed.find_first_of("\t\r\n"), std::string::npos) << squeezed;
      }
      const auto got = simstack::read_json(squeezed);
      ASSERT_EQ(got.has_value(), !expected.is_discarded()) << text << " cut at " << cut << ": " << squeezed;
      if (got) {
        EXPECT_TRUE(same_typed(*got, expected)) << squeezed;
      }
    }
  }
}
