#include "simstack/json_reader.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

namespace simstack {

namespace {

// Numbers as the Json library reads them (every double rounded correctly), and the
// stack kept on the heap: no text can exhaust the thread's stack. Strings are checked
// for UTF-8 below, faster than the lexer checks them byte by byte.
constexpr unsigned kReadFlags = rapidjson::kParseFullPrecisionFlag | rapidjson::kParseIterativeFlag;

// Well-formed UTF-8 as the Json library takes it: no overlong forms, no code points
// past U+10FFFF and no surrogates U+D800..U+DFFF (raw, or from a \u escape, which the
// lexer turns into the same bytes). Runs of ASCII are passed eight bytes at a time.
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

// Builds a Json value from the lexer's events.
class JsonBuilder : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, JsonBuilder> {
 public:
  bool Null() { return value(Json(nullptr)); }
  bool Bool(bool b) { return value(Json(b)); }
  // Non-negative numbers are unsigned and negative ones signed, as the Json library has them.
  bool Int(int i) { return value(Json(static_cast<std::int64_t>(i))); }
  bool Uint(unsigned u) { return value(Json(static_cast<std::uint64_t>(u))); }
  bool Int64(std::int64_t i) { return value(Json(i)); }
  bool Uint64(std::uint64_t u) { return value(Json(u)); }
  bool Double(double d) { return value(Json(d)); }
  bool String(const char* s, rapidjson::SizeType n, bool) {
    return valid_utf8(s, n) && value(Json(std::string(s, n)));
  }
  bool Key(const char* s, rapidjson::SizeType n, bool) {
    if (!valid_utf8(s, n)) return false;
    key_.assign(s, n);
    return true;
  }
  bool StartObject() { return open(Json::object()); }
  bool EndObject(rapidjson::SizeType) { return close(); }
  bool StartArray() { return open(Json::array()); }
  bool EndArray(rapidjson::SizeType) { return close(); }

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
  bool String(const char* s, rapidjson::SizeType n, bool) { return valid_utf8(s, n); }
  bool Key(const char* s, rapidjson::SizeType n, bool) { return valid_utf8(s, n); }
};

}  // namespace

struct JsonReader::Parts {
  rapidjson::Reader reader;
  JsonBuilder builder;
};

JsonReader::JsonReader() : parts_(std::make_unique<Parts>()) {}

JsonReader::~JsonReader() = default;

std::optional<Json> JsonReader::read(std::string_view text) {
  rapidjson::MemoryStream stream(text.data(), text.size());
  const bool ok = !parts_->reader.Parse<kReadFlags>(stream, parts_->builder).IsError();
  Json value = parts_->builder.take();
  if (!ok) return std::nullopt;
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
  return !reader.Parse<kReadFlags>(stream, checker).IsError();
}

}  // namespace simstack
