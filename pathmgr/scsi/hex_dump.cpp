#include "scsi/hex_dump.h"

#include <cstdio>

namespace {

constexpr std::size_t kRow = 16;

// Printable ASCII as itself, anything else (the space too) as '.'.
void text_column(std::ostream& out, const std::uint8_t* row, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) out << (row[i] >= 0x21 && row[i] <= 0x7E ? static_cast<char>(row[i]) : '.');
  out << std::endl;
}

}  // namespace

void hex_dump(std::ostream& out, const std::uint8_t* data, std::size_t length) {
  char byte[4];
  for (std::size_t i = 0; i < length; ++i) {
    std::snprintf(byte, sizeof byte, "%02X ", data[i]);
    out << byte;
    if ((i + 1) % kRow == 0) text_column(out, data + i + 1 - kRow, kRow);
  }
  if (const std::size_t rest = length % kRow; rest != 0) {
    for (std::size_t i = rest; i < kRow; ++i) out << "   ";
    text_column(out, data + length - rest, rest);
  }
}
