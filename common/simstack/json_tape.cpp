#include "simstack/json_tape.h"

#include <algorithm>
#include <limits>
#include <new>

#include <rapidjson/memorystream.h>

#include "simstack/json_lexer.h"
#include "simstack/sim_host.h"

namespace simstack {

// Appends the lexer's events to a tape; the checks are read_json's.
class TapeBuilder : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, TapeBuilder> {
 public:
  void start(JsonTape& tape) {
    tape_ = &tape;
    tape.nodes_.clear();
    tape.chars_.clear();
    open_.clear();
    key_ = key_size_ = 0;
  }

  bool Null() { return add(JsonTape::Kind::Null); }
  bool Bool(bool b) { return add(b ? JsonTape::Kind::True : JsonTape::Kind::False); }
  bool RawNumber(const char* s, rapidjson::SizeType n, bool) {
    return json_number(s, n).has_value() && add(JsonTape::Kind::Number, s, n);
  }
  bool String(const char* s, rapidjson::SizeType n, bool) {
    return valid_utf8(s, n) && add(JsonTape::Kind::String, s, n);
  }
  bool Key(const char* s, rapidjson::SizeType n, bool) {
    if (!valid_utf8(s, n)) return false;
    key_ = append(s, n);
    key_size_ = n;
    return true;
  }
  bool StartObject() { return open(JsonTape::Kind::Object); }
  bool EndObject(rapidjson::SizeType) { return close(); }
  bool StartArray() { return open(JsonTape::Kind::Array); }
  bool EndArray(rapidjson::SizeType) { return close(); }

  // A value of the Json library's making (a text the lexer refused), put on the tape
  // as the lexer would have put it; numbers as the library writes them, which it reads
  // back as the same number of the same type.
  void add_json(const Json& v) {
    switch (v.type()) {
      case Json::value_t::object:
        open(JsonTape::Kind::Object);
        for (auto it = v.begin(); it != v.end(); ++it) {
          key_ = append(it.key().data(), it.key().size());
          key_size_ = static_cast<std::uint32_t>(it.key().size());
          add_json(it.value());
        }
        close();
        break;
      case Json::value_t::array:
        open(JsonTape::Kind::Array);
        for (const auto& e : v) add_json(e);
        close();
        break;
      case Json::value_t::string: {
        const auto& s = v.get_ref<const std::string&>();
        add(JsonTape::Kind::String, s.data(), s.size());
        break;
      }
      case Json::value_t::boolean: add(v.get<bool>() ? JsonTape::Kind::True : JsonTape::Kind::False); break;
      case Json::value_t::null: add(JsonTape::Kind::Null); break;
      default: {
        const std::string number = v.dump();
        add(JsonTape::Kind::Number, number.data(), number.size());
      }
    }
  }

 private:
  static std::uint32_t checked(std::size_t n) {
    if (n > std::numeric_limits<std::uint32_t>::max()) throw std::bad_alloc();
    return static_cast<std::uint32_t>(n);
  }

  std::uint32_t append(const char* s, std::size_t n) {
    const std::uint32_t at = checked(tape_->chars_.size());
    checked(tape_->chars_.size() + n);
    tape_->chars_.append(s, n);
    return at;
  }

  // A new node; a member takes the name read last.
  bool add(JsonTape::Kind kind, const char* s = nullptr, std::size_t n = 0) {
    JsonTape::Node node;
    node.kind = kind;
    if (!open_.empty() && tape_->nodes_[open_.back()].kind == JsonTape::Kind::Object) {
      node.key = key_;
      node.key_size = key_size_;
    }
    if (s != nullptr) {
      node.text = append(s, n);
      node.text_size = static_cast<std::uint32_t>(n);
    }
    node.end = checked(tape_->nodes_.size() + 1);
    tape_->nodes_.push_back(node);
    return true;
  }

  bool open(JsonTape::Kind kind) {
    add(kind);
    open_.push_back(static_cast<std::uint32_t>(tape_->nodes_.size() - 1));
    return true;
  }

