// The host file's text: read strictly (RFC 8259, UTF-8, nothing after the value) into a
// document that keeps member order, and written back the same way, one space of
// indentation a level.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "simstack/state_file/json.h"

namespace simstack {

// How deep a host file's brackets may nest: far more than any host needs, little
// enough that no walk of the document (copying, writing it) can run out of stack.
inline constexpr std::size_t kMaxNesting = 256;

// Parses `text` into `doc`. A UTF-8 byte-order mark may open the text. Throws
// StateError naming `path` for a text that is not JSON, nests deeper than kMaxNesting
// or holds a number no 64-bit integer or double can hold.
void parse_json(std::string_view text, JsonDocument& doc, const std::string& path);
// The same for the open file `file` of `size` bytes, read a piece at a time: the text
// is never held whole, only the document.
void parse_json_file(std::FILE* file, std::uint64_t size, JsonDocument& doc, const std::string& path);

// A document of the JSON the program carries (built-in schemas, the host template),
// read as strictly as a host file; `name` names it in an error.
JsonDocument parse_embedded(const char* text, const std::string& name);

// The document as the host file holds it, ending in a newline. Throws StateError naming
// `path` for a value JSON cannot hold (text that is not UTF-8, a number that is not finite).
std::string json_file_text(const Json& doc, const std::string& path);
// The same text put durably in place of the file `path` (the caller holds its
// exclusive lock), written from the writer's own buffer.
void write_json_file(const Json& doc, const std::string& path);

}  // namespace simstack
