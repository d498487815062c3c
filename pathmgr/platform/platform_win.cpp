#include <windows.h>

#include <vector>

#include "platform/platform.h"
#include "simstack/state_file/sim_host.h"
#include "text/wipe_text.h"
#include "wmi/com_backend.h"

namespace {

class WinOsVersion : public OsVersionSource {
 public:
  bool query(OsVersion& out) override {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);  // 148
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info)) return false;
#pragma GCC diagnostic pop
    out = OsVersion{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
    return true;
  }
};

}  // namespace

Platform make_platform() {
  if (auto configured = simstack::configured_state_path())
    return make_sim_platform(simstack::open_sim_host(configured));
  Platform p;
  p.wmi = wmi::make_com_backend();
  p.os = std::make_unique<WinOsVersion>();
  p.registry = registry::make_windows_registry();
  p.scsi = scsi::make_windows_storage();
  return p;
}

std::string own_module_path() {
  std::vector<char> buf(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) return std::string(buf.data(), n);
    buf.resize(buf.size() * 2);  // a longer path than the buffer: grow, never truncate
  }
}

std::uint32_t run_child_process(const std::string& module_path, const std::string& command_line) {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  // CreateProcessA may write into its command line: a copy, made in one buffer of its
  // final size (the line may carry a password) and wiped after the start.
  std::vector<char> line;
  line.reserve(command_line.size() + 1);
  line.assign(command_line.begin(), command_line.end());
  line.push_back('\0');
  const BOOL started = CreateProcessA(module_path.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                      &startup, &process);
  const DWORD error = started ? 0 : GetLastError();
  wipe_text(line);
  if (!started) return error;
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}

int process_exit_status(int result) { return result; }
