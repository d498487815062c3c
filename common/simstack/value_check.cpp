#include "simstack/value_check.h"

#include <charconv>
#include <cstdint>

#include "simstack/sim_host.h"

namespace simstack {

namespace {

const char* json_kind(const Json& v) {
  switch (v.type()) {
    case Json::value_t::string: return "a string";
    case Json::value_t::boolean: return "true or false";
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned: return "an integer";
    case Json::value_t::number_float: return "a fractional number";
    case Json::value_t::object: return "an object";
    case Json::value_t::array: return "an array";
    default: return "null";
  }
}

bool fits_bits(const Json& v, int bits) {
  if (v.is_number_unsigned()) return v.get<std::uint64_t>() <= (std::uint64_t{1} << bits) - 1;
  return integer_fits_bits(v.get<std::int64_t>(), bits);
}

std::string where_schema_says(const Json& v, const PropertySchema& p) {
  return std::string(json_kind(v)) + " where the schema says " + p.base_type;
}

}  // namespace

bool integer_fits_bits(std::int64_t n, int bits) {
  return n >= -(std::int64_t{1} << (bits - 1)) && (n < 0 || static_cast<std::uint64_t>(n) <= (std::uint64_t{1} << bits) - 1);
}

bool is_decimal_64(std::string_view text, bool is_signed) {
  const char* first = text.data();
  const char* last = first + text.size();
  if (is_signed) {
    std::int64_t n = 0;
    auto [end, ec] = std::from_chars(first, last, n);
    return ec == std::errc() && end == last && !text.empty();
  }
  std::uint64_t n = 0;
  auto [end, ec] = std::from_chars(first, last, n);
  return ec == std::errc() && end == last && !text.empty();
}

std::optional<std::string> scalar_problem(const Json& v, const PropertySchema& p) {
  if (v.is_null()) return std::nullopt;
  bool fits = true;
  switch (p.stored) {
    case StoredKind::Text: fits = v.is_string(); break;
    case StoredKind::Boolean: fits = v.is_boolean(); break;
    case StoredKind::Real: fits = v.is_number(); break;
    case StoredKind::Object: fits = v.is_object(); break;
    case StoredKind::Other: fits = !v.is_array() && !v.is_object(); break;
    case StoredKind::Integer64:
      if (v.is_string() && !is_decimal_64(v.get_ref<const std::string&>(), p.base_type[0] == 's'))
        return v.dump() + " is not a decimal " + p.base_type;
      fits = v.is_string() || v.is_number_integer() || v.is_boolean();
      break;
    case StoredKind::Integer:
      if (v.is_boolean()) break;  // a flag written as true or false: 1 or 0
      if (!v.is_number_integer()) return where_schema_says(v, p);
      if (!fits_bits(v, p.integer_bits)) return v.dump() + " is out of range for " + p.base_type;
      break;
  }
  if (!fits) return where_schema_says(v, p);
  return std::nullopt;
}

std::optional<std::string> value_problem(const Json& v, const PropertySchema& p) {
  if (v.is_null()) return std::nullopt;
  if (!p.is_array) {
    if (v.is_array()) return "an array where the schema says a single " + p.base_type;
    return scalar_problem(v, p);
  }
  if (!v.is_array()) return std::string(json_kind(v)) + " where the schema says an array of " + p.base_type;
  for (std::size_t i = 0; i < v.size(); ++i)
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
  const Json* wmi = find_member_nocase(doc, "wmi");
  if (wmi == nullptr) return;
  if (!wmi->is_object()) throw not_an_object(path, "\"wmi\"", *wmi);
  const Json* space = find_member_nocase(*wmi, ns);
  if (space == nullptr) return;
  const std::string name = "\"wmi\" / " + Json(std::string(ns)).dump();
  if (!space->is_object()) throw not_an_object(path, name, *space);
  for (const char* member : {"classes", "instances"})
    if (const Json* m = find_member_nocase(*space, member); m != nullptr && !m->is_object())
      throw not_an_object(path, name + " / \"" + member + "\"", *m);
}

const Json* checked_instance_list(const Json* list, std::string_view class_name, const std::string& path) {
  if (list != nullptr && !list->is_array())
    throw StateError(path + ": the instance list of class " + std::string(class_name) + " is " + json_kind(*list) +
                     ", not an array");
  return list;
}

void check_instance(const Json& node, std::string_view class_name, std::size_t index, const std::string& path) {
  if (!node.is_object())
    throw StateError(path + ": class " + std::string(class_name) + ", instance " + std::to_string(index) + " is " +
                     json_kind(node) + ", not an object");
}

}  // namespace simstack
