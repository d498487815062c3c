#include "simstack/json_spans.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "simstack/json_block_masks.h"
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

namespace {

// What the squeeze does at each byte it stops at (a block's masks find them).
enum Kind : unsigned char { kCopy, kSpace, kStringStart, kOpener, kCloser, kSeparator };
constexpr std::array<Kind, 256> kKinds = [] {
  std::array<Kind, 256> kinds{};
  kinds[' '] = kinds['\n'] = kinds['\r'] = kinds['\t'] = kSpace;
  kinds['"'] = kStringStart;
  kinds['['] = kinds['{'] = kOpener;
  kinds[']'] = kinds['}'] = kCloser;
  kinds[','] = kSeparator;
  return kinds;
}();

}  // namespace

struct JsonWhitespaceSqueeze::Cursor {
  const char* p;    // the next byte of the piece
  const char* run;  // the bytes from here to `p` go over as they stand, still to be copied
  char* const first;
  char* to;  // where the copy goes on
  std::size_t base;  // the position of `first` in the whole copy
  bool in_string, escaped, in_space;

  void flush(const char* upto) {
    if (upto == run) return;
    std::memcpy(to, run, static_cast<std::size_t>(upto - run));
    to += upto - run;
  }
  // Where the byte at `p` lands in the whole copy.
  std::size_t position() const {
    return base + static_cast<std::size_t>(to - first) + static_cast<std::size_t>(p - run);
  }
};

namespace {
// Bit i: the parity of the bits up to and including bit i.
std::uint64_t prefix_xor(std::uint64_t x) {
  x ^= x << 1;
  x ^= x << 2;
  x ^= x << 4;
  x ^= x << 8;
  x ^= x << 16;
  return x ^ x << 32;
}
}  // namespace

void JsonWhitespaceSqueeze::record(char bracket_or_comma, std::size_t at) {
  const Kind kind = kKinds[static_cast<unsigned char>(bracket_or_comma)];
  if (kind == kOpener) open(at, bracket_or_comma);
  else if (kind == kCloser) close(at, bracket_or_comma);
  else if (closers_.size() == JsonStructure::kDepth) comma(at);
}

bool JsonWhitespaceSqueeze::squeeze_block(Cursor& at) {
  const JsonBlockMasks m = json_block_masks(at.p);
  // The bytes a backslash escapes, each backslash taken with the byte after it.
  std::uint64_t escaped = at.escaped ? 1 : 0;
  bool escapes_next = false;  // the block's last byte is a backslash that escapes
  for (std::uint64_t b = m.backslash & ~escaped; b != 0;) {
    const int i = std::countr_zero(b);
    if (i == 63) {
      escapes_next = true;
      break;
    }
    escaped |= std::uint64_t{2} << i;
    b &= ~(std::uint64_t{3} << i);
  }
  std::uint64_t inside = prefix_xor(m.quote & ~escaped);  // bit i: in a string after byte i
  if (at.in_string) inside = ~inside;
  const std::uint64_t outside = ~(inside << 1 | (at.in_string ? 1 : 0));  // bit i: outside before byte i
  if ((m.backslash & outside) != 0) return false;
  // Each run of whitespace outside strings becomes one blank: a run that starts with a
  // blank keeps it, any other is cut whole and a blank written in its place.
  const std::uint64_t spaces = m.space & outside;
  const std::uint64_t starts = spaces & ~(spaces << 1 | (at.in_space ? 1 : 0));
  const std::uint64_t cut = spaces & ~(starts & m.blank);
  if (recording_) {
    const std::uint64_t dropped = cut & ~starts;  // a run cut whole still leaves its blank
    const std::size_t block_at = at.position();
    for (std::uint64_t events = m.structural & outside; events != 0 && recording_; events &= events - 1) {
      const int i = std::countr_zero(events);
      // Only the shallow levels are recorded: no position needed deeper.
      const std::size_t pos = closers_.size() > JsonStructure::kDepth ? JsonStructure::kAny
          : block_at + static_cast<std::size_t>(i - std::popcount(dropped & ((std::uint64_t{1} << i) - 1)));
      record(at.p[i], pos);
    }
  }
  for (std::uint64_t rest = cut; rest != 0;) {
    const int i = std::countr_zero(rest);
    const std::uint64_t after = ~rest >> i;
    const int j = after == 0 ? 64 : i + std::countr_zero(after);
    at.flush(at.p + i);
    if ((starts >> i & 1) != 0) *at.to++ = ' ';
    at.run = at.p + j;
    rest = j == 64 ? 0 : rest & (~std::uint64_t{0} << j);
  }
  at.in_string = (inside >> 63) != 0;
  at.escaped = escapes_next;
  at.in_space = (spaces >> 63) != 0;
  at.p += 64;
  return true;
}

void JsonWhitespaceSqueeze::squeeze_bytes(Cursor& at, const char* limit) {
  for (; at.p < limit; ++at.p) {
    const char c = *at.p;
    if (at.escaped) {
      at.escaped = false;
    } else if (at.in_string) {
      if (c == '\\') at.escaped = true;
      else if (c == '"') at.in_string = false;
    } else if (const Kind kind = kKinds[static_cast<unsigned char>(c)]; kind == kSpace) {
      if (at.in_space || c != ' ') {  // cut, and where the run starts a blank written in its place
        at.flush(at.p);
        if (!at.in_space) *at.to++ = ' ';
        at.run = at.p + 1;
      }
      at.in_space = true;
    } else {
      at.in_space = false;
      if (kind == kStringStart) {
        at.in_string = true;
      } else if (kind != kCopy && recording_) {
        record(c, at.position());
      }
    }
  }
}

