// The result reports of every step, and the version checks the steps share.
#include <cstdio>

#include "installer.h"
#include "text/wide_text.h"

namespace installer {

void Installer::print(std::wstring_view text) const { out << WideText{text} << std::flush; }

void Installer::report_success(bool need_reboot) const {
  print(need_reboot ? L"Success (but need a reboot)\n" : L"Success \n");
}

void Installer::report_plain_success() const { print(L"Success\n"); }

void Installer::report_failure(Win32Error code) const {
  print(L"Failure.");
  report_system_message(code);
}

void Installer::report_system_message(Win32Error code) const {
  // A SetupAPI code (0xE000xxxx) is looked up in its HRESULT form (0x800F0xxx): its
  // low 16 bits alone would name an unrelated Win32 error. Other positive codes map to
  // Win32's facility and are looked up by their low 16 bits, as are zero and negative
  // codes.
  std::uint32_t number = code;
  if ((code & 0xE0000000u) == 0xE0000000u) number = 0x800F0000u | (code & 0xFFFFu);
  else if (static_cast<std::int32_t>(code) > 0) number = 0x80070000u | (code & 0xFFFFu);
  const bool setupapi = (number & 0xFFFF0000u) == 0x800F0000u;
  if (auto text = dev.system_message(setupapi ? number : number & 0xFFFFu)) print(L" " + *text + L"\n");
  char line[40];
  std::snprintf(line, sizeof line, "\nError code (0x%08x)\n", static_cast<unsigned>(code));
  out << line << std::flush;
}

Win32Error Installer::finish_step(Win32Error rc, bool need_reboot, int& reboot_flag) const {
  if (rc != kERROR_SUCCESS) {
    report_failure(rc);
    return rc;
  }
  note_reboot(reboot_flag, need_reboot);
  report_success(need_reboot);
  return rc;
}

bool Installer::oem_inf_uninstall_available() const {
  devinst::OsVersion v;
  if (!dev.os_version(v)) return false;
  return v.major > 5 || (v.major == 5 && v.minor >= 1);
}

std::wstring path_buffer(std::wstring text) {
  if (text.size() > kMaxPath - 1) text.resize(kMaxPath - 1);
  return text;
}

std::wstring join_path(const std::wstring& folder, const std::wstring& name) {
  return path_buffer(folder + L"\\" + name);
}

std::wstring file_name_of(const std::wstring& path) {
  const auto separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

std::wstring with_extension(const std::wstring& name, const std::wstring& extension) {
  auto dot = name.rfind(L'.');
  if (dot == std::wstring::npos) return {};
  return path_buffer(name.substr(0, dot) + extension);
}

}  // namespace installer
