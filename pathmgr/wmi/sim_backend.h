// The simulated WMI provider: serves the classes of the driver stack from the state
// file of the simulated host (instances, schemas, faults, journal).
#pragma once
#include <memory>

#include "simstack/state_file/sim_host.h"
#include "wmi/wmi_seam.h"

namespace wmi {

std::unique_ptr<Backend> make_sim_backend(simstack::SimHost& host);

// Parses Class.Key="value" (backslash escapes undone); false when malformed.
bool parse_object_path(const std::wstring& path, std::wstring& class_name, std::wstring& key_name,
                       std::wstring& key_value);

// The journal form of an in-parameter object made by the simulated provider.
simstack::Json journal_form(const Object& object, bool with_class, simstack::JsonAllocator& allocator);

}  // namespace wmi
