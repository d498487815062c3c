// A host document as text: the bytes nlohmann-json's dump(1) writes (members on lines
// of their own, one space of indent a level), written faster. A command that changes a
// large host writes tens of megabytes; the library escapes a string a byte at a time
// through a UTF-8 decoder, where nearly every string of a host is plain ASCII.
#pragma once
#include <string>

#include "simstack/state_file.h"

namespace simstack {

// Appends the text of `value` to `out`. Strings with bytes past ASCII, and floating
// numbers, are written by the library itself (the same text, the same refusal of
// invalid UTF-8: nlohmann::json::type_error).
void append_json_text(const Json& value, std::string& out);

}  // namespace simstack
