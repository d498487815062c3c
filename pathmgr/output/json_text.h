// One JSON text of pathmgr's machine-readable output, written with RapidJSON's writer.
// Every string that goes in becomes valid UTF-8, whatever its source: WMI's wide
// strings, texts narrowed from them, words the user typed, console text.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

// The largest integer every JSON reader holds exactly (2^53 - 1): larger 64-bit
// values are written as decimal strings.
inline constexpr std::uint64_t kLargestExactJsonInteger = (std::uint64_t{1} << 53) - 1;

class JsonText {
 public:
  JsonText() : writer_(buffer_) {}
  JsonText(const JsonText&) = delete;
  JsonText& operator=(const JsonText&) = delete;

  void begin_object() { writer_.StartObject(); }
  void end_object() { writer_.EndObject(); }
  void begin_array() { writer_.StartArray(); }
  void end_array() { writer_.EndArray(); }
  // A member name: plain ASCII names of the schema.
  JsonText& key(std::string_view name);

  // Text that is UTF-8 already (names of the schema, texts built by pathmgr); bytes
  // that are not UTF-8 become U+FFFD.
  void utf8(std::string_view text);
  // A WMI string.
  void wide(std::wstring_view text);
  // Text narrowed from a WMI string a character per byte (serial numbers): each byte
  // is the character of that code.
  void narrowed(std::string_view text);
  // A word as the user typed it (the ANSI code page on Windows, UTF-8 elsewhere).
  void typed(std::string_view word);
  // Text as it went to the console (its code page on Windows, UTF-8 elsewhere).
  void console(std::string_view text);

  void boolean(bool value) { writer_.Bool(value); }
  void null() { writer_.Null(); }
  void number(std::int64_t value);
  void number(std::uint64_t value);
  void number(std::uint32_t value) { writer_.Uint(value); }
  void number(std::int32_t value) { writer_.Int(value); }
  void number(std::uint16_t value) { writer_.Uint(value); }
  void number(std::uint8_t value) { writer_.Uint(value); }
  void real(double value);
  // Hexadecimal digits, upper case, zero-filled to at least `width` digits.
  void hex(std::uint64_t value, unsigned width);
  // Bytes as two upper-case hexadecimal digits each, no separators.
  void hex_bytes(const std::uint8_t* data, std::size_t length);

  // The text so far; complete once every object and array has ended.
  std::string str() const { return std::string(buffer_.GetString(), buffer_.GetSize()); }
  bool complete() const { return writer_.IsComplete(); }

 private:
  void raw_string(std::string_view utf8_text);
  rapidjson::StringBuffer buffer_;
  rapidjson::Writer<rapidjson::StringBuffer> writer_;
};

// Bytes that are not UTF-8 replaced by U+FFFD; valid text comes back unchanged.
std::string valid_utf8(std::string_view text);
