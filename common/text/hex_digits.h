// Hexadecimal digits of a number, as printf's "%0NX" / "%0Nx" writes them, without
// printf's cost: reports write several for every path of a host.
#pragma once
#include <cstdint>
#include <string>

// Appends `value` in hexadecimal, zero-padded to at least `width` digits.
inline void append_hex(std::string& out, std::uint64_t value, unsigned width, bool upper_case = true) {
  const char* digits = upper_case ? "0123456789ABCDEF" : "0123456789abcdef";
  char buffer[16];
  unsigned n = 0;
  do {
    buffer[n++] = digits[value & 0xF];
    value >>= 4;
  } while (value != 0);
  for (; width > n; --width) out += '0';
  while (n > 0) out += buffer[--n];
}
