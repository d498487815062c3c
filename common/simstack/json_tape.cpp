#include "simstack/json_tape.h"

#include <algorithm>
#include <limits>
#include <new>

#include <rapidjson/memorystream.h>

#include "simstack/json_lexer.h"
#include "simstack/json_plain_reader.h"
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
  bool RawNumber(const char* s, rapidjson::SizeType n, bool) { return json_number(s, n).has_value() && PlainNumber(s, n); }
  bool String(const char* s, rapidjson::SizeType n, bool) { return valid_utf8(s, n) && PlainString(s, n); }
  bool Key(const char* s, rapidjson::SizeType n, bool) { return valid_utf8(s, n) && PlainKey(s, n); }
  bool StartObject() { return open(JsonTape::Kind::Object); }
  bool EndObject(rapidjson::SizeType = 0) { return close(); }
  bool StartArray() { return open(JsonTape::Kind::Array); }
  bool EndArray(rapidjson::SizeType = 0) { return close(); }
  // Texts and numbers known valid (checked above, or plain: read_plain_json).
  bool PlainString(const char* s, std::size_t n) { return add(JsonTape::Kind::String, s, n); }
  bool PlainNumber(const char* s, std::size_t n) { return add(JsonTape::Kind::Number, s, n); }
  bool PlainKey(const char* s, std::size_t n) {
    key_ = append(s, n);
    key_size_ = static_cast<std::uint32_t>(n);
    return true;
  }

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

  // Whether the object's members repeat a name: without, a lookup stops at the first
  // match. A name is compared only with the names before it of the same small hash;
  // a large object's names are sorted instead.
  bool has_repeats(std::uint32_t object) {
    constexpr std::size_t kHashed = 64;  // members: past this, hash collisions would cost more than a sort
    const auto& nodes = tape_->nodes_;
    std::uint64_t seen[4] = {};
    std::size_t count = 0;
    for (std::uint32_t i = object + 1; i < nodes[object].end && count < kHashed; i = nodes[i].end, ++count) {
      const std::string_view key = tape_->chars(nodes[i].key, nodes[i].key_size);
      const unsigned hash = key.empty() ? 0
                                        : (static_cast<unsigned>(key.size()) * 31 + static_cast<unsigned char>(key[0]) * 7 +
                                           static_cast<unsigned char>(key[key.size() / 2]) * 3 +
                                           static_cast<unsigned char>(key.back())) & 255;
      if ((seen[hash >> 6] >> (hash & 63) & 1) != 0)
        for (std::uint32_t j = object + 1; j < i; j = nodes[j].end)
          if (tape_->chars(nodes[j].key, nodes[j].key_size) == key) return true;
      seen[hash >> 6] |= std::uint64_t{1} << (hash & 63);
    }
    if (count < kHashed) return false;
    names_.clear();
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
  JsonTape work;  // read onto first, its buffers kept between texts; each tape is a copy of its size
};

JsonTapeReader::JsonTapeReader() : parts_(std::make_unique<Parts>()) {}

JsonTapeReader::~JsonTapeReader() = default;

std::optional<JsonTape> JsonTapeReader::read(std::string_view text) {
  JsonTape& work = parts_->work;
  parts_->builder.start(work);
  if (!read_plain_json(text, parts_->builder)) {
    parts_->builder.start(work);  // not plain: the general lexer reads it from the start
    rapidjson::MemoryStream stream(text.data(), text.size());
    const rapidjson::ParseResult result = parts_->reader.Parse<kJsonLexFlags>(stream, parts_->builder);
    if (result.Code() == rapidjson::kParseErrorNumberTooBig) {
      auto value = read_refused_number(text);
      if (!value) return std::nullopt;
      parts_->builder.start(work);
      parts_->builder.add_json(*value);
    } else if (result.IsError()) {
      return std::nullopt;
    }
  }
  JsonTape tape;
  tape.nodes_ = work.nodes_;
  tape.chars_ = work.chars_;
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
  const auto& nodes = tape_->nodes_;
  const char* chars = tape_->chars_.data();
  // Sizes and first letters tell most names apart before a comparison is called.
  for (std::uint32_t i = index_ + 1; i < node().end; i = nodes[i].end) {
    const Node& m = nodes[i];
    if (m.key_size != name.size() || (!name.empty() && chars[m.key] != name[0]) ||
        std::char_traits<char>::compare(chars + m.key, name.data(), name.size()) != 0)
      continue;
    found = Ref(tape_, i);
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
