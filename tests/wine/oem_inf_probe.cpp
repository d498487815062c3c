// oem_inf_probe: install's removal of an INF store copy on the real SetupAPI. It places
// the INF given on the command line in the store (SetupCopyOEMInfW, "copy <path>"),
// removes the copy with the installer's own step, and prints each SetupUninstallOEMInfW
// call that step made ("uninstall <name> <status>") and whether the copy is left
// ("left 0|1"). Then,
// for comparison, what the system answers for the copy's full path ("path <status>").
#include <cstdio>
#include <sstream>

#include "devinst/device_installer.h"
#include "disk_helpers.h"
#include "text/text_convert.h"

namespace {

// The real device installation with SetupUninstallOEMInfW's calls recorded.
class Recording : public devinst::DeviceInstaller {
 public:
  explicit Recording(devinst::DeviceInstaller& real) : real_(real) {}
  registry::Registry& registry() override { return real_.registry(); }
  Win32Error class_devices(const std::wstring& c, std::unique_ptr<devinst::DeviceSet>& out) override {
    return real_.class_devices(c, out);
  }
  Win32Error inf_class(const std::wstring& p, std::wstring& g, std::wstring& n) override {
    return real_.inf_class(p, g, n);
  }
  Win32Error create_root_device(const std::wstring& c, const std::wstring& h) override {
    return real_.create_root_device(c, h);
  }
  Win32Error update_driver(const std::wstring& h, const std::wstring& p, bool& r) override {
    return real_.update_driver(h, p, r);
  }
  Win32Error copy_oem_inf(const std::wstring& p, bool replace_only, std::wstring& copy) override {
    return real_.copy_oem_inf(p, replace_only, copy);
  }
  Win32Error uninstall_oem_inf(const std::wstring& name) override {
    const Win32Error rc = real_.uninstall_oem_inf(name);
    std::printf("uninstall %s 0x%08x\n", narrow_utf8(name).c_str(), static_cast<unsigned>(rc));
    return rc;
  }
  Win32Error open_inf(const std::wstring& p, std::unique_ptr<devinst::InfHandle>& out) override {
    return real_.open_inf(p, out);
  }
  bool os_version(devinst::OsVersion& out) override { return real_.os_version(out); }
  std::wstring windows_directory() override { return real_.windows_directory(); }
  std::wstring system_directory() override { return real_.system_directory(); }
  std::optional<std::wstring> system_message(std::uint32_t id) override { return real_.system_message(id); }
  Win32Error find_file(const std::wstring& p) override { return real_.find_file(p); }
  std::vector<devinst::FileEntry> list_folder(const std::wstring& f) override { return real_.list_folder(f); }
  Win32Error delete_file(const std::wstring& p) override { return real_.delete_file(p); }
  Win32Error delete_at_reboot(const std::wstring& p) override { return real_.delete_at_reboot(p); }
  std::wstring current_directory() override { return real_.current_directory(); }
  bool set_current_directory(const std::wstring& p) override { return real_.set_current_directory(p); }
  std::wstring short_path(const std::wstring& p) override { return real_.short_path(p); }
  std::wstring full_path(const std::wstring& p) override { return real_.full_path(p); }
  std::optional<std::string> read_file(const std::wstring& p) override { return real_.read_file(p); }
  Win32Error last_error() override { return real_.last_error(); }

 private:
  devinst::DeviceInstaller& real_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::printf("usage: oem_inf_probe <inf>\n");
    return 2;
  }
  const std::wstring inf = argv[1];
  auto real = devinst::make_device_installer();
  Recording dev(*real);
  std::ostringstream out;
  const installer::Installer in{dev, out};

  std::wstring copy;
  if (Win32Error rc = dev.copy_oem_inf(inf, false, copy); rc != kERROR_SUCCESS) {
    std::printf("copy failed 0x%08x\n", static_cast<unsigned>(rc));
    return 1;
  }
  std::printf("copy %s\n", narrow_utf8(copy).c_str());
  installer::remove_oem_inf_copy(in, inf);
  std::printf("left %d\n", dev.find_file(copy) == kERROR_SUCCESS ? 1 : 0);

  if (Win32Error rc = dev.copy_oem_inf(inf, false, copy); rc != kERROR_SUCCESS) {
    std::printf("copy failed 0x%08x\n", static_cast<unsigned>(rc));
    return 1;
  }
  std::printf("path 0x%08x\n", static_cast<unsigned>(real->uninstall_oem_inf(copy)));
  real->uninstall_oem_inf(installer::file_name_of(copy));
  return 0;
}
