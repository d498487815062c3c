#include "simstack/state_file/json.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cctype>

namespace simstack {

bool equal_nocase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

const Json* member(const Json& object, std::string_view name) {
  if (!object.IsObject()) return nullptr;
  for (auto m = object.MemberEnd(); m != object.MemberBegin();)  // from the end: the last of a repeated name
    if (--m; name_of(m) == name) return &m->value;
  return nullptr;
}

const Json* member_nocase(const Json& object, std::string_view name) {
  if (const Json* exact = member(object, name)) return exact;
  if (!object.IsObject()) return nullptr;
  for (auto m = object.MemberBegin(); m != object.MemberEnd(); ++m)
    if (equal_nocase(name_of(m), name)) return &m->value;
  return nullptr;
}

bool holds_name(const Json* list, std::string_view name) {
  if (list != nullptr && list->IsArray())
    for (const auto& n : list->GetArray())
      if (n.IsString() && equal_nocase(text_of(n), name)) return true;
  return false;
}

std::optional<std::int64_t> int_member(const Json& object, std::string_view name) {
  const Json* v = member(object, name);
  if (v == nullptr || !v->IsInt64()) return std::nullopt;
  return v->GetInt64();
}

std::string text_member(const Json& object, std::string_view name) {
  const Json* v = member(object, name);
  return v != nullptr ? std::string(text_of(*v)) : std::string();
}

bool flag_member(const Json& object, std::string_view name, bool fallback) {
  const Json* v = member(object, name);
  return v != nullptr && v->IsBool() ? v->GetBool() : fallback;
}

std::string json_text(const Json& v) {
  rapidjson::StringBuffer buffer;
  rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
  v.Accept(writer);
  return std::string(buffer.GetString(), buffer.GetSize());
}

Json JsonMaker::Arg::take(JsonAllocator& allocator) const {
  if (is_text_) return Json(text_.data(), static_cast<rapidjson::SizeType>(text_.size()), allocator);
  return std::move(value_);
}

Json JsonMaker::object(std::initializer_list<Member> members) const {
  Json out(rapidjson::kObjectType);
  for (const auto& [name, value] : members) out.AddMember(text(name), value.take(allocator_), allocator_);
  return out;
}

Json JsonMaker::array(std::initializer_list<Arg> elements) const {
  Json out(rapidjson::kArrayType);
  out.Reserve(static_cast<rapidjson::SizeType>(elements.size()), allocator_);
  for (const auto& e : elements) out.PushBack(e.take(allocator_), allocator_);
  return out;
}

Json& JsonMaker::put(Json& object, std::string_view name, Arg value) const {
  if (Json* existing = member_nocase(object, name)) {
    *existing = value.take(allocator_);
    return *existing;
  }
  object.AddMember(text(name), value.take(allocator_), allocator_);
  return (object.MemberEnd() - 1)->value;
}

Json& JsonMaker::child(Json& object, std::string_view name, Arg initial) const {
  if (Json* existing = member_nocase(object, name)) return *existing;
  return put(object, name, std::move(initial));
}

Json& JsonMaker::list(Json& object, std::string_view name) const {
  Json& l = child(object, name, Json(rapidjson::kArrayType));
  if (!l.IsArray()) l.SetArray();
  return l;
}

bool erase_member_nocase(Json& object, std::string_view name) {
  if (!object.IsObject()) return false;
  bool erased = false;
  for (auto m = object.MemberBegin(); m != object.MemberEnd();) {
    if (equal_nocase(name_of(m), name)) {
      m = object.EraseMember(m);  // keeps the order of the others
      erased = true;
    } else {
      ++m;
    }
  }
  return erased;
}

}  // namespace simstack
