#include "simstack/state_file/hex_text.h"

#include "simstack/state_file/state_file.h"
#include "text/hex_digits.h"

namespace simstack {

std::string hex_of(const std::uint8_t* data, std::size_t size) {
  std::string out;
  out.reserve(size * 2);
  for (std::size_t i = 0; i < size; ++i) append_hex(out, data[i], 2);
  return out;
}

std::vector<std::uint8_t> bytes_of_hex(const std::string& text, const std::string& where) {
  auto digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  if (text.size() % 2 != 0) throw StateError(where + ": hexadecimal data of odd length");
  std::vector<std::uint8_t> out;
  out.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    int hi = digit(text[i]), lo = digit(text[i + 1]);
    if (hi < 0 || lo < 0) throw StateError(where + ": data is not hexadecimal");
    out.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
  }
  return out;
}

}  // namespace simstack
