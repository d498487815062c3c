// What every step of install shares: the device-installation platform, the output,
// the OS version read before the action, and the reports every step prints.
#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "devinst/device_installer.h"

namespace installer {

struct Installer {
  devinst::DeviceInstaller& dev;
  std::ostream& out;
  devinst::OsVersion os{};

  bool older_system() const { return os.major <= 5; }
  bool windows_2000_or_older() const { return os.major < 5 || (os.major == 5 && os.minor == 0); }
  // Read again, as the OEM-INF steps do: major above 5, or 5.1 and later.
  bool oem_inf_uninstall_available() const;

  void print(std::wstring_view text) const;
  // "Success \n" or "Success (but need a reboot)\n": this step's own need.
  void report_success(bool need_reboot) const;
  void report_plain_success() const;  // "Success\n"
  // "Failure." then the system message and the code.
  void report_failure(Win32Error code) const;
  // The end of a step: on success the reboot rule and "Success %s\n", else the
  // failure report; returns `rc`.
  Win32Error finish_step(Win32Error rc, bool need_reboot, int& reboot_flag) const;
  // The system message (" %s\n") and "\nError code (0x%08x)\n", without "Failure.".
  void report_system_message(Win32Error code) const;
};

// The first need found stands; a later step never clears it.
inline void note_reboot(int& reboot_flag, bool need) {
  if (reboot_flag == 0) reboot_flag = need ? 1 : 0;
}

// What an action leaves for the exit code.
struct ActionResult {
  bool failed = false;
  int reboot = 0;
};

inline constexpr std::size_t kMaxPath = 260;
// A path buffer of MAX_PATH characters: longer text is cut to 259.
std::wstring path_buffer(std::wstring text);
// folder + "\" + name, within MAX_PATH.
std::wstring join_path(const std::wstring& folder, const std::wstring& name);
// `name` with everything from its last "." replaced by `extension`; empty without a ".".
std::wstring with_extension(const std::wstring& name, const std::wstring& extension);
// The file-name component of a path: what follows its last "\" (or "/").
std::wstring file_name_of(const std::wstring& path);

}  // namespace installer