  bool close() {
    JsonTape::Node& container = tape_->nodes_[open_.back()];
    container.end = checked(tape_->nodes_.size());
    if (container.kind == JsonTape::Kind::Object) container.repeats = has_repeats(open_.back());
    open_.pop_back();
    return true;
  }

  // Whether the object's members repeat a name: without, a lookup stops at the first match.
  bool has_repeats(std::uint32_t object) {
    names_.clear();
    const auto& nodes = tape_->nodes_;
    for (std::uint32_t i = object + 1; i < nodes[object].end; i = nodes[i].end)
      names_.push_back(tape_->chars(nodes[i].key, nodes[i].key_size));
    std::sort(names_.begin(), names_.end());
    return std::adjacent_find(names_.begin(), names_.end()) != names_.end();
  }

  JsonTape* tape_ = nullptr;
  std::vector<std::uint32_t> open_;  // the open containers' nodes, outermost first
  std::vector<std::string_view> names_;
  std::uint32_t key_ = 0;
  std::uint32_t key_size_ = 0;
};

struct JsonTapeReader::Parts {
  rapidjson::Reader reader;
  TapeBuilder builder;
};

JsonTapeReader::JsonTapeReader() : parts_(std::make_unique<Parts>()) {}

JsonTapeReader::~JsonTapeReader() = default;

std::optional<JsonTape> JsonTapeReader::read(std::string_view text) {
  JsonTape tape;
  // Decoded text is never longer than the source; a node per two characters at most.
  tape.chars_.reserve(text.size());
  parts_->builder.start(tape);
  rapidjson::MemoryStream stream(text.data(), text.size());
  const rapidjson::ParseResult result = parts_->reader.Parse<kJsonLexFlags>(stream, parts_->builder);
  if (result.Code() == rapidjson::kParseErrorNumberTooBig) {
    auto value = read_refused_number(text);
    if (!value) return std::nullopt;
    parts_->builder.start(tape);
    parts_->builder.add_json(*value);
  } else if (result.IsError()) {
    return std::nullopt;
  }
  return tape;
}

std::vector<JsonTape::Ref> JsonTape::Ref::children() const {
  std::vector<Ref> out;
  const auto& nodes = tape_->nodes_;
  for (std::uint32_t i = index_ + 1; i < node().end; i = nodes[i].end) out.emplace_back(tape_, i);
  return out;
}

JsonTape::Ref JsonTape::Ref::member(std::string_view name) const {
  Ref found;
  if (!*this || !is_object()) return found;
  const bool repeats = node().repeats;
  for (std::uint32_t i = index_ + 1; i < node().end; i = tape_->nodes_[i].end)
    if (Ref m(tape_, i); m.key() == name) {
      found = m;
      if (!repeats) break;
    }
  return found;
}

JsonTape::Ref JsonTape::Ref::member_nocase(std::string_view name) const {
  if (Ref exact = member(name)) return exact;
  Ref folded;
  if (!*this || !is_object()) return folded;
  for (std::uint32_t i = index_ + 1; i < node().end; i = tape_->nodes_[i].end)
    if (Ref m(tape_, i); m.key().size() == name.size() && equal_nocase(m.key(), name) && (!folded || m.key() <= folded.key()))
      folded = m;
  return folded;
}

Json JsonTape::Ref::to_json() const {
  switch (kind()) {
    case Kind::Null: return nullptr;
    case Kind::False: return false;
    case Kind::True: return true;
    case Kind::Number: return *json_number(text().data(), text().size());
    case Kind::String: return std::string(text());
    case Kind::Array: {
      Json out = Json::array();
      for (const Ref& e : children()) out.push_back(e.to_json());
      return out;
    }
    case Kind::Object: break;
  }
  Json out = Json::object();
  for (const Ref& m : children()) out[std::string(m.key())] = m.to_json();  // a repeated member: the last
  return out;
}

Json JsonTape::Ref::shallow_json() const {
  if (is_object()) return Json::object();
  if (!is_array()) return to_json();
  Json out = Json::array();
  for (const Ref& e : children()) out.push_back(e.shallow_json());
  return out;
}

}  // namespace simstack
