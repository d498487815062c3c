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
// How deep the brackets of `text` nest (strings skipped); counting stops past `limit`.
std::size_t json_nesting(std::string_view text, std::size_t limit);
// Walks the members of the object that starts at `pos`, in text order, calling
// `member` with each decoded name and the position where its value starts; `member`
// returns the value's span (from json_value_span, or from walking into it), none to
// stop. Returns the object's span, or none when it is not a well-formed object.
using MemberVisitor = std::function<std::optional<JsonSpan>(const std::string& name, std::size_t value_pos)>;
std::optional<JsonSpan> for_each_json_member(std::string_view text, std::size_t pos, const MemberVisitor& member);

}  // namespace simstack
