// The host file's JSON reader: a fast lexer builds the same Json values the Json
// library's own parser would (the same numbers with the same types, strings, last of
// repeated members), at several times its speed. An array can also be read one
// element at a time, so a report that walks a large instance list never holds more
// than one instance of it.
#pragma once
#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>

#include "simstack/state_file.h"

namespace simstack {

// The value that is all of `text` (whitespace around it and a leading byte-order mark
// allowed); none when it is not valid JSON. Throws std::bad_alloc.
std::optional<Json> read_json(std::string_view text);

// Whether `text` is valid JSON, as read_json would take it (nothing is built).
bool is_valid_json(std::string_view text);

enum class ArrayRead { Done, Stopped, Invalid };
// Reads the array that is all of `text`, handing each element to `element` as soon as
// it is complete; `element` returns false to stop. Invalid: the text is no valid JSON
// array; the elements before the fault were handed over.
ArrayRead read_json_array(std::string_view text, const std::function<bool(Json&& element)>& element);

}  // namespace simstack
