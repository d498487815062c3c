// The devices an install meets on a simulated host: SCSI adapters, disks of the
// module's arrays and of another vendor (all with the generic disk ID "GenDisk"),
// MPIO's bus device on family 5 and MPIO's own disks on family 6, the registry keys
// the framework keeps, and the simulated Windows folder.
#pragma once
#include "simstack/state_file/json.h"

namespace simstack {

struct InstallHostSpec {
  unsigned family = 6;
  unsigned module_disks = 2;  // ZYR FLEXARRAY disks
  unsigned other_disks = 1;   // disks of a vendor the module does not support
  unsigned adapters = 2;
};

// Adds "devices", "windows" and the framework's registry keys to `host`.
void add_install_devices(JsonDocument& host, const InstallHostSpec& spec);

}  // namespace simstack
