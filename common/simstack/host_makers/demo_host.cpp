#include "simstack/host_makers/demo_host.h"

#include "simstack/host_makers/host_generator.h"

namespace simstack {

// A family-6 host with two arrays, eight disks of four paths each, mixed policies
// and ALUA states.
JsonDocument demo_host() {
  HostSpec spec;
  spec.family = 6;
  spec.devices = 8;
  spec.paths_per_device = 4;
  spec.hba_ports = 2;
  spec.controller_ports = 4;
  spec.arrays = 2;
  spec.seed = 2026;
  return generate_host(spec);
}

}  // namespace simstack
