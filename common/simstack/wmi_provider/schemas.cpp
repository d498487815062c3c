#include "simstack/wmi_provider/schemas.h"

#include <cctype>

#include <utility>

#include "simstack/state_file/json_text.h"
#include "simstack/state_file/state_file.h"
#include "simstack/wmi_provider/value_check.h"

namespace simstack {

namespace {
std::string lower_ascii(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}
}  // namespace

const PropertySchema* ClassSchema::find_property(std::string_view prop) const {
  for (const auto& p : properties)  // sizes and first letters first: most names differ there
    if (p.name.size() == prop.size() && (prop.empty() || p.name[0] == prop[0]) && p.name == prop) return &p;
  for (const auto& p : properties)  // WMI property names do not depend on case
    if (equal_nocase(p.name, prop)) return &p;
  return nullptr;
}

const MethodSchema* ClassSchema::find_method(const std::string& method) const {
  for (const auto& m : methods)
    if (equal_nocase(m.name, method)) return &m;
  return nullptr;
}

namespace {

// What a CIM type is served and stored as: the VARIANT type of a value (64-bit numbers
// and dates go as text), its CIMTYPE code, the JSON it is stored as and, for the
// smaller integers, their bits. A type name this provider does not know is served as
// text and stored as any scalar.
struct CimTypeInfo {
  const char* name;
  std::uint16_t vt;
  std::int32_t code;
  StoredKind stored;
  std::uint8_t bits;
};
constexpr CimTypeInfo kCimTypes[] = {
    {"string", 8, 8, StoredKind::Text, 0},        {"datetime", 8, 101, StoredKind::Text, 0},
    {"boolean", 11, 11, StoredKind::Boolean, 0},  {"sint8", 2, 16, StoredKind::Integer, 8},
    {"uint8", 17, 17, StoredKind::Integer, 8},    {"sint16", 2, 2, StoredKind::Integer, 16},
    {"uint16", 3, 18, StoredKind::Integer, 16},   {"char16", 2, 103, StoredKind::Integer, 16},
    {"sint32", 3, 3, StoredKind::Integer, 32},    {"uint32", 3, 19, StoredKind::Integer, 32},
    {"sint64", 8, 20, StoredKind::Integer64, 0},  {"uint64", 8, 21, StoredKind::Integer64, 0},
    {"real32", 4, 4, StoredKind::Real, 0},        {"real64", 5, 5, StoredKind::Real, 0},
    {"object", 13, 13, StoredKind::Object, 0},    {"reference", 8, 102, StoredKind::Other, 0}};

}  // namespace

void set_base_type(PropertySchema& p, std::string base_type) {
  CimTypeInfo info{nullptr, 8, 8, StoredKind::Other, 0};
  for (const auto& t : kCimTypes)
    if (base_type == t.name) info = t;
  p.base_type = std::move(base_type);
  p.vt = info.vt;
  p.cim_code = info.code;
  p.stored = info.stored;
  p.integer_bits = info.bits;
}

std::int32_t cim_type_of(const PropertySchema& p) { return p.is_array ? p.cim_code | 0x2000 : p.cim_code; }

std::string cim_type_text(const PropertySchema& p) {
  if (p.base_type == "object") return p.object_class.empty() ? "object" : "object:" + p.object_class;
  return p.base_type;
}

PropertySchema parse_property(const std::string& name, const Json& spec, const std::string& owner) {
  PropertySchema p;
  p.name = name;
  std::string type;
  const Json* type_member = member(spec, "type");
  if (spec.IsString()) {
    type = text_of(spec);
  } else if (type_member != nullptr && type_member->IsString()) {
    type = text_of(*type_member);
    if (const Json* key = member(spec, "key")) {
      if (!key->IsBool()) throw StateError("schema of property " + name + owner + ": \"key\" is not true or false");
      p.key = key->GetBool();
    }
  } else {
    throw StateError("schema of property " + name + owner + " has no type");
  }
  if (type.size() > 2 && type.compare(type.size() - 2, 2, "[]") == 0) {
    p.is_array = true;
    type.resize(type.size() - 2);
  }
  if (type.rfind("object:", 0) == 0) {
    p.object_class = type.substr(7);
    type = "object";
  }
  set_base_type(p, std::move(type));
  return p;
}

namespace {

// `owner`: " of class C" or " of method M of class C"; `name`: "properties", "in", "out".
std::vector<PropertySchema> parse_property_list(const Json& props, const std::string& owner, const char* name) {
  std::vector<PropertySchema> out;
  if (!props.IsObject()) throw StateError("schema" + owner + ": \"" + name + "\" is not an object");
  for (auto it = props.MemberBegin(); it != props.MemberEnd(); ++it)
    out.push_back(parse_property(std::string(name_of(it)), it->value, owner));
  return out;
}

ClassSchema parse_class(const std::string& name, const Json& spec) {
  ClassSchema c;
  c.name = name;
  if (!spec.IsObject()) throw StateError("schema of class " + name + " is not an object");
  const std::string of_class = " of class " + name;
  if (const Json* props = member(spec, "properties")) c.properties = parse_property_list(*props, of_class, "properties");
  if (const Json* methods = member(spec, "methods")) {
    if (!methods->IsObject()) throw StateError("schema" + of_class + ": \"methods\" is not an object");
    for (auto m = methods->MemberBegin(); m != methods->MemberEnd(); ++m) {
      MethodSchema ms;
      ms.name = std::string(name_of(m));
      const std::string method = " of method " + ms.name + of_class;
      if (!m->value.IsObject()) throw StateError("schema" + method + " is not an object");
      if (const Json* in = member(m->value, "in")) {
        ms.has_in = true;
        ms.in = parse_property_list(*in, method, "in");
      }
      if (const Json* out = member(m->value, "out")) {
        ms.has_out = true;
        ms.out = parse_property_list(*out, method, "out");
      }
      c.methods.push_back(std::move(ms));
    }
  }
  return c;
}

// The built-in schemas, parsed once.
const JsonDocument& builtin_schemas() {
  static const JsonDocument doc = parse_embedded(builtin_schema_text(), "builtin_schemas.json");
  return doc;
}

}  // namespace

SchemaRegistry::SchemaRegistry(const Json& document, const std::string& path) {
  auto add_classes = [this, &path](const Json& classes, std::string_view ns, bool from_state) {
    auto& target = by_namespace_[lower_ascii(std::string(ns))];
    for (auto c = classes.MemberBegin(); c != classes.MemberEnd(); ++c) {
      const std::string name(name_of(c));
      auto key = lower_ascii(name);
      if (!from_state && target.count(key)) continue;  // the state file's own schema wins
      try {
        target[key] = std::make_shared<ClassSchema>(parse_class(name, c->value));
      } catch (const StateError& e) {
        throw StateError(path + ": " + e.what());
      }
    }
  };
  // The namespaces' members are few: their shapes are checked once, here.
  check_namespace_members(document, "", path);
  if (const Json* wmi = member_nocase(document, "wmi"); wmi != nullptr)
    for (auto ns = wmi->MemberBegin(); ns != wmi->MemberEnd(); ++ns) {
      check_namespace_members(document, name_of(ns), path);
      if (const Json* classes = member_nocase(ns->value, "classes"); classes != nullptr && classes->IsObject())
        add_classes(*classes, name_of(ns), true);
    }
  const JsonDocument& builtin = builtin_schemas();
  for (auto ns = builtin.MemberBegin(); ns != builtin.MemberEnd(); ++ns) add_classes(ns->value, name_of(ns), false);
  // Embedded classes resolved once, not at every read of an object property.
  for (auto& [ns, classes] : by_namespace_)
    for (auto& [name, schema] : classes) {
      std::vector<std::vector<PropertySchema>*> lists{&schema->properties};
      for (auto& m : schema->methods) lists.insert(lists.end(), {&m.in, &m.out});
      for (auto* list : lists)
        for (auto& p : *list)
          if (p.base_type == "object" && !p.object_class.empty()) p.object_schema = find_any(p.object_class);
    }
}

const ClassSchema* SchemaRegistry::find(const std::string& ns, const std::string& class_name) const {
  auto n = by_namespace_.find(lower_ascii(ns));
  if (n == by_namespace_.end()) return nullptr;
  auto c = n->second.find(lower_ascii(class_name));
  return c == n->second.end() ? nullptr : c->second.get();
}

const ClassSchema* SchemaRegistry::find_any(const std::string& class_name) const {
  auto key = lower_ascii(class_name);
  for (const auto& [ns, classes] : by_namespace_) {
    auto c = classes.find(key);
    if (c != classes.end()) return c->second.get();
  }
  return nullptr;
}

}  // namespace simstack
