#include "simstack/state_file/hex_text.h"

#include <charconv>

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
  if (text.size() % 2 != 0) throw StateError(where + ": hexadecimal data of odd length");
  std::vector<std::uint8_t> out(text.size() / 2);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const char* pair = text.data() + 2 * i;
    const auto [end, ec] = std::from_chars(pair, pair + 2, out[i], 16);
    if (ec != std::errc() || end != pair + 2) throw StateError(where + ": data is not hexadecimal");
  }
  return out;
}

}  // namespace simstack
