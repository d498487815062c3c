#include "simstack/wmi_provider/value_check.h"

#include <charconv>
#include <cstdint>

namespace simstack {

namespace {

// A stored integer fits an N-bit property (N from 1 to 32) when either reading of its
// bits does: the signed range from -2^(N-1), the unsigned one up to 2^N - 1.
bool fits_bits(const Json& v, int bits) {
  if (!v.IsInt64()) return v.GetUint64() <= (std::uint64_t{1} << bits) - 1;
  const std::int64_t n = v.GetInt64();
  return n >= -(std::int64_t{1} << (bits - 1)) && (n < 0 || static_cast<std::uint64_t>(n) <= (std::uint64_t{1} << bits) - 1);
}

// Whether text is a decimal 64-bit integer, as 64-bit integers travel.
template <typename Integer>
bool is_decimal(std::string_view text) {
  Integer n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

std::string where_schema_says(const Json& v, const PropertySchema& p) {
  return std::string(json_kind(v)) + " where the schema says " + p.base_type;
}

}  // namespace

const char* json_kind(const Json& v) {
  if (v.IsString()) return "a string";
  if (v.IsBool()) return "true or false";
  if (is_integer(v)) return "an integer";
  if (v.IsNumber()) return "a fractional number";
  if (v.IsObject()) return "an object";
  if (v.IsArray()) return "an array";
  return "null";
}

std::optional<std::string> scalar_problem(const Json& v, const PropertySchema& p) {
  if (v.IsNull()) return std::nullopt;
  bool fits = true;
  switch (p.stored) {
    case StoredKind::Text: fits = v.IsString(); break;
    case StoredKind::Boolean: fits = v.IsBool(); break;
    case StoredKind::Real: fits = v.IsNumber(); break;
    case StoredKind::Object: fits = v.IsObject(); break;
    case StoredKind::Other: fits = !v.IsArray() && !v.IsObject(); break;
    case StoredKind::Integer64:
      if (v.IsString() && !(p.base_type[0] == 's' ? is_decimal<std::int64_t>(text_of(v)) : is_decimal<std::uint64_t>(text_of(v))))
        return json_text(v) + " is not a decimal " + p.base_type;
      fits = v.IsString() || is_integer(v) || v.IsBool();
      break;
    case StoredKind::Integer:
      if (v.IsBool()) break;  // a flag written as true or false: 1 or 0
      if (!is_integer(v)) return where_schema_says(v, p);
      if (!fits_bits(v, p.integer_bits)) return json_text(v) + " is out of range for " + p.base_type;
      break;
  }
  if (!fits) return where_schema_says(v, p);
  return std::nullopt;
}

std::optional<std::string> value_problem(const Json& v, const PropertySchema& p) {
  if (v.IsNull()) return std::nullopt;
  if (!p.is_array) {
    if (v.IsArray()) return "an array where the schema says a single " + p.base_type;
    return scalar_problem(v, p);
  }
  if (!v.IsArray()) return std::string(json_kind(v)) + " where the schema says an array of " + p.base_type;
  for (rapidjson::SizeType i = 0; i < v.Size(); ++i)
    if (auto problem = scalar_problem(v[i], p)) return "element " + std::to_string(i) + ": " + *problem;
  return std::nullopt;
}

StateError wrong_value(const std::string& path, std::string_view class_name, std::size_t instance,
                       std::string_view property, const std::string& problem) {
  return StateError(path + ": class " + std::string(class_name) + ", instance " + std::to_string(instance) +
                    ", property " + std::string(property) + ": " + problem);
}

}  // namespace simstack

namespace simstack {

namespace {
StateError not_an_object(const std::string& path, const std::string& member, const Json& v) {
  return StateError(path + ": member " + member + " is " + json_kind(v) + ", not an object");
}
}  // namespace

void check_namespace_members(const Json& doc, std::string_view ns, const std::string& path) {
  const Json* wmi = member_nocase(doc, "wmi");
  if (wmi == nullptr) return;
  if (!wmi->IsObject()) throw not_an_object(path, "\"wmi\"", *wmi);
  const Json* space = member_nocase(*wmi, ns);
  if (space == nullptr) return;
  const std::string name = "\"wmi\" / " + json_text(Json(rapidjson::StringRef(ns.data(), ns.size())));
  if (!space->IsObject()) throw not_an_object(path, name, *space);
  for (const char* m : {"classes", "instances"})
    if (const Json* v = member_nocase(*space, m); v != nullptr && !v->IsObject())
      throw not_an_object(path, name + " / \"" + m + "\"", *v);
}

const Json* checked_instance_list(const Json* list, std::string_view class_name, const std::string& path) {
  if (list != nullptr && !list->IsArray())
    throw StateError(path + ": the instance list of class " + std::string(class_name) + " is " + json_kind(*list) +
                     ", not an array");
  return list;
}

void check_instance(const Json& node, std::string_view class_name, std::size_t index, const std::string& path) {
  if (!node.IsObject())
    throw StateError(path + ": class " + std::string(class_name) + ", instance " + std::to_string(index) + " is " +
                     json_kind(node) + ", not an object");
}

}  // namespace simstack
