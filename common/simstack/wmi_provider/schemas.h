// Class schemas of the simulated WMI provider: property names in order, CIM types,
// keys, embedded classes and methods. The built-in set (builtin_schemas.json) follows
// what a real MPIO provider serves: 64-bit values as uint64 (decimal text on the
// wire), SCSI address bytes as uint8, flags of the policy paths and the DSM counters'
// flag as uint32, the ALUA group identifier as uint16, Active as boolean, vendor and
// product identifiers as uint8 arrays; the disk driver's performance record holds its
// counters and times as sint64 and the storage manager's name as a uint16 array. A
// state file's "classes" member adds or overrides schemas in the same shape.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "simstack/state_file/json.h"

namespace simstack {

struct ClassSchema;

// What JSON a value of a CIM type is stored as, decided once per schema property.
enum class StoredKind : std::uint8_t {
  Text,       // string, datetime
  Boolean,
  Integer,    // 8- to 32-bit integers and char16: a number within `integer_bits`
  Integer64,  // uint64, sint64: a number or decimal text
  Real,       // real32, real64
  Object,
  Other,      // a type this provider does not know: any scalar
};

struct PropertySchema {
  std::string name;
  std::string base_type;     // "string", "uint32", "object", ...
  std::string object_class;  // for "object"
  bool is_array = false;
  bool key = false;
  std::uint16_t vt = 8;      // VARIANT type of one value as WMI serves it (8: VT_BSTR)
  std::int32_t cim_code = 8; // CIM type code of base_type
  StoredKind stored = StoredKind::Text;
  std::uint8_t integer_bits = 0;  // for Integer
  const ClassSchema* object_schema = nullptr;  // resolved embedded class, if known
};

struct MethodSchema {
  std::string name;
  std::vector<PropertySchema> in;
  std::vector<PropertySchema> out;
  bool has_in = false;
  bool has_out = false;
};

struct ClassSchema {
  std::string name;
  std::vector<PropertySchema> properties;
  std::vector<MethodSchema> methods;
  const PropertySchema* find_property(std::string_view name) const;
  const MethodSchema* find_method(const std::string& name) const;
};

// "uint8[]" / "object:PDOSCSI_ADDR[]" / {"type": ..., "key": true} -> PropertySchema.
// `owner` (" of class C") completes the name of the property in errors.
PropertySchema parse_property(const std::string& name, const Json& spec, const std::string& owner = "");

// Schemas of one state document: its own "classes" first, then the built-in ones,
// each class's properties in the order the document lists them.
class SchemaRegistry {
 public:
  // Throws StateError naming the file `path` for a schema of the wrong shape.
  SchemaRegistry(const Json& document, const std::string& path);
  const ClassSchema* find(const std::string& ns, const std::string& class_name) const;
  // Any namespace, for embedded classes named only by class.
  const ClassSchema* find_any(const std::string& class_name) const;

 private:
  std::map<std::string, std::map<std::string, std::shared_ptr<ClassSchema>>> by_namespace_;
};

const char* builtin_schema_text();
// Sets the property's CIM type ("uint32", "object", ...) and what follows from it: the
// VARIANT type of a value, the CIMTYPE code, how the value is stored.
void set_base_type(PropertySchema& p, std::string base_type);
// The CIMTYPE of a property as Get reports it (CIM_UINT64 21, CIM_FLAG_ARRAY 0x2000, ...).
std::int32_t cim_type_of(const PropertySchema& p);
// The CIMTYPE qualifier text: "uint32", "string", "object:PDO_INFORMATION" (arrays
// name their element type).
std::string cim_type_text(const PropertySchema& p);

}  // namespace simstack
