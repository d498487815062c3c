#include "simstack/json_writer.h"

#include <charconv>

#include "simstack/json_plain_reader.h"
#include "text/hex_digits.h"

namespace simstack {

namespace {

// A string of ASCII as the library escapes it: the quote, the backslash and control
// characters; anything past ASCII is the library's to write (and to check). Runs of
// plain characters are found eight bytes at a time, as the reader finds them.
bool append_ascii_string(const std::string& s, std::string& out) {
  const std::size_t start = out.size();
  out += '"';
  const char* p = s.data();
  const char* const end = p + s.size();
  for (;;) {
    const char* stop = plain_json::skip_plain(p, end);
    out.append(p, stop);
    if (stop == end) break;
    const auto c = static_cast<unsigned char>(*stop);
    p = stop + 1;
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: {
        if (c >= 0x80) {
          out.resize(start);
          return false;
        }
        out += "\\u";
        append_hex(out, c, 4, false);
      }
    }
  }
  out += '"';
  return true;
}

template <class Integer>
void append_integer(Integer n, std::string& out) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, n);
  out.append(buffer, result.ptr);
}

void append_value(const Json& value, std::string& out, std::size_t level) {
  switch (value.type()) {
    case Json::value_t::object:
    case Json::value_t::array: {
      const bool object = value.is_object();
      if (value.empty()) {
        out += object ? "{}" : "[]";
        return;
      }
      out += object ? "{\n" : "[\n";
      bool first = true;
      for (auto it = value.begin(); it != value.end(); ++it) {
        if (!first) out += ",\n";
        first = false;
        out.append(level + 1, ' ');
        if (object) {
          if (!append_ascii_string(it.key(), out)) out += Json(it.key()).dump();
          out += ": ";
        }
        append_value(*it, out, level + 1);
      }
      out += '\n';
      out.append(level, ' ');
      out += object ? '}' : ']';
      return;
    }
    case Json::value_t::string:
      if (!append_ascii_string(value.get_ref<const std::string&>(), out)) out += value.dump();
      return;
    case Json::value_t::number_integer: append_integer(value.get<std::int64_t>(), out); return;
    case Json::value_t::number_unsigned: append_integer(value.get<std::uint64_t>(), out); return;
    case Json::value_t::boolean: out += value.get<bool>() ? "true" : "false"; return;
    case Json::value_t::null: out += "null"; return;
    default: out += value.dump(); return;  // floating numbers: the library's own text (no JSON text holds a binary value)
  }
}

}  // namespace

void append_json_text(const Json& value, std::string& out) { append_value(value, out, 0); }

}  // namespace simstack
