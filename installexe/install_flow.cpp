#include "install_flow.h"

#include "install_steps.h"
#include "installer.h"
#include "registry/dsm_parameters.h"
#include "text/text_convert.h"
#include "uninstall_steps.h"

namespace installer {

namespace {

constexpr const wchar_t* kUsage[] = {
    L"Installs the Multi-Path software package.\n",
    L"\n",
    L"Usage: install switch [ source_path common_path dsm_inf dsm_hwid ]\n",
    L"\n",
    L"  switch     \tWhether to install or uninstall (-i or -u)\n",
    L"             \t-iq: install DSM only\n",
    L"  source_path\tPermanent location that hosts zyrdsm infs and drivers\n",
    L"             \tdefault: .\n",
    L"  common_path\tPermanent location that hosts MPIO infs and drivers\n",
    L"             \tdefault: .\n",
    L"  dsm_inf    \tName of dsm inf (with extension)\n",
    L"             \tdefault: zyrdsm.inf\n",
    L"  dsm_hwid   \tHardware Id associated with the dsm\n",
    L"             \tdefault: ROOT\\zyrdsm\n",
    L"\n",
};

// The byte conversion of a registry value holds 1023 characters and its terminator.
constexpr std::size_t kMaxParameterChars = 1023;

void print_usage(const Installer& in) {
  for (const wchar_t* line : kUsage) in.print(line);
}

// "." is the current directory in its short form; any other folder is made a full
// path, so that it still names the same folder after the steps move into the package
// folders; a trailing backslash goes.
std::wstring resolve_path(const Installer& in, const std::wstring& arg) {
  std::wstring path = arg == L"." ? path_buffer(in.dev.short_path(path_buffer(in.dev.current_directory())))
                                  : path_buffer(in.dev.full_path(arg));
  if (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

// Each character's low byte, no terminator, as REG_BINARY; silently nothing when the
// key cannot be opened.
void write_dsm_parameter(const Installer& in, const std::wstring& name, const std::wstring& text) {
  const std::string bytes = narrow_low_bytes(text);
  std::unique_ptr<registry::Key> key;
  if (in.dev.registry().open(registry::kDsmParametersKey, registry::Access::Full, key) != kERROR_SUCCESS) return;
  key->set(name, registry::kREG_BINARY, reinterpret_cast<const std::uint8_t*>(bytes.data()),
           static_cast<std::uint32_t>(bytes.size()));
}

}  // namespace

int run_install(const std::vector<std::wstring>& args, devinst::DeviceInstaller& dev, std::ostream& out) {
  Installer in{dev, out};
  if (args.size() < 5) {
    print_usage(in);
    return kExitSuccess;
  }
  const std::wstring source = resolve_path(in, args[1]);
  std::wstring common = resolve_path(in, args[2]);
  in.print(L"\n");
  if (auto rc = dev.find_file(source); rc != kERROR_SUCCESS) {
    in.print(L"Unable to validate the source path.");
    in.report_system_message(rc);
    return kExitFailure;
  }
  if (dev.find_file(common) != kERROR_SUCCESS) common = source;  // both halves in one folder

  // One installation at a time: the action and its registry values, whole.
  const auto installation = dev.lock_installation(
      [&] { in.print(L"Another installation is running; waiting for it to end...\n"); });
  ActionResult result;
  if (!dev.os_version(in.os)) {
    in.print(L"Failed to get the OS version, exiting ...\n");
    result.failed = true;
  } else if (args[0] == L"-i" || args[0] == L"-iq") {
    result = install_package(in, source, common, args[3], args[4],
                             args[0] == L"-i" ? InstallMode::Full : InstallMode::DsmOnly);
  } else if (args[0] == L"-u" || args[0] == L"-f") {
    result = uninstall_package(in, source, common, args[3], args[4]);
  } else {
    print_usage(in);
  }

  if (args.size() >= 7) {
    if (args[5].size() > kMaxParameterChars || args[6].size() > kMaxParameterChars) {
      in.print(L"The reservation key and the DSM name hold at most 1023 characters each; "
               L"nothing was written to the registry.\n");
      return kExitFailure;
    }
    write_dsm_parameter(in, L"DsmPersistentReservationKey", args[5]);
    write_dsm_parameter(in, L"DsmName", args[6]);
  }
  if (result.failed) return kExitFailure;
  return result.reboot != 0 ? kExitRebootRequired : kExitSuccess;
}

}  // namespace installer
