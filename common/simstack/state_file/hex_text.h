// Bytes as the state file writes them: upper-case hexadecimal text ("4142").
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace simstack {

std::string hex_of(const std::uint8_t* data, std::size_t size);
inline std::string hex_of(const std::vector<std::uint8_t>& bytes) { return hex_of(bytes.data(), bytes.size()); }
// Throws StateError naming `where` for odd lengths and non-hexadecimal characters.
std::vector<std::uint8_t> bytes_of_hex(const std::string& text, const std::string& where);

}  // namespace simstack
