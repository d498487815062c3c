// Finding where JSON values start and end without building them, so a large host
// file can be split into parts that are parsed only when they are read. The walk
// checks the nesting of brackets and the ends of strings; the full grammar is checked
// when a part is parsed.
#pragma once
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace simstack {

struct JsonSpan {
  std::size_t begin = 0;
  std::size_t end = 0;  // one past the value's last character
  std::string_view of(std::string_view text) const { return text.substr(begin, end - begin); }
};

std::size_t skip_json_whitespace(std::string_view text, std::size_t pos);
// The value that starts at `pos` (no leading whitespace); none when the text breaks off,
// its brackets do not match or nest deeper than `max_depth`.
std::optional<JsonSpan> json_value_span(std::string_view text, std::size_t pos,
                                        std::size_t max_depth = static_cast<std::size_t>(-1));
// An array's span and the spans of its elements (whitespace around each included,
// the commas between them left out), so each element can be parsed on its own: the
// array is valid JSON exactly when every element is. None as for json_value_span.
struct JsonArraySpans {
  JsonSpan whole;
  std::vector<JsonSpan> elements;
};
std::optional<JsonArraySpans> json_array_spans(std::string_view text, std::size_t pos,
                                               std::size_t max_depth = static_cast<std::size_t>(-1));
// Where the shallow containers of a squeezed text open and close, recorded by the
// squeeze as it copies the text, so that the spans of a host file's instance lists
// need no second walk of the text. Answers exactly as json_value_span and
// json_array_spans do, and asks them where the record cannot tell: a position that
// is no recorded container, a container that never closed, brackets that did not
// match, or another text. Kept small next to the text: past a first allowance, short
// containers and the commas of lists of short elements are left out.
class JsonStructure {
 public:
  // Containers are recorded down to this many brackets (themselves included), and
  // the commas directly inside those at the deepest of them: a host's instance lists.
  static constexpr std::size_t kDepth = 5;
  static constexpr std::size_t kAny = static_cast<std::size_t>(-1);

  std::optional<JsonSpan> value_span(std::string_view text, std::size_t pos, std::size_t max_depth = kAny) const;
  std::optional<JsonArraySpans> array_spans(std::string_view text, std::size_t pos,
                                            std::size_t max_depth = kAny) const;
  // Whether the record alone tells the span of the value at `pos`.
  bool knows(std::string_view text, std::size_t pos) const { return find(text, pos) != nullptr; }
  // The memory the record takes.
  std::size_t bytes() const { return containers_.size() * sizeof(Container) + commas_.size() * sizeof(std::size_t); }

 private:
  friend class JsonWhitespaceSqueeze;
  struct Container {
    std::size_t open = 0, close = kAny;  // the positions of its brackets
    std::size_t nesting = 1;             // how deep brackets nest in it, its own counted
    // Its commas in commas_; kAny where they are not recorded (not at kDepth, or too dense).
    std::size_t first_comma = kAny, end_comma = kAny;
  };
  const Container* find(std::string_view text, std::size_t pos) const;

  std::vector<Container> containers_;  // in text order
  std::vector<std::size_t> commas_;
  std::size_t size_ = 0;  // of the text recorded
};

// Copies JSON text with each run of whitespace outside strings cut to one space: the
// same values, and the same faults, in less memory (a written host file is about a
// third indentation). Fed in pieces, in order, into the same `out`; records the
// structure of the copy on the way.
class JsonWhitespaceSqueeze {
 public:
  void feed(std::string_view piece, std::string& out);
  // The record of everything fed, in positions of `out`.
  JsonStructure take_structure() { return std::move(structure_); }

 private:
  struct Cursor;  // where a feed stands in its piece and its copy
  // A block of 64 bytes squeezed by the masks of its bytes; false (nothing done) where
  // it holds a backslash outside strings, not JSON, which is walked a byte at a time.
  bool squeeze_block(Cursor& at);
  void squeeze_bytes(Cursor& at, const char* limit);
  // A bracket or comma outside strings, at `at` in the copy (unused below the recorded depth).
  void record(char bracket_or_comma, std::size_t at);
  void open(std::size_t at, char bracket);
  void close(std::size_t at, char bracket);
  void comma(std::size_t at);

  bool in_string_ = false;
  bool escaped_ = false;   // in a string, after a backslash
  bool in_space_ = false;  // outside strings, after whitespace already written
  std::string buffer_;
  // The structure walk: the closing bracket each open level waits for; the deepest
  // level reached since the innermost recorded container opened; for each recorded
  // level, its container in the record and the deepest level reached before it.
  bool recording_ = true;  // until brackets fail to match
  std::string closers_;
  std::size_t deepest_ = 0;
  std::size_t open_[JsonStructure::kDepth] = {};
  std::size_t outer_deepest_[JsonStructure::kDepth] = {};
  JsonStructure structure_;
};

// A squeezed text with the record of its structure.
struct SqueezedJson {
  std::string text;
  JsonStructure structure;
};

// How deep the brackets of `text` nest (strings skipped); counting stops past `limit`.
std::size_t json_nesting(std::string_view text, std::size_t limit);
// Walks the members of the object that starts at `pos`, in text order, calling
// `member` with each decoded name and the position where its value starts; `member`
// returns the value's span (from json_value_span, or from walking into it), none to
// stop. Returns the object's span, or none when it is not a well-formed object.
using MemberVisitor = std::function<std::optional<JsonSpan>(const std::string& name, std::size_t value_pos)>;
std::optional<JsonSpan> for_each_json_member(std::string_view text, std::size_t pos, const MemberVisitor& member);

}  // namespace simstack
