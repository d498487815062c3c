// A stored value the simulated provider serves: a node of a parsed document, or of an
// instance read onto a tape for a walk. Both answer alike; the owner that keeps either
// alive is held beside it.
#pragma once
#include <string_view>
#include <vector>

#include "simstack/json_tape.h"
#include "simstack/state_file.h"

namespace simstack {

class StoredNode {
 public:
  StoredNode() = default;
  explicit StoredNode(const Json* json) : json_(json) {}
  explicit StoredNode(JsonTape::Ref tape) : tape_(tape) {}

  explicit operator bool() const { return json_ != nullptr || static_cast<bool>(tape_); }
  // The node of a tape (null for a document's).
  const JsonTape::Ref* tape() const { return json_ == nullptr && tape_ ? &tape_ : nullptr; }
  bool is_object() const { return json_ != nullptr ? json_->is_object() : tape_ && tape_.is_object(); }
  bool is_array() const { return json_ != nullptr ? json_->is_array() : tape_ && tape_.is_array(); }
  bool is_null() const { return json_ != nullptr ? json_->is_null() : tape_ && tape_.kind() == JsonTape::Kind::Null; }
  bool is_string() const { return json_ != nullptr ? json_->is_string() : tape_ && tape_.kind() == JsonTape::Kind::String; }
  // A string's text (empty for any other value).
  std::string_view string() const;
  // The member of exactly that name (of a repeated one, the last).
  StoredNode member(std::string_view name) const;
  // As find_member_nocase.
  StoredNode member_nocase(std::string_view name) const;
  // The elements of an array, in order (none for any other value).
  std::vector<StoredNode> elements() const;
  // The names of an object's members, each once, in byte order (as a Json object has them).
  std::vector<std::string_view> member_names() const;
  // The value as a Json (a copy for a document's node).
  Json to_json() const { return json_ != nullptr ? *json_ : tape_.to_json(); }
  // The node's own Json, or one with every object in it left empty for a tape's (see
  // JsonTape::Ref::shallow_json): enough for the kinds and the scalars of the value.
  const Json& form(Json& storage) const;

 private:
  const Json* json_ = nullptr;
  JsonTape::Ref tape_;
};

}  // namespace simstack
