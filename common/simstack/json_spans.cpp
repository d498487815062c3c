#include "simstack/json_spans.h"

#include <array>
#include <cstring>

#include "simstack/json_reader.h"

namespace simstack {

namespace {

bool is_json_whitespace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

// One past the closing quote of the string whose opening quote is at `pos`, or npos.
// A backslash takes the character after it along (the strings of a host are short:
// a plain loop beats a search per quote).
std::size_t skip_string(std::string_view text, std::size_t pos) {
  const char* p = text.data();
  for (std::size_t i = pos + 1, n = text.size(); i < n; ++i) {
    if (p[i] == '"') return i + 1;
    if (p[i] == '\\') ++i;
  }
  return std::string_view::npos;
}

// What the bracket walk stops at; everything else is passed over a byte at a time.
enum Stop : unsigned char { kPlain, kQuote, kOpen, kClose, kComma };
constexpr std::array<Stop, 256> kStops = [] {
  std::array<Stop, 256> stops{};
  stops['"'] = kQuote;
  stops['['] = stops['{'] = kOpen;
  stops[']'] = stops['}'] = kClose;
  stops[','] = kComma;
  return stops;
}();

// The span of the array or object at `pos`, its brackets matched and nested no deeper
// than `max_depth`; `comma` is called with each comma directly inside it.
template <typename OnComma>
std::optional<JsonSpan> bracket_span(std::string_view text, std::size_t pos, std::size_t max_depth, OnComma comma) {
  std::string closers;  // the bracket each open level waits for
  const char* p = text.data();
  const std::size_t n = text.size();
  for (std::size_t i = pos; i < n; ++i) {
    while (i < n && kStops[static_cast<unsigned char>(p[i])] == kPlain) ++i;
    if (i == n) break;
    switch (kStops[static_cast<unsigned char>(p[i])]) {
      case kQuote:
        i = skip_string(text, i);
        if (i == std::string_view::npos) return std::nullopt;
        --i;
        break;
      case kOpen:
        if (closers.size() == max_depth) return std::nullopt;
        closers += p[i] == '[' ? ']' : '}';
        break;
      case kClose:
        if (closers.empty() || closers.back() != p[i]) return std::nullopt;
        closers.pop_back();
        if (closers.empty()) return JsonSpan{pos, i + 1};
        break;
      case kComma:
        if (closers.size() == 1) comma(i);
        break;
      case kPlain: break;
    }
  }
  return std::nullopt;
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
  return bracket_span(text, pos, max_depth, [](std::size_t) {});
}

std::optional<JsonArraySpans> json_array_spans(std::string_view text, std::size_t pos, std::size_t max_depth) {
  if (pos >= text.size() || text[pos] != '[') return std::nullopt;
  JsonArraySpans array;
  std::size_t element_begin = pos + 1;
  auto whole = bracket_span(text, pos, max_depth, [&](std::size_t comma) {
    array.elements.push_back({element_begin, comma});
    element_begin = comma + 1;
  });
  if (!whole) return std::nullopt;
  array.whole = *whole;
  const std::size_t last_end = whole->end - 1;  // the closing bracket
  // "[ ]" has no element; after a comma there must be one, blank or not.
  if (!array.elements.empty() || skip_json_whitespace(text, element_begin) != last_end)
    array.elements.push_back({element_begin, last_end});
  return array;
}

void JsonWhitespaceSqueeze::feed(std::string_view piece, std::string& out) {
  // The copy, never longer than the piece, goes through a buffer kept between pieces:
  // growing `out` for it first would fill it with zeros only to overwrite them.
  if (buffer_.size() < piece.size()) buffer_.resize(piece.size());
  char* const first = buffer_.data();
  char* to = first;
  bool in_string = in_string_, escaped = escaped_, in_space = in_space_;
  for (const char c : piece) {
    if (in_string) {
      *to++ = c;
      if (escaped) escaped = false;
      else if (c == '\\') escaped = true;
      else if (c == '"') in_string = false;
    } else if (is_json_whitespace(c)) {
      if (!in_space) *to++ = ' ';
      in_space = true;
    } else {
      *to++ = c;
      in_space = false;
      in_string = c == '"';
    }
  }
  out.append(first, static_cast<std::size_t>(to - first));
  in_string_ = in_string;
  escaped_ = escaped;
  in_space_ = in_space;
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
