// What the host file's JSON readers share: the lexer's settings and the checks that
// make it take exactly the texts the Json library's own parser takes.
#pragma once
#include <cstddef>
#include <optional>
#include <string_view>

#include <rapidjson/reader.h>

#include "simstack/state_file.h"

namespace simstack {

// The lexer hands numbers over as text (its own conversion and range limits differ
// from the Json library's), and keeps its stack on the heap: no text can exhaust the
// thread's stack. Strings are checked for UTF-8 by valid_utf8, faster than the lexer
// checks them byte by byte.
inline constexpr unsigned kJsonLexFlags = rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseIterativeFlag;

// A number as the Json library reads it: a short integer directly (unsigned unless
// negative, as the library has it), anything else by the library's own number reader;
// none when it is out of a double's range.
std::optional<Json> json_number(const char* s, std::size_t n);

// Well-formed UTF-8 as the Json library takes it: no overlong forms, no code points
// past U+10FFFF and no surrogates U+D800..U+DFFF (raw, or from a \u escape, which the
// lexer turns into the same bytes).
bool valid_utf8(const char* s, std::size_t n);

// The lexer refuses some numbers the Json library takes (a zero with an exponent past
// 308, an integer of more than 308 digits); a text it stops at such a number is read
// by the Json library itself. Everything before the number was valid: the text does
// not open with a byte-order mark the library would skip.
std::optional<Json> read_refused_number(std::string_view text);

}  // namespace simstack
