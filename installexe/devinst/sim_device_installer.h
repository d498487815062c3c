// The device installation of the simulated host: the "devices" and "windows" members
// of the state file, its registry, "faults"."device" and the journal.
#pragma once
#include <memory>

#include "devinst/device_installer.h"
#include "simstack/state_file/sim_host.h"

namespace devinst {

std::unique_ptr<DeviceInstaller> make_sim_device_installer(std::unique_ptr<simstack::SimHost> host);

}  // namespace devinst
