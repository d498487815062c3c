// The JSON values of the host file: RapidJSON's document and values, which keep the
// members of an object in the order the file gives them. A value belongs to one
// document: whatever is put into it is made with that document's allocator.
#pragma once
#include <rapidjson/document.h>

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace simstack {

using Json = rapidjson::Value;
using JsonDocument = rapidjson::Document;
using JsonAllocator = rapidjson::Document::AllocatorType;

bool equal_nocase(std::string_view a, std::string_view b);

inline std::string_view text_of(const Json& v) {
  return v.IsString() ? std::string_view(v.GetString(), v.GetStringLength()) : std::string_view();
}
inline std::string_view name_of(const Json::ConstMemberIterator& m) {
  return std::string_view(m->name.GetString(), m->name.GetStringLength());
}

// The member of exactly that name (of a repeated name, the last, as the last one
// written wins); null when absent or when `object` is no object.
const Json* member(const Json& object, std::string_view name);
inline Json* member(Json& object, std::string_view name) { return const_cast<Json*>(member(std::as_const(object), name)); }
// The exact name, else the first member of that name in any case (namespace, class,
// property and registry names compare without regard to case).
const Json* member_nocase(const Json& object, std::string_view name);
inline Json* member_nocase(Json& object, std::string_view name) {
  return const_cast<Json*>(member_nocase(std::as_const(object), name));
}

// Whether `list` is an array that holds the text `name`, in any case.
bool holds_name(const Json* list, std::string_view name);

// An integer member, when it holds one that fits.
std::optional<std::int64_t> int_member(const Json& object, std::string_view name);
// A text member, empty when absent or not text.
std::string text_member(const Json& object, std::string_view name);
bool flag_member(const Json& object, std::string_view name, bool fallback = false);

// The value as compact JSON text, for messages ("true", "\"6\"", "[1,2]").
std::string json_text(const Json& v);

// Puts values into a document: text is copied with the document's allocator, values
// are moved in. Arguments convert from numbers, flags, text and values, so objects
// and arrays are written as lists: make.object({{"kind", "scsi"}, {"status", 0}}).
class JsonMaker {
 public:
  class Arg {
   public:
    Arg(std::nullptr_t) {}
    Arg(bool b) : value_(b) {}
    template <std::integral Integer>
    Arg(Integer n) : value_(std::is_signed_v<Integer> ? Json(static_cast<std::int64_t>(n)) : Json(static_cast<std::uint64_t>(n))) {}
    Arg(double d) : value_(d) {}
    Arg(const char* text) : text_(text), is_text_(true) {}
    Arg(std::string_view text) : text_(text), is_text_(true) {}
    Arg(const std::string& text) : text_(text), is_text_(true) {}
    Arg(Json&& value) : value_(std::move(value)) {}
    // The value, moved out (an Arg is used once).
    Json take(JsonAllocator& allocator) const;

   private:
    mutable Json value_;
    std::string_view text_;
    bool is_text_ = false;
  };
  using Member = std::pair<std::string_view, Arg>;

  explicit JsonMaker(JsonAllocator& allocator) : allocator_(allocator) {}
  explicit JsonMaker(JsonDocument& doc) : allocator_(doc.GetAllocator()) {}
  JsonAllocator& allocator() const { return allocator_; }

  Json text(std::string_view s) const { return Json(s.data(), static_cast<rapidjson::SizeType>(s.size()), allocator_); }
  Json object(std::initializer_list<Member> members = {}) const;
  Json array(std::initializer_list<Arg> elements = {}) const;
  // A deep copy of a value of any document.
  Json copy(const Json& v) const { return Json(v, allocator_); }

  // Sets the member of that name (any case: the stored name keeps its spelling), or
  // adds it at the end; returns it. `object` must be an object.
  Json& put(Json& object, std::string_view name, Arg value) const;
  // The member of that name (any case), added as `initial` when absent.
  Json& child(Json& object, std::string_view name, Arg initial) const;
  void push(Json& array, Arg value) const { array.PushBack(value.take(allocator_), allocator_); }
  // The array member of that name, made an empty array when absent or of another kind.
  Json& list(Json& object, std::string_view name) const;
  // Appends an entry to the document's "journal".
  void journal(Json& doc, Json entry) const { list(doc, "journal").PushBack(entry, allocator_); }

 private:
  JsonAllocator& allocator_;
};

// Removes the members of that name (any case); returns whether there was one.
bool erase_member_nocase(Json& object, std::string_view name);

}  // namespace simstack
