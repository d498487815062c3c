// POSIX has no device installation of its own: the simulated host always serves it.
#include "devinst/device_installer.h"
#include "devinst/sim_device_installer.h"

namespace devinst {

std::unique_ptr<DeviceInstaller> make_device_installer() {
  return make_sim_device_installer(simstack::open_sim_host(simstack::configured_state_path()));
}

}  // namespace devinst
