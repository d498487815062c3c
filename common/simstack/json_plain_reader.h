// The usual text of a host's instances read without the general lexer: strings of
// printable ASCII and two-character escapes (\n, \\, ...), integers of at most 18
// digits, literals, objects and arrays. Such strings decode to valid UTF-8 and such
// numbers are always in range, so the handler takes them unchecked. On anything else
// (a \u escape, another byte, a fraction or exponent, a longer number, a fault of
// syntax) it returns false having read part of the text: the caller starts again
// with the general lexer, which reads the text in full, or finds the same fault.
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace simstack {

namespace plain_json {

inline bool is_space(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }
inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Characters a plain string holds: printable ASCII but the quote and the backslash.
inline bool is_plain(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 0x20 && u < 0x80 && c != '"' && c != '\\';
}

// The first character from `p` that is not plain (or `end`), eight at a time while
// eight remain: each byte below 0x20, above 0x7F, a quote or a backslash marked in
// its top bit. The lowest mark is always a true one (a false one only follows a true
// one), and on a little-endian machine the lowest byte is the first.
inline const char* skip_plain(const char* p, const char* end) {
  if constexpr (std::endian::native == std::endian::little) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL, kHigh = 0x8080808080808080ULL;
    const auto has_zero = [](std::uint64_t v) { return (v - kOnes) & ~v & kHigh; };
    while (end - p >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, 8);
      const std::uint64_t stops = ((word - kOnes * 0x20) & ~word & kHigh) | (word & kHigh) |
                                  has_zero(word ^ (kOnes * '"')) | has_zero(word ^ (kOnes * '\\'));
      if (stops != 0) return p + std::countr_zero(stops) / 8;
      p += 8;
    }
  }
  while (p < end && is_plain(*p)) ++p;
  return p;
}

// The character a two-character escape stands for (n: a newline); NUL for u and
// anything that is no escape.
inline char unescaped(char c) {
  switch (c) {
    case '"': return '"';
    case '\\': return '\\';
    case '/': return '/';
    case 'b': return '\b';
    case 'f': return '\f';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    default: return '\0';
  }
}

}  // namespace plain_json

// The handler: Null(), Bool(b), StartObject(), EndObject(), StartArray(), EndArray(),
// PlainKey(s, n), PlainString(s, n), PlainNumber(s, n), each returning false to stop.
template <class Handler>
bool read_plain_json(std::string_view text, Handler& handler) {
  using namespace plain_json;
  const char* p = text.data();
  const char* const end = p + text.size();
  std::string closers;  // the closing brackets of the open containers, innermost last
  const auto skip_spaces = [&] {
    while (p < end && is_space(*p)) ++p;
  };
  // A string from its opening quote; its decoded text in [s, s + n): the text itself,
  // or with escapes, decoded into `decoded`.
  const char* s = nullptr;
  std::size_t n = 0;
  std::string decoded;
  const auto read_string = [&] {
    if (p == end || *p != '"') return false;
    s = ++p;
    p = skip_plain(p, end);
    if (p < end && *p == '"') {
      n = static_cast<std::size_t>(p++ - s);
      return true;
    }
    decoded.assign(s, p);
    while (p < end && *p != '"') {
      if (is_plain(*p)) {
        decoded += *p++;
        continue;
      }
      const char escaped = p + 1 < end && *p == '\\' ? unescaped(p[1]) : '\0';
      if (escaped == '\0') return false;  // another byte, or a \u escape
      decoded += escaped;
      p += 2;
    }
    if (p == end) return false;
    ++p;
    s = decoded.data();
    n = decoded.size();
    return true;
  };
  // A member's name and its colon, up to its value.
  const auto read_name = [&] {
    if (!read_string() || !handler.PlainKey(s, n)) return false;
    skip_spaces();
    if (p == end || *p++ != ':') return false;
    skip_spaces();
    return true;
  };
  const auto read_word = [&](std::string_view word) {
    if (static_cast<std::size_t>(end - p) < word.size() || std::string_view(p, word.size()) != word) return false;
    p += word.size();
    return true;
  };

  skip_spaces();
  for (;;) {
    // A value is wanted here.
    if (p == end) return false;
    switch (*p) {
      case '{':
      case '[': {
        const bool object = *p++ == '{';
        if (!(object ? handler.StartObject() : handler.StartArray())) return false;
        closers += object ? '}' : ']';
        skip_spaces();
        if (p < end && *p == closers.back()) {  // empty: a whole value
          ++p;
          closers.pop_back();
          if (!(object ? handler.EndObject() : handler.EndArray())) return false;
          break;
        }
        if (object && !read_name()) return false;
        continue;
      }
      case '"':
        if (!read_string() || !handler.PlainString(s, n)) return false;
        break;
      case 't':
        if (!read_word("true") || !handler.Bool(true)) return false;
        break;
      case 'f':
        if (!read_word("false") || !handler.Bool(false)) return false;
        break;
      case 'n':
        if (!read_word("null") || !handler.Null()) return false;
        break;
      default: {
        const char* number = p;
        if (*p == '-') ++p;
        const char* digits = p;
        if (p < end && *p == '0') {
          ++p;
        } else {
          while (p < end && is_digit(*p)) ++p;
        }
        // A fraction, an exponent, a digit after a leading zero or a long number: the
        // general lexer's to read (or refuse).
        if (p == digits || p - digits > 18 || (p < end && (is_digit(*p) || *p == '.' || *p == 'e' || *p == 'E')))
          return false;
        if (!handler.PlainNumber(number, static_cast<std::size_t>(p - number))) return false;
      }
    }
    // After a value: the brackets it closes, then a comma before the next value, or
    // the end of the text.
    for (;;) {
      skip_spaces();
      if (closers.empty()) return p == end;
      if (p == end) return false;
      const char c = *p;
      if (c == ',') break;
      if (c != closers.back() || !(c == '}' ? handler.EndObject() : handler.EndArray())) return false;
      closers.pop_back();
      ++p;
    }
    ++p;  // the comma
    skip_spaces();
    if (closers.back() == '}' && !read_name()) return false;
  }
}

}  // namespace simstack
