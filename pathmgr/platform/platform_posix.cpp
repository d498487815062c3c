#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/command_line.h"
#include "platform/platform.h"
#include "simstack/state_file/sim_host.h"
#include "text/wipe_text.h"

extern char** environ;

Platform make_platform() {
  return make_sim_platform(simstack::open_sim_host(simstack::configured_state_path()));
}

std::string own_module_path() {
  std::vector<char> buf(256);
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<std::size_t>(n));
    buf.resize(buf.size() * 2);
  }
}

std::uint32_t run_child_process(const std::string& module_path, const std::string& command_line) {
  std::vector<std::string> args = split_command_line(command_line);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  // The child inherits standard input, output and error and the environment, so it
  // shares the console and sees the same simulated host.
  int rc = ::posix_spawn(&pid, module_path.c_str(), nullptr, nullptr, argv.data(), environ);
  wipe_text(args);  // the words may carry a password
  if (rc != 0) return static_cast<std::uint32_t>(rc);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return 0;
}

int process_exit_status(int result) {
  if (result != 0 && (result & 0xFF) == 0) return 1;
  return result & 0xFF;
}
