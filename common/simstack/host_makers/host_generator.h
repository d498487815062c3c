// Generates consistent simulated hosts: N multipath devices with M paths each over
// K HBA ports and C controller ports of one or more arrays, ALUA groups and states,
// mixed policies, counters, the disks in ROOT\CIMV2, the method-class instances, the
// driver's registry key and the SCSI targets. Deterministic for a given seed.
#pragma once
#include <cstdint>

#include "simstack/state_file/json.h"

namespace simstack {

struct HostSpec {
  unsigned family = 6;            // 5 (Windows Server 2003 family) or 6
  unsigned devices = 8;
  unsigned paths_per_device = 4;
  unsigned hba_ports = 2;
  unsigned controller_ports = 4;  // per array; even ports are controller A, odd ones B
  unsigned arrays = 2;
  unsigned pathless_disks = 0;    // family 5: driver disks without any path record
  std::uint32_t seed = 1;
};

// Throws std::invalid_argument for a spec no host can have.
JsonDocument generate_host(const HostSpec& spec);

// The built-in demo host, what the default state file holds when it is first made, is
// the default spec's host of this seed: family 6, two arrays, eight disks of four paths
// each, mixed policies and ALUA states.
inline constexpr std::uint32_t kDemoHostSeed = 2026;

// The fixed parts of every generated host (host_template.json, embedded at build time):
// "common" to both families, then "5" and "6" for each family's own.
const char* host_template_text();

}  // namespace simstack
