// Bytes as rows of 16: each byte as "%02X ", then the row's printable characters.
#pragma once
#include <cstddef>
#include <cstdint>
#include <ostream>

void hex_dump(std::ostream& out, const std::uint8_t* data, std::size_t length);
