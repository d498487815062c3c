// The command line of install: checks before any change, the action of the switch,
// the two optional registry values, and the exit code.
#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "devinst/device_installer.h"

namespace installer {

// Exit codes: 0 success (and the usage text), 3010 success that needs a reboot, 1
// when a check or the action failed.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitRebootRequired = 3010;

// `args` are the words after the program name.
int run_install(const std::vector<std::wstring>& args, devinst::DeviceInstaller& dev, std::ostream& out);

}  // namespace installer
