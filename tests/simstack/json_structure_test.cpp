// The structure the squeeze records as it copies a text: the same spans the walks of
// the text find, however the text is cut into pieces, and a host split with it the
// same as one split by walking.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "simstack/host_document.h"
#include "simstack/json_block_masks.h"
#include "simstack/json_spans.h"

using simstack::HostDocument;
using simstack::JsonArraySpans;
using simstack::JsonSpan;
using simstack::JsonStructure;
using simstack::JsonWhitespaceSqueeze;
using simstack::SqueezedJson;
using simstack::StateError;

namespace {

// The squeeze as it was first written, a byte at a time: the output must not change.
std::string squeezed_by_bytes(std::string_view text) {
  std::string out;
  bool in_string = false, escaped = false, in_space = false;
  for (const char c : text) {
    if (in_string) {
      out += c;
      if (escaped) escaped = false;
      else if (c == '\\') escaped = true;
      else if (c == '"') in_string = false;
    } else if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
      if (!in_space) out += ' ';
      in_space = true;
    } else {
      out += c;
      in_space = false;
      in_string = c == '"';
    }
  }
  return out;
}

SqueezedJson squeeze(std::string_view text, const std::vector<std::size_t>& cuts) {
  SqueezedJson squeezed;
  JsonWhitespaceSqueeze squeeze;
  std::size_t from = 0;
  for (std::size_t cut : cuts) {
    squeeze.feed(text.substr(from, cut - from), squeezed.text);
    from = cut;
  }
  squeeze.feed(text.substr(from), squeezed.text);
  squeezed.structure = squeeze.take_structure();
  return squeezed;
}

bool same(const std::optional<JsonSpan>& a, const std::optional<JsonSpan>& b) {
  return a.has_value() == b.has_value() && (!a || (a->begin == b->begin && a->end == b->end));
}

bool same(const std::optional<JsonArraySpans>& a, const std::optional<JsonArraySpans>& b) {
  if (a.has_value() != b.has_value()) return false;
  if (!a) return true;
  if (!same(a->whole, b->whole) || a->elements.size() != b->elements.size()) return false;
  for (std::size_t i = 0; i < a->elements.size(); ++i)
    if (!same(a->elements[i], b->elements[i])) return false;
  return true;
}

// Every position of the text asked at several depth limits, of the record and of the
// walks; returns how many positions the record knew by itself.
std::size_t expect_record_answers_as_walks(const SqueezedJson& squeezed, const std::string& label) {
  const std::string& text = squeezed.text;
  std::size_t known = 0;
  for (std::size_t pos = 0; pos <= text.size(); ++pos) {
    known += squeezed.structure.knows(text, pos);
    for (std::size_t limit : {JsonStructure::kAny, std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{6}}) {
      EXPECT_TRUE(same(squeezed.structure.value_span(text, pos, limit), simstack::json_value_span(text, pos, limit)))
          << label << " value at " << pos << " limit " << limit;
      EXPECT_TRUE(same(squeezed.structure.array_spans(text, pos, limit), simstack::json_array_spans(text, pos, limit)))
          << label << " array at " << pos << " limit " << limit;
    }
  }
  return known;
}

}  // namespace

// Texts with strings that hide brackets, commas, quotes and backslashes, lists at the
// recorded depth with blank and missing elements, nesting past it, and brackets that
// do not match or never close; each cut at every place, and fed a byte at a time.
TEST(JsonStructure, RecordGivesTheSpansTheWalksFind) {
  struct Case {
    std::string text;
    std::size_t known;  // containers the record answers for by itself
  };
  const std::string deep = "[[[[[[[[1, [2]], 3]]]]]]]";
  const std::vector<Case> cases = {
      {R"({"a": [1, "x,]\"[{", {"b": [2, [3, [4, [5, 6]]]]}], "c": {}})", 6},
      {"{\n        \"a long member name\": [\n                \"a string of some length with \\\" and \\\\ in it\",\n"
       "\t\t\t\t\t\t\t\t  {\"x\": [[[[\"\\\\\\\"]\"]]]]}\n        ]\n}",
       5},
      {"[[[[[1 ,\n 2 ,\t3], [ ], [], [ , ], [1, ], [\r\n]]]]]", 10},
      {R"([[[[["a\\", "b\"]", ",", "\\\\", "\u0022,"], {"k": "\\\"", "l": [1,2]}]]]])", 6},
      {deep, 5},
      {"  [1] [2 , 3]\n{}\t", 3},
      {"[[[[[1, 2]]]}]", 3},          // the wrong closer: nothing still open is known
      {"[[[[[1, 2]]]] [3]", 5},       // never closes
      {"[[[[[\"abc, 1]]]]]", 0},      // a string that never ends
      {"{\"a\": [1]}]] [2]", 2},      // more closers than openers
      {"[1, 2}", 0},
      {"\"\\", 0},
      {"", 0},
  };
  for (const Case& c : cases) {
    std::vector<std::vector<std::size_t>> plans = {{}};
    for (std::size_t cut = 0; cut <= c.text.size(); ++cut) plans.push_back({cut});
    std::vector<std::size_t> bytes;
    for (std::size_t cut = 1; cut < c.text.size(); ++cut) bytes.push_back(cut);
    plans.push_back(bytes);
    for (const auto& plan : plans) {
      const SqueezedJson squeezed = squeeze(c.text, plan);
      const std::string label = c.text + " in " + std::to_string(plan.size() + 1) + " pieces" +
                                (plan.size() == 1 ? " cut at " + std::to_string(plan[0]) : "");
      ASSERT_EQ(squeezed.text, squeezed_by_bytes(c.text)) << label;
      EXPECT_EQ(expect_record_answers_as_walks(squeezed, label), c.known) << label;
    }
  }
}

