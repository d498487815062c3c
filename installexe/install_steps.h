// The install action: the framework drivers (older systems, full mode), the module,
// the MPIO device driver with its disk retagging (older systems), and the restart of
// the SCSI adapters.
#pragma once
#include "installer.h"

namespace installer {

enum class InstallMode { DsmOnly = 0, Full = 1 };

ActionResult install_package(const Installer& in, const std::wstring& source, const std::wstring& common,
                             const std::wstring& dsm_inf, const std::wstring& dsm_hwid, InstallMode mode);

Win32Error install_driver_for_hwid(const Installer& in, const std::wstring& inf_path, const std::wstring& hardware_id,
                                   int& reboot);
Win32Error install_mpio_disk_driver(const Installer& in, const std::wstring& inf_path, InstallMode mode, int& reboot);
Win32Error restart_scsi_adapters(const Installer& in, int& reboot);

}  // namespace installer
