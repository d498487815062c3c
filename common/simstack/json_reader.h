// The host file's JSON reader: a fast lexer builds the same Json values the Json
// library's own parser would (the same numbers with the same types, strings, last of
// repeated members), at several times its speed.
#pragma once
#include <memory>
#include <optional>
#include <string_view>

#include "simstack/state_file.h"

namespace simstack {

// The value that is all of `text` (whitespace around it allowed, and with
// `byte_order_mark` a leading UTF-8 byte-order mark, as at the start of a file); none
// when it is not valid JSON. Throws std::bad_alloc.
std::optional<Json> read_json(std::string_view text, bool byte_order_mark = false);
// A reader for many texts in turn (the instances of a list): its buffers are kept
// from one text to the next.
class JsonReader {
 public:
  JsonReader();
  ~JsonReader();
  JsonReader(const JsonReader&) = delete;
  JsonReader& operator=(const JsonReader&) = delete;
  // As read_json, without a byte-order mark.
  std::optional<Json> read(std::string_view text);

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

// Whether read_json would take `text` (nothing is built).
bool is_valid_json(std::string_view text);

}  // namespace simstack
