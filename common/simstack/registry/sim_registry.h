// The registry of the simulated host: the state file's "registry" member, keys named
// "HKLM\<subkey>" and compared without regard to case, faults "registry_open" and
// "registry_write", every write journaled.
#pragma once
#include <memory>

#include "registry/registry.h"
#include "simstack/state_file/json.h"
#include "simstack/state_file/sim_host.h"

namespace simstack {

std::unique_ptr<registry::Registry> make_sim_registry(SimHost& host);

// A stored value ({"type": ..., "data": ...}) as the registry API hands it over, and
// bytes as the value that stores them; `where` names the value in errors (StateError).
struct RegistryValue {
  std::uint32_t type = registry::kREG_NONE;
  std::vector<std::uint8_t> data;
};
RegistryValue registry_value_of(const Json& stored, const std::string& where);
Json stored_registry_value(JsonAllocator& allocator, std::uint32_t type, const std::vector<std::uint8_t>& data);
std::string registry_type_name(std::uint32_t type);

}  // namespace simstack