namespace {

// Random whitespace: mostly short, now and then a run longer than a block.
void random_space(std::mt19937& rng, std::string& out) {
  static const char kSpace[] = "    \n\t\r";
  const std::size_t length = rng() % 10 == 0 ? rng() % 150 : rng() % 3;
  for (std::size_t i = 0; i < length; ++i) out += kSpace[rng() % 7];
}

// A random JSON value nested down to `depth` more levels, whitespace around its
// tokens; its strings hide brackets, commas, quotes and runs of backslashes, some
// long enough to cross blocks.
void random_value(std::mt19937& rng, int depth, std::string& out) {
  static const std::vector<std::string> kPieces = {"a", "Z", " ", "[", "]", "{", "}", ",", ":", "\\\"", "\\\\", "\\n", "\\\\\\\""};
  random_space(rng, out);
  const unsigned kind = depth > 0 ? rng() % 6 : rng() % 2;
  if (kind == 0) {
    out += std::to_string(rng() % 100000);
  } else if (kind == 1) {
    out += '"';
    const std::size_t length = rng() % 8 == 0 ? rng() % 120 : rng() % 6;
    for (std::size_t i = 0; i < length; ++i) out += kPieces[rng() % kPieces.size()];
    out += '"';
  } else {
    const bool object = kind % 2 == 0;
    out += object ? '{' : '[';
    const unsigned members = rng() % 5;
    for (unsigned i = 0; i < members; ++i) {
      if (i > 0) out += ',';
      if (object) {
        random_space(rng, out);
        out += "\"k" + std::to_string(i) + "\":";
      }
      random_value(rng, depth - 1, out);
    }
    random_space(rng, out);
    out += object ? '}' : ']';
  }
  random_space(rng, out);
}

}  // namespace

// Random texts, valid and broken (a stray backslash or quote, a byte dropped), squeezed
// whole and cut at many places: the same copy as a byte at a time, and a record that
// answers as the walks do.
TEST(JsonStructure, RandomTextsSqueezeAsByBytes) {
  std::mt19937 rng(20261208);
  for (int round = 0; round < 120; ++round) {
    std::string text;
    do {
      text.clear();
      random_value(rng, 7, text);
    } while (text.size() > 3000);
    if (round % 3 == 1) text.insert(rng() % (text.size() + 1), 1, round % 2 ? '\\' : '"');
    if (round % 3 == 2 && !text.empty()) text.erase(rng() % text.size(), 1);
    const std::string expected = squeezed_by_bytes(text);
    for (std::size_t cut = 0; cut <= text.size(); cut += 1 + rng() % 16)
      ASSERT_EQ(squeeze(text, {cut}).text, expected) << text << " cut at " << cut;
    if (round % 4 == 0 && text.size() < 1500) expect_record_answers_as_walks(squeeze(text, {text.size() / 3}), text);
  }
}

#if defined(__SSE2__)
// The two builds of a block's masks agree, whatever its bytes.
TEST(JsonStructure, BlockMasksOfBothBuildsAgree) {
  static const char kBytes[] = "\"\\ \t\n\r[]{},:a0\x80\xff\x00";
  std::mt19937 rng(64);
  for (int round = 0; round < 2000; ++round) {
    char block[64];
    for (char& c : block) c = kBytes[rng() % (sizeof kBytes)];
    const simstack::JsonBlockMasks bytes = simstack::json_block_masks_by_bytes(block);
    const simstack::JsonBlockMasks sse2 = simstack::json_block_masks_sse2(block);
    EXPECT_EQ(bytes.quote, sse2.quote);
    EXPECT_EQ(bytes.backslash, sse2.backslash);
    EXPECT_EQ(bytes.blank, sse2.blank);
    EXPECT_EQ(bytes.space, sse2.space);
    EXPECT_EQ(bytes.structural, sse2.structural);
  }
}
#endif

