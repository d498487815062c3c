#include "output/json_text.h"

#include <algorithm>
#include <cmath>

#include "text/hex_digits.h"
#include "text/text_convert.h"

namespace {

bool is_ascii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::string valid_utf8(std::string_view text) {
  if (is_ascii(text)) return std::string(text);
  return narrow_utf8(widen_utf8(text));
}

void JsonText::raw_string(std::string_view text) {
  writer_.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
}

JsonText& JsonText::key(std::string_view name) {
  writer_.Key(name.data(), static_cast<rapidjson::SizeType>(name.size()));
  return *this;
}

void JsonText::utf8(std::string_view text) {
  if (is_ascii(text)) raw_string(text);
  else raw_string(valid_utf8(text));
}

void JsonText::wide(std::wstring_view text) { raw_string(narrow_utf8(text)); }

void JsonText::narrowed(std::string_view text) {
  if (is_ascii(text)) raw_string(text);
  else raw_string(narrow_utf8(widen_bytes(text)));
}

void JsonText::typed(std::string_view word) {
  if (is_ascii(word)) raw_string(word);
  else raw_string(narrow_utf8(widen_ansi(word)));
}

void JsonText::console(std::string_view text) {
  if (is_ascii(text)) raw_string(text);
  else raw_string(narrow_utf8(widen_console(text)));
}

void JsonText::number(std::uint64_t value) {
  if (value <= kLargestExactJsonInteger) writer_.Uint64(value);
  else raw_string(std::to_string(value));
}

void JsonText::number(std::int64_t value) {
  const std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  if (magnitude <= kLargestExactJsonInteger) writer_.Int64(value);
  else raw_string(std::to_string(value));
}

void JsonText::real(double value) {
  // JSON has no infinities or NaN.
  if (std::isfinite(value)) writer_.Double(value);
  else writer_.Null();
}

void JsonText::hex(std::uint64_t value, unsigned width) {
  std::string text;
  append_hex(text, value, width, true);
  raw_string(text);
}

void JsonText::hex_bytes(const std::uint8_t* data, std::size_t length) {
  std::string text;
  text.reserve(2 * length);
  for (std::size_t i = 0; i < length; ++i) append_hex(text, data[i], 2, true);
  raw_string(text);
}
