// The platform seams of pathmgr: WMI, the OS version, the registry, SCSI requests and child processes. Only the
// implementations of this folder (and the WMI backends) know which platform runs.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "registry/registry.h"
#include "scsi/scsi_seam.h"
#include "wmi/wmi_seam.h"

namespace simstack {
class SimHost;
}

struct OsVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
};

class OsVersionSource {
 public:
  virtual ~OsVersionSource() = default;
  // false when the version cannot be read.
  virtual bool query(OsVersion& out) = 0;
};

struct Platform {
  std::unique_ptr<simstack::SimHost> sim;  // set when the simulated host is used
  std::unique_ptr<wmi::Backend> wmi;
  std::unique_ptr<OsVersionSource> os;
  std::unique_ptr<registry::Registry> registry;
  std::unique_ptr<scsi::Storage> scsi;
};

// The simulated host when PATHMGR_SIM is set (and always on POSIX, where the default
// host file is created the first time), else the real Windows platform. Throws
// simstack::StateError for a state file that cannot be used.
Platform make_platform();
// The simulated platform over a given host (tests, and the factory above).
Platform make_sim_platform(std::unique_ptr<simstack::SimHost> host);

// Runs one command of this process. On the simulated host the command reads the host
// afresh, and its changes are written once when it ends — none when it ends by an
// error, which is reported on `out` (result 1), so the file keeps the host as it was.
int run_platform_command(Platform& platform, std::ostream& out, const std::function<int()>& command);

// The process exit status for a command's result: the result itself on Windows; on
// POSIX, where a status keeps 8 bits, 1 for a failure whose low 8 bits are zero.
int process_exit_status(int result);

// The full path of the running program; empty when it cannot be found.
std::string own_module_path();
// Starts the program at `module_path` with `command_line` (split as the Windows C
// runtime splits a command line), sharing this console, and waits for it to end.
// Returns 0, or the system error code when it could not be started.
std::uint32_t run_child_process(const std::string& module_path, const std::string& command_line);