void JsonWhitespaceSqueeze::feed(std::string_view piece, std::string& out) {
  // The copy, never longer than the piece, goes through a buffer kept between pieces:
  // growing `out` for it first would fill it with zeros only to overwrite them.
  if (buffer_.size() < piece.size()) buffer_.resize(piece.size());
  const char* const end = piece.data() + piece.size();
  Cursor at{piece.data(), piece.data(), buffer_.data(), buffer_.data(), out.size(), in_string_, escaped_, in_space_};
  // Blocks of 64 bytes go by their masks; what is left, a byte at a time.
  while (end - at.p >= 64)
    if (!squeeze_block(at)) squeeze_bytes(at, at.p + 64);
  squeeze_bytes(at, end);
  at.flush(end);
  out.append(at.first, static_cast<std::size_t>(at.to - at.first));
  in_string_ = at.in_string;
  escaped_ = at.escaped;
  in_space_ = at.in_space;
  structure_.size_ = out.size();
}

namespace {
// The record stays small next to the text: past a first allowance, a container
// shorter than kSmallContainer is dropped when it closes (at most five levels of
// longer ones: 6% of the text), and so are a list's commas once its elements
// average less than kSmallElement (12%). What is dropped is walked when asked for.
constexpr std::size_t kFreeRecord = 1 << 16;
constexpr std::size_t kSmallContainer = 4096;
constexpr std::size_t kSmallElement = 64;
}  // namespace

void JsonWhitespaceSqueeze::open(std::size_t at, char bracket) {
  closers_ += static_cast<char>(bracket + 2);  // '[' + 2 is ']', '{' + 2 is '}'
  const std::size_t depth = closers_.size();
  if (depth > JsonStructure::kDepth) {
    if (depth > deepest_) deepest_ = depth;
    return;
  }
  open_[depth - 1] = structure_.containers_.size();
  outer_deepest_[depth - 1] = deepest_;
  deepest_ = depth;
  const std::size_t commas = depth == JsonStructure::kDepth ? structure_.commas_.size() : JsonStructure::kAny;
  structure_.containers_.push_back({at, JsonStructure::kAny, 1, commas, commas});
}

void JsonWhitespaceSqueeze::close(std::size_t at, char bracket) {
  if (closers_.empty() || closers_.back() != bracket) {
    recording_ = false;  // what is still open stays unrecorded: the walks find the fault
    return;
  }
  const std::size_t depth = closers_.size();
  closers_.pop_back();
  if (depth > JsonStructure::kDepth) return;
  const std::size_t index = open_[depth - 1];
  JsonStructure::Container& container = structure_.containers_[index];
  if (at - container.open < kSmallContainer && index + 1 == structure_.containers_.size() &&
      structure_.bytes() > kFreeRecord) {
    if (container.first_comma != JsonStructure::kAny) structure_.commas_.resize(container.first_comma);
    structure_.containers_.pop_back();
  } else {
    container.close = at;
    container.nesting = deepest_ - depth + 1;
    if (container.first_comma != JsonStructure::kAny) container.end_comma = structure_.commas_.size();
  }
  if (outer_deepest_[depth - 1] > deepest_) deepest_ = outer_deepest_[depth - 1];
}

void JsonWhitespaceSqueeze::comma(std::size_t at) {
  JsonStructure::Container& list = structure_.containers_[open_[JsonStructure::kDepth - 1]];
  if (list.first_comma == JsonStructure::kAny) return;
  const std::size_t count = structure_.commas_.size() - list.first_comma + 1;
  if (at - list.open < count * kSmallElement && structure_.bytes() > kFreeRecord) {
    structure_.commas_.resize(list.first_comma);
    list.first_comma = list.end_comma = JsonStructure::kAny;
    return;
  }
  structure_.commas_.push_back(at);
}

const JsonStructure::Container* JsonStructure::find(std::string_view text, std::size_t pos) const {
  if (text.size() != size_) return nullptr;
  auto it = std::lower_bound(containers_.begin(), containers_.end(), pos,
                             [](const Container& c, std::size_t at) { return c.open < at; });
  if (it == containers_.end() || it->open != pos || it->close == kAny) return nullptr;
  return &*it;
}

std::optional<JsonSpan> JsonStructure::value_span(std::string_view text, std::size_t pos,
                                                  std::size_t max_depth) const {
  const Container* container = find(text, pos);
  if (container == nullptr) return json_value_span(text, pos, max_depth);
  if (container->nesting > max_depth) return std::nullopt;
  return JsonSpan{pos, container->close + 1};
}

std::optional<JsonArraySpans> JsonStructure::array_spans(std::string_view text, std::size_t pos,
                                                         std::size_t max_depth) const {
  const Container* container = find(text, pos);
  if (container == nullptr || container->first_comma == kAny || text[pos] != '[')
    return json_array_spans(text, pos, max_depth);
  if (container->nesting > max_depth) return std::nullopt;
  JsonArraySpans array;
  array.whole = {pos, container->close + 1};
  const std::size_t count = container->end_comma - container->first_comma;
  std::size_t element_begin = pos + 1;
  if (count == 0) {
    // "[ ]" has no element; after a comma there must be one, blank or not.
    if (skip_json_whitespace(text, element_begin) != container->close)
      array.elements.push_back({element_begin, container->close});
    return array;
  }
  array.elements.reserve(count + 1);
  for (std::size_t i = container->first_comma; i < container->end_comma; ++i) {
    array.elements.push_back({element_begin, commas_[i]});
    element_begin = commas_[i] + 1;
  }
  array.elements.push_back({element_begin, container->close});
  return array;
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
