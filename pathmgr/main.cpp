// Entry of pathmgr: usage for a help word; otherwise the WMI connection, the OS
// version, then one command from the command line or the interactive prompt.
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "platform/platform.h"
#include "simstack/state_file/sim_host.h"
#include "shell/command_handlers.h"
#include "shell/command_loop.h"
#include "shell/help_text.h"
#include "simstack/state_file/state_file.h"
#include "wmi/wmi_access.h"

namespace {

// The process ends here once its command has run: output is flushed and the
// connection and the host snapshot are left to the system, as a WMI connection is
// never released explicitly; tearing down a large host's picture would only cost time.
[[noreturn]] void end_process(int rc) {
  std::cout.flush();
  std::fflush(stdout);
  std::_Exit(rc);
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(true);
  Words args(argv + 1, argv + argc);
  Platform platform;
  try {
    platform = make_platform();
  } catch (const simstack::StateError& e) {
    std::cout << "Simulated host: " << e.what() << std::endl;
    return 1;
  }

  if (!args.empty() && is_help_word(args[0])) {
    // The usage shows the help of the host's own family; no COM start is needed for it.
    OsVersion version;
    bool known = platform.os->query(version);
    return print_usage(std::cout, !known || version.major <= 5);
  }

  std::unique_ptr<wmi::Services> services;
  if (wmi::wmi_connect(*platform.wmi, std::cout, services) != 0) {
    std::cout << "Failed to initialize!" << std::endl;
    return 1;
  }
  OsVersion version;
  if (!platform.os->query(version)) {
    std::cout << "Failed to get the OS version, exiting ...\n" << std::endl;
    return 1;
  }

  Session session{std::cout, version.major, platform.wmi.get(), services.get(), print_help, platform.registry.get(),
                  platform.scsi.get()};
  CommandHandlers handlers = make_command_handlers(session);
  const std::string module_path = own_module_path();
  const int rc = command_loop(
      session, handlers, args, std::cin,
      [&](const std::string& command_line) { return run_child_process(module_path, command_line); },
      [&](const std::function<int()>& command) { return run_platform_command(platform, std::cout, command); });
  end_process(process_exit_status(rc));
}
