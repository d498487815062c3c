// The uninstall action: the module, then on older systems the MPIO device and bus
// drivers when no other module uses MPIO, the storage stack rebuilt, the INF store
// copies removed and the driver files deleted.
#pragma once
#include "disk_helpers.h"

namespace installer {

enum class ListKind { MpioSupportedDevices = 1, AdapterUpperFilters = 2 };

ActionResult uninstall_package(const Installer& in, const std::wstring& source, const std::wstring& common,
                               const std::wstring& dsm_inf, const std::wstring& dsm_hwid);

// The two delete lists of a run, each with room for 1000 characters in REG_MULTI_SZ
// layout; `mpio` keeps growing over the run.
struct DeleteLists {
  DeviceList module;
  DeviceList mpio;
};
inline constexpr std::size_t kDeleteListRoom = 1000;
// Characters a list takes in REG_MULTI_SZ layout, its final terminator included.
std::size_t multi_sz_chars(const DeviceList& list);

// `need_reboot` becomes true when the services section could only mark a running
// driver's service for deletion.
Win32Error run_inf_section(const Installer& in, const std::wstring& inf_path, const std::wstring& section,
                           bool& need_reboot);
Win32Error uninstall_driver_package(const Installer& in, const std::wstring& inf_path, const std::wstring& hardware_id,
                                    ListKind kind, DeleteLists& lists, int& reboot);
// Removes from `value` the strings the qualifying delete lines of `section` name;
// kind 1 lines also go to the MPIO delete list.
Win32Error remove_delreg_strings(const Installer& in, const std::wstring& inf_path, const std::wstring& section,
                                 ListKind kind, DeviceList& value, DeleteLists& lists);

}  // namespace installer
