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
// Copies JSON text with each run of whitespace outside strings cut to one space: the
// same values, and the same faults, in less memory (a written host file is about a
// third indentation). Fed in pieces, in order.
class JsonWhitespaceSqueeze {
 public:
  void feed(std::string_view piece, std::string& out);

 private:
  bool in_string_ = false;
  bool escaped_ = false;   // in a string, after a backslash
  bool in_space_ = false;  // outside strings, after whitespace already written
  std::string buffer_;
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
