#include "simstack/json_spans.h"

#include <cstring>

#include "simstack/json_reader.h"

namespace simstack {

namespace {

bool is_json_whitespace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

// One past the closing quote of the string whose opening quote is at `pos`, or npos.
// A quote ends the string unless an odd number of backslashes precedes it.
std::size_t skip_string(std::string_view text, std::size_t pos) {
  std::size_t from = pos + 1;
  while (from < text.size()) {
    const void* hit = std::memchr(text.data() + from, '"', text.size() - from);
    if (hit == nullptr) return std::string_view::npos;
    std::size_t quote = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
    std::size_t backslashes = 0;
    while (quote - backslashes > pos + 1 && text[quote - backslashes - 1] == '\\') ++backslashes;
    if (backslashes % 2 == 0) return quote + 1;
    from = quote + 1;
  }
  return std::string_view::npos;
}

// A number or literal runs to the next structural character or whitespace.
std::size_t skip_scalar(std::string_view text, std::size_t pos) {
  while (pos < text.size()) {
    char c = text[pos];
    if (c == ',' || c == ']' || c == '}' || c == ':' || c == '"' || is_json_whitespace(c)) break;
    ++pos;
  }
  return pos;
}

// A member name as the full parser reads it (escapes, UTF-8 checks); none when it is
// not a valid JSON string. Objects walked here have few members.
std::optional<std::string> decode_name(std::string_view quoted) {
  std::optional<Json> name = read_json(quoted);
  if (!name || !name->is_string()) return std::nullopt;
  return name->get<std::string>();
}

}  // namespace

std::size_t skip_json_whitespace(std::string_view text, std::size_t pos) {
  while (pos < text.size() && is_json_whitespace(text[pos])) ++pos;
  return pos;
}

std::size_t json_nesting(std::string_view text, std::size_t limit) {
  std::size_t depth = 0, deepest = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    switch (text[i]) {
      case '"':
        i = skip_string(text, i);
        if (i == std::string_view::npos) return deepest;
        --i;
        break;
      case '[':
      case '{':
        if (++depth > deepest && (deepest = depth) > limit) return deepest;
        break;
      case ']':
      case '}':
        if (depth > 0) --depth;
        break;
      default: break;
    }
  }
  return deepest;
}

std::optional<JsonSpan> json_value_span(std::string_view text, std::size_t pos, std::size_t max_depth) {
  if (pos >= text.size()) return std::nullopt;
  char first = text[pos];
  if (first == '"') {
    std::size_t end = skip_string(text, pos);
    if (end == std::string_view::npos) return std::nullopt;
    return JsonSpan{pos, end};
  }
  if (first != '[' && first != '{') {
    std::size_t end = skip_scalar(text, pos);
    if (end == pos) return std::nullopt;
    return JsonSpan{pos, end};
  }
  std::string closers;  // the bracket each open level waits for
  for (std::size_t i = pos; i < text.size(); ++i) {
    switch (text[i]) {
      case '"':
        i = skip_string(text, i);
        if (i == std::string_view::npos) return std::nullopt;
        --i;
        break;
      case '[':
      case '{':
        if (closers.size() == max_depth) return std::nullopt;
        closers += text[i] == '[' ? ']' : '}';
        break;
      case ']':
      case '}':
        if (closers.back() != text[i]) return std::nullopt;
        closers.pop_back();
        if (closers.empty()) return JsonSpan{pos, i + 1};
        break;
      default: break;
    }
  }
  return std::nullopt;
}

std::optional<JsonSpan> for_each_json_member(std::string_view text, std::size_t pos, const MemberVisitor& member) {
  const std::size_t begin = pos;
  if (pos >= text.size() || text[pos] != '{') return std::nullopt;
  pos = skip_json_whitespace(text, pos + 1);
  if (pos < text.size() && text[pos] == '}') return JsonSpan{begin, pos + 1};
  while (pos < text.size()) {
    if (text[pos] != '"') return std::nullopt;
    std::size_t name_end = skip_string(text, pos);
    if (name_end == std::string_view::npos) return std::nullopt;
    auto name = decode_name(text.substr(pos, name_end - pos));
    if (!name) return std::nullopt;
    pos = skip_json_whitespace(text, name_end);
    if (pos >= text.size() || text[pos] != ':') return std::nullopt;
    auto value = member(*name, skip_json_whitespace(text, pos + 1));
    if (!value) return std::nullopt;
    pos = skip_json_whitespace(text, value->end);
    if (pos >= text.size()) return std::nullopt;
    if (text[pos] == '}') return JsonSpan{begin, pos + 1};
    if (text[pos] != ',') return std::nullopt;
    pos = skip_json_whitespace(text, pos + 1);
  }
  return std::nullopt;
}

}  // namespace simstack
