#include "simstack/json_reader.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

namespace simstack {

namespace {

// Numbers as the Json library reads them (every double rounded correctly), UTF-8
// checked, and the stack kept on the heap: no text can exhaust the thread's stack.
constexpr unsigned kReadFlags =
    rapidjson::kParseFullPrecisionFlag | rapidjson::kParseValidateEncodingFlag | rapidjson::kParseIterativeFlag;

// A code point U+D800..U+DFFF written in UTF-8 (ED A0..BF xx): the Json library refuses
// it, raw or from a \u escape; the lexer lets a lone low surrogate escape through.
bool encodes_surrogate(const char* s, std::size_t n) {
  for (const char* end = s + n; (s = static_cast<const char*>(std::memchr(s, 0xED, end - s))) != nullptr; ++s)
    if (s + 1 < end && static_cast<unsigned char>(s[1]) >= 0xA0) return true;
  return false;
}

// Builds Json values from the lexer's events. With an element sink the outermost
// value must be an array, whose elements are handed over one by one and not kept.
class JsonBuilder : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, JsonBuilder> {
 public:
  explicit JsonBuilder(const std::function<bool(Json&&)>* element) : element_(element) {}

  bool Null() { return value(Json(nullptr)); }
  bool Bool(bool b) { return value(Json(b)); }
  // Non-negative numbers are unsigned and negative ones signed, as the Json library has them.
  bool Int(int i) { return value(Json(static_cast<std::int64_t>(i))); }
  bool Uint(unsigned u) { return value(Json(static_cast<std::uint64_t>(u))); }
  bool Int64(std::int64_t i) { return value(Json(i)); }
  bool Uint64(std::uint64_t u) { return value(Json(u)); }
  bool Double(double d) { return value(Json(d)); }
  bool String(const char* s, rapidjson::SizeType n, bool) {
    return !encodes_surrogate(s, n) && value(Json(std::string(s, n)));
  }
  bool Key(const char* s, rapidjson::SizeType n, bool) {
    if (encodes_surrogate(s, n)) return false;
    key_.assign(s, n);
    return true;
  }
  bool StartObject() { return open(Json::object()); }
  bool EndObject(rapidjson::SizeType) { return close(); }
  bool StartArray() {
    if (element_ != nullptr && stack_.empty() && !in_streamed_array_) return in_streamed_array_ = true;
    return open(Json::array());
  }
  bool EndArray(rapidjson::SizeType) { return close(); }

  Json& root() { return root_; }
  bool stopped() const { return stopped_; }

 private:
  bool value(Json&& v) {
    if (element_ != nullptr && !in_streamed_array_) return false;  // a streamed text that is no array
    place(std::move(v));
    return stack_.empty() ? finished() : true;
  }

  bool open(Json&& container) {
    if (element_ != nullptr && !in_streamed_array_) return false;
    stack_.push_back(place(std::move(container)));
    return true;
  }

  bool close() {
    if (stack_.empty()) {  // the end of the streamed array
      in_streamed_array_ = false;
      return true;
    }
    stack_.pop_back();
    return stack_.empty() ? finished() : true;
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
    Json& slot = top[key_];
    slot = std::move(v);
    return &slot;
  }

  // An outermost value is complete: kept as the root, or handed to the sink.
  bool finished() {
    if (element_ == nullptr) return true;
    if (!(*element_)(std::move(root_))) {
      stopped_ = true;
      return false;
    }
    root_ = Json();
    return true;
  }

  const std::function<bool(Json&&)>* element_;
  std::vector<Json*> stack_;  // the open arrays and objects, outermost first
  std::string key_;
  Json root_;
  bool in_streamed_array_ = false;
  bool stopped_ = false;
};

// Takes every value and builds nothing: the lexer checks the grammar.
struct JsonChecker : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, JsonChecker> {
  bool String(const char* s, rapidjson::SizeType n, bool) { return !encodes_surrogate(s, n); }
  bool Key(const char* s, rapidjson::SizeType n, bool) { return !encodes_surrogate(s, n); }
};

std::string_view without_byte_order_mark(std::string_view text) {
  return text.substr(0, 3) == "\xEF\xBB\xBF" ? text.substr(3) : text;
}

template <typename Handler>
bool lex(std::string_view text, Handler& handler) {
  text = without_byte_order_mark(text);
  rapidjson::MemoryStream stream(text.data(), text.size());
  rapidjson::Reader reader;
  return !reader.Parse<kReadFlags>(stream, handler).IsError();
}

}  // namespace

std::optional<Json> read_json(std::string_view text) {
  JsonBuilder builder(nullptr);
  if (!lex(text, builder)) return std::nullopt;
  return std::move(builder.root());
}

bool is_valid_json(std::string_view text) {
  JsonChecker checker;
  return lex(text, checker);
}

ArrayRead read_json_array(std::string_view text, const std::function<bool(Json&& element)>& element) {
  JsonBuilder builder(&element);
  if (lex(text, builder)) return ArrayRead::Done;
  return builder.stopped() ? ArrayRead::Stopped : ArrayRead::Invalid;
}

}  // namespace simstack
