// One JSON value read into a flat list of nodes and one buffer of decoded text, for
// the instances a walk reads: the reader takes exactly the texts read_json takes, but
// builds no tree of values. A reader asks for a few members of each instance; those
// are found by name in the list, and a value is made a Json only when it is read.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "simstack/state_file.h"

namespace simstack {

class JsonTape {
 public:
  enum class Kind : std::uint8_t { Null, False, True, Number, String, Object, Array };
  struct Node {
    Kind kind = Kind::Null;
    std::uint32_t key = 0;  // a member's decoded name in chars(): offset and size
    std::uint32_t key_size = 0;
    std::uint32_t text = 0;  // a string's decoded text, a number's text: offset and size
    std::uint32_t text_size = 0;
    std::uint32_t end = 0;  // one past the container's last node (a scalar: its own index + 1)
    bool repeats = false;   // an object with a member name more than once
  };

  // A value of the tape (the tape must outlive it); a default one stands for none.
  class Ref {
   public:
    Ref() = default;
    Ref(const JsonTape* tape, std::uint32_t index) : tape_(tape), index_(index) {}
    explicit operator bool() const { return tape_ != nullptr; }
    Kind kind() const { return node().kind; }
    bool is_object() const { return kind() == Kind::Object; }
    bool is_array() const { return kind() == Kind::Array; }
    // A string's decoded text, a number's text.
    std::string_view text() const { return tape_->chars(node().text, node().text_size); }
    // A member's name (empty for an element of an array or the root).
    std::string_view key() const { return tape_->chars(node().key, node().key_size); }
    // The members or elements of a container, in text order (repeated members all).
    std::vector<Ref> children() const;
    // The last member of exactly that name; none when there is none.
    Ref member(std::string_view name) const;
    // The member a Json object of this text would give for `name`: the exact name, else
    // the first name in byte order that equals it in any case; of a repeated member,
    // the last. None when there is no such member or this is not an object.
    Ref member_nocase(std::string_view name) const;
    // The value as read_json builds it from the same text.
    Json to_json() const;
    // The value with every object in it (itself included) left empty: enough to tell
    // the kinds of the value and its elements, and the scalars as they are.
    Json shallow_json() const;

   private:
    const Node& node() const { return tape_->nodes_[index_]; }
    const JsonTape* tape_ = nullptr;
    std::uint32_t index_ = 0;
  };

  Ref root() const { return Ref(this, 0); }

 private:
  friend class TapeBuilder;
  friend class JsonTapeReader;
  std::string_view chars(std::uint32_t at, std::uint32_t size) const { return {chars_.data() + at, size}; }
  std::vector<Node> nodes_;
  std::string chars_;
};

// Reads many texts in turn (the instances of a list), its buffers kept between texts.
class JsonTapeReader {
 public:
  JsonTapeReader();
  ~JsonTapeReader();
  JsonTapeReader(const JsonTapeReader&) = delete;
  JsonTapeReader& operator=(const JsonTapeReader&) = delete;
  // As read_json (no byte-order mark): none when `text` is not valid JSON. Throws
  // std::bad_alloc, also for a text too large for the tape's offsets (4 GiB).
  std::optional<JsonTape> read(std::string_view text);

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace simstack
