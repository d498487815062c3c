// Whether a stored value has the shape its schema declares. The simulated provider
// checks each value as it serves it, so a host file with a wrongly typed property is
// refused where it is read instead of being served as a quiet zero or empty text.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "simstack/state_file/json.h"
#include "simstack/state_file/state_file.h"
#include "simstack/wmi_provider/schemas.h"

namespace simstack {

// None when `value` fits `p` (null always fits; an array's null elements too), else
// what is wrong ("a string where the schema says uint32").
std::optional<std::string> value_problem(const Json& value, const PropertySchema& p);
// One element of an array property (or a scalar property's value): same wording.
std::optional<std::string> scalar_problem(const Json& value, const PropertySchema& p);

// Whether a stored number is a whole number that a 64-bit integer holds.
inline bool is_integer(const Json& v) { return v.IsInt64() || v.IsUint64(); }
// What kind of JSON value `v` is, for messages ("a string", "an integer", ...).
const char* json_kind(const Json& v);

// Where a value was found, for the error that refuses it:
// "FILE: class C, instance 3, property P: <problem>".
StateError wrong_value(const std::string& path, std::string_view class_name, std::size_t instance,
                       std::string_view property, const std::string& problem);

}  // namespace simstack

namespace simstack {

// Checks the members on the way to a namespace's classes and instances: "wmi", the
// namespace, and its "classes" and "instances" are objects where present. Throws
// StateError naming the member.
void check_namespace_members(const Json& doc, std::string_view ns, const std::string& path);
// An instance list that is present is an array; throws StateError naming the class.
const Json* checked_instance_list(const Json* list, std::string_view class_name, const std::string& path);
// A stored instance is an object; throws StateError naming the class and the index.
void check_instance(const Json& node, std::string_view class_name, std::size_t index, const std::string& path);

}  // namespace simstack
