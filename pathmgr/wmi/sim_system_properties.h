// The system properties of the simulated provider's objects (__CLASS, __GENUS,
// __SERVER, __NAMESPACE, __PATH, __RELPATH), as WMI serves them beside the
// properties of the class.
#pragma once
#include <string>
#include <string_view>

#include "simstack/wmi_provider/schemas.h"
#include "simstack/state_file/json.h"
#include "wmi/wmi_seam.h"

namespace wmi {

// Where an object comes from: the computer and the namespace of its connection.
struct SimOrigin {
  std::string server;
  std::string ns;
};

struct SimObjectView {
  std::string_view class_name;
  const simstack::ClassSchema* schema = nullptr;
  const simstack::Json* node = nullptr;  // a stored instance; null for class objects and new ones
  const SimOrigin* origin = nullptr;     // null for an embedded or spawned object
  bool is_class = false;
};

// A string as WMI serves it (CIM_STRING), NULL when there is none.
Value string_or_null(const std::string& text);

inline bool is_system_property(std::string_view name) { return name.size() > 2 && name[0] == '_' && name[1] == '_'; }

// One system property; WBEM_E_NOT_FOUND for a name WMI does not serve. Where an
// object has no such place (an embedded object has no path), the value is NULL.
HResult system_property(std::string_view name, const SimObjectView& object, Value& out);

// Class.Key="value" of a stored instance (Class=@ for a class without keys); empty
// when a key is missing or the class has no schema.
std::string relative_path(const SimObjectView& object);

}  // namespace wmi
