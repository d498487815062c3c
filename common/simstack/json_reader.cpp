#include "simstack/json_reader.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <rapidjson/memorystream.h>

#include "simstack/json_lexer.h"
#include "simstack/json_plain_reader.h"

namespace simstack {

std::optional<Json> json_number(const char* s, std::size_t n) {
  const bool negative = n > 0 && s[0] == '-';
  const std::size_t digits = n - (negative ? 1 : 0);
  if (digits > 0 && digits <= 18 && std::all_of(s + (negative ? 1 : 0), s + n, [](char c) { return c >= '0' && c <= '9'; })) {
    if (negative) {
      std::int64_t v = 0;
      std::from_chars(s, s + n, v);
      return Json(v);
    }
    std::uint64_t v = 0;
    std::from_chars(s, s + n, v);
    return Json(v);
  }
  Json number = Json::parse(s, s + n, nullptr, false);
  if (number.is_discarded()) return std::nullopt;  // out of a double's range
  return number;
}

// Runs of ASCII are passed eight bytes at a time.
bool valid_utf8(const char* s, std::size_t n) {
  const auto* p = reinterpret_cast<const unsigned char*>(s);
  const auto* end = p + n;
  while (p < end) {
    if (end - p >= 8) {
      std::uint64_t eight;
      std::memcpy(&eight, p, 8);
      if ((eight & 0x8080808080808080ULL) == 0) {
        p += 8;
        continue;
      }
    }
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (static_cast<std::size_t>(end - p) < length || p[1] < low || p[1] > high) return false;
    for (std::size_t i = 2; i < length; ++i)
      if (p[i] < 0x80 || p[i] > 0xBF) return false;
    p += length;
  }
  return true;
}

namespace {

// Builds a Json value from the lexer's events.
class JsonBuilder : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, JsonBuilder> {
 public:
  bool Null() { return value(Json(nullptr)); }
  bool Bool(bool b) { return value(Json(b)); }
  bool RawNumber(const char* s, rapidjson::SizeType n, bool) { return PlainNumber(s, n); }
  bool String(const char* s, rapidjson::SizeType n, bool) { return valid_utf8(s, n) && PlainString(s, n); }
  bool Key(const char* s, rapidjson::SizeType n, bool) { return valid_utf8(s, n) && PlainKey(s, n); }
  bool StartObject() { return open(Json::object()); }
  bool EndObject(rapidjson::SizeType = 0) { return close(); }
  bool StartArray() { return open(Json::array()); }
  bool EndArray(rapidjson::SizeType = 0) { return close(); }
  // Texts known valid UTF-8 (checked above, or plain: read_plain_json).
  bool PlainString(const char* s, std::size_t n) { return value(Json(std::string(s, n))); }
  bool PlainKey(const char* s, std::size_t n) {
    key_.assign(s, n);
    return true;
  }
  bool PlainNumber(const char* s, std::size_t n) {
    auto number = json_number(s, n);
    return number && value(std::move(*number));
  }

  // The value built, leaving the builder ready for the next text.
  Json take() {
    stack_.clear();
    return std::move(root_);
  }

 private:
  bool value(Json&& v) {
    place(std::move(v));
    return true;
  }

  bool open(Json&& container) {
    stack_.push_back(place(std::move(container)));
    return true;
  }

  bool close() {
    stack_.pop_back();
    return true;
  }

  // Where a new value goes: the root, the end of the open array, or the open object's
  // member of the last key (a repeated member keeps the last value).
  Json* place(Json&& v) {
    if (stack_.empty()) {
      root_ = std::move(v);
      return &root_;
    }
    Json& top = *stack_.back();
    if (top.is_array()) {
      auto& elements = top.get_ref<Json::array_t&>();
      elements.push_back(std::move(v));
      return &elements.back();
    }
    // Members mostly come in name order (the file is written so): inserting at the
    // end is then constant time. A repeated name keeps the last value.
    auto& members = top.get_ref<Json::object_t&>();
    Json& slot = members.emplace_hint(members.end(), key_, nullptr)->second;
    slot = std::move(v);
    return &slot;
  }

  std::vector<Json*> stack_;  // the open arrays and objects, outermost first
  std::string key_;
  Json root_;
};

// Takes every value and builds nothing: the lexer checks the grammar.
struct JsonChecker : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, JsonChecker> {
  bool RawNumber(const char* s, rapidjson::SizeType n, bool) { return json_number(s, n).has_value(); }
  bool String(const char* s, rapidjson::SizeType n, bool) { return valid_utf8(s, n); }
  bool Key(const char* s, rapidjson::SizeType n, bool) { return valid_utf8(s, n); }
};

}  // namespace

std::optional<Json> read_refused_number(std::string_view text) {
  Json value = Json::parse(text, nullptr, false);
  if (value.is_discarded()) return std::nullopt;
  return value;
}

struct JsonReader::Parts {
  rapidjson::Reader reader;
  JsonBuilder builder;
};

JsonReader::JsonReader() : parts_(std::make_unique<Parts>()) {}

JsonReader::~JsonReader() = default;

std::optional<Json> JsonReader::read(std::string_view text) {
  if (read_plain_json(text, parts_->builder)) return parts_->builder.take();
  parts_->builder.take();  // not plain: what was built goes, the general lexer reads from the start
  rapidjson::MemoryStream stream(text.data(), text.size());
  const rapidjson::ParseResult result = parts_->reader.Parse<kJsonLexFlags>(stream, parts_->builder);
  Json value = parts_->builder.take();
  if (result.Code() == rapidjson::kParseErrorNumberTooBig) return read_refused_number(text);
  if (result.IsError()) return std::nullopt;
  return value;
}

std::optional<Json> read_json(std::string_view text, bool byte_order_mark) {
  if (byte_order_mark && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  return JsonReader().read(text);
}

bool is_valid_json(std::string_view text) {
  JsonChecker checker;
  rapidjson::MemoryStream stream(text.data(), text.size());
  rapidjson::Reader reader;
  const rapidjson::ParseResult result = reader.Parse<kJsonLexFlags>(stream, checker);
  if (result.Code() == rapidjson::kParseErrorNumberTooBig) return read_refused_number(text).has_value();
  return !result.IsError();
}

}  // namespace simstack
