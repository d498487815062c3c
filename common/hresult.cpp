#include "hresult.h"

#include <cstdio>

std::optional<HResult> parse_hresult(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
  if (text.empty() || text.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return std::nullopt;
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  return hr_from_bits(value);
}

std::string hresult_hex(HResult hr) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%x", static_cast<unsigned>(static_cast<std::uint32_t>(hr)));
  return buf;
}

std::string hresult_journal_text(HResult hr) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(static_cast<std::uint32_t>(hr)));
  return buf;
}