// A long text of tiny containers and of a list of tiny elements is not recorded in
// full (the record stays small next to the text), and is answered as the walks do;
// the long list of larger elements after them is recorded, its commas too.
TEST(JsonStructure, RecordStaysSmallAndAnswersAsTheWalks) {
  std::string text = "{\"tiny\": [";
  const std::string short_list = "[[\"" + std::string(70, 'x') + "\", 2]]";  // a comma 70 bytes in
  for (int i = 0; i < 40000; ++i) text += "{\"a\": " + short_list + "},\n ";
  text += "1], \"wmi\": {\"N\": {\"instances\": {\"Dense\": [";
  for (int i = 0; i < 60000; ++i) text += "1, ";
  text += "1], \"Wide\": [";
  for (int i = 0; i < 20000; ++i)
    text += "{\"Name\": \"an instance of some length\", \"Active\": true, \"Number\": " + std::to_string(i) + "}, ";
  text += "{}]}}}}";
  const SqueezedJson squeezed = squeeze(text, {text.size() / 3, text.size() / 2});
  const std::string& s = squeezed.text;
  const std::size_t last_tiny = s.rfind("{\"a\"", s.find("\"wmi\""));
  const std::size_t dense = s.find("[1, 1");
  const std::size_t wide = s.find("[{\"Name\"");
  EXPECT_FALSE(squeezed.structure.knows(s, last_tiny));
  EXPECT_TRUE(squeezed.structure.knows(s, wide));
  EXPECT_GT(squeezed.structure.bytes(), 20000 * sizeof(std::size_t));
  EXPECT_LT(squeezed.structure.bytes(), s.size() / 12);
  for (std::size_t pos : {std::size_t{0}, s.find('['), last_tiny, last_tiny + 6, dense, wide, s.find("{\"Name\"")}) {
    EXPECT_TRUE(same(squeezed.structure.value_span(s, pos), simstack::json_value_span(s, pos))) << pos;
    EXPECT_TRUE(same(squeezed.structure.array_spans(s, pos), simstack::json_array_spans(s, pos))) << pos;
  }
  // A record asked about another text knows nothing of it.
  EXPECT_FALSE(squeezed.structure.knows(s + " ", wide));
}

// The host split with the record: the same document, the same lists and the same
// errors as the host split by walking the same text.
TEST(JsonStructure, HostsSplitWithTheRecordEqualHostsSplitByWalking) {
  const std::string head = R"({"format": "pathmgr-sim/1", "wmi": {"N": {"instances": {)";
  const auto nested = [](std::size_t levels) { return std::string(levels, '[') + std::string(levels, ']'); };
  const std::vector<std::string> texts = {
      head + R"("A": [{"Name": "x\"]}[{\\"}, {"Name": "back\\\\"}], "B": [], "C": [ ], "D": 4, "E": {"k": [1]}},)"
             R"( "classes": {"A": {"p": [1, 2]}}}, "M": {"instances": []}}, "journal": [{"path": "A=\"x\""}]})",
      head + R"("A": [1,], "B": [,], "C": [1 2]}}}})",
      head + R"("A": [{"a": 1}, {"a": 01}]}}}})",
      head + R"("A": [1]}}}, "wmi": {"N": {"instances": {"A": [2]}}}})",
      head + R"("A": [1}}}})",
      head + R"("A": [1]}}}} trailing)",
      head + R"("A": [1]}}})",
      head + "\"A\": [" + nested(251) + ", 1]}}}}",
      head + "\"A\": [" + nested(252) + ", 1]}}}}",
      head + "\"A\": [1]}, \"deep\": " + nested(254) + "}}}",
      head + "\"A\": [1]}, \"deep\": " + nested(253) + "}}}",
      R"({"format": "pathmgr-sim/1", "wmi": {"N": {"instances": {"A": ["unterminated]}}}})",
  };
  const auto outcome = [](const std::function<std::shared_ptr<HostDocument>()>& make) {
    try {
      auto doc = make();
      const std::string split = doc->json().dump();
      return split + " / " + doc->complete().dump();
    } catch (const StateError& e) {
      return std::string("error: ") + e.what();
    }
  };
  for (const std::string& text : texts) {
    const SqueezedJson squeezed = squeeze(text, {text.size() / 2});
    const std::string walked = outcome([&] { return std::make_shared<HostDocument>(squeezed.text, "h.json"); });
    const std::string recorded = outcome([&] {
      return std::make_shared<HostDocument>(SqueezedJson{squeezed.text, squeezed.structure}, "h.json");
    });
    EXPECT_EQ(recorded, walked) << text.substr(0, 200);
  }
}
