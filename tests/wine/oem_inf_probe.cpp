// oem_inf_probe: what the real SetupAPI does with the name install hands to
// SetupUninstallOEMInfW. It places the INF given on the command line in the store
// (SetupCopyOEMInfW: "copy <path>"), uninstalls that copy by its file name, as the
// installer's step does ("name <status>", then "left 0|1" for the copy's file), and for
// comparison places it again and uninstalls it by the full path SetupCopyOEMInfW gave
// ("path <status>").
#include <cstdio>

#include "devinst/device_installer.h"
#include "installer.h"
#include "text/text_convert.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::printf("usage: oem_inf_probe <inf>\n");
    return 2;
  }
  auto dev = devinst::make_device_installer();
  std::wstring copy;
  for (const bool by_name : {true, false}) {
    if (Win32Error rc = dev->copy_oem_inf(argv[1], false, copy); rc != kERROR_SUCCESS) {
      std::printf("copy failed 0x%08x\n", static_cast<unsigned>(rc));
      return 1;
    }
    if (by_name) std::printf("copy %s\n", narrow_utf8(copy).c_str());
    const Win32Error rc = dev->uninstall_oem_inf(by_name ? installer::file_name_of(copy) : copy);
    std::printf("%s 0x%08x\n", by_name ? "name" : "path", static_cast<unsigned>(rc));
    if (by_name) std::printf("left %d\n", dev->find_file(copy) == kERROR_SUCCESS ? 1 : 0);
  }
  dev->uninstall_oem_inf(installer::file_name_of(copy));
  return 0;
}
