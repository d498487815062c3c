// Word comparisons and conversions shared by the commands.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using Words = std::vector<std::string>;

bool equals_nocase(std::string_view a, std::string_view b);
// `typed` is a case-insensitive prefix of `word` (over the typed word's length).
bool is_prefix_nocase(std::string_view typed, std::string_view word);

// Hexadecimal path identifier: leading white space, an optional 0x, digits up to the
// first non-hexadecimal character; no digits give 0; too large saturates.
std::uint64_t parse_path_id(std::string_view text);
// Signed decimal number (a weight, a registry value) in the same lenient way,
// saturating at the 32-bit limits.
std::int32_t parse_decimal_i32(std::string_view text);

// Words of a prompt line: separated by runs of spaces (a tab is part of a word).
std::vector<std::string> split_words(std::string_view line);
