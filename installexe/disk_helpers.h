// Device and file helpers the install and uninstall steps share: supported-device
// matching, the MPIO list, disk retagging and release, INF store and driver clean-up.
#pragma once
#include <string>
#include <vector>

#include "installer.h"

namespace installer {

using DeviceList = std::vector<std::wstring>;

inline constexpr const wchar_t* kMpdevKey = L"SYSTEM\\CurrentControlSet\\Control\\MPDEV";
inline constexpr const wchar_t* kMpioListValue = L"MPIOSupportedDeviceList";

// Blanks of every entry become "_", so entries serve as disk match keys.
void blanks_to_underscores(DeviceList& list);
// One of `ids` begins with `prefix` and the first 24 characters of an entry
// ("SCSI\Disk" for disks on the SCSI bus, "MPIO\Disk" for MPIO's), without regard to case.
bool matches_supported_device(const std::vector<std::wstring>& ids, const DeviceList& list, const std::wstring& prefix);
bool has_id(const std::vector<std::wstring>& ids, const std::wstring& wanted);  // without regard to case
// A REG_MULTI_SZ value under HKEY_LOCAL_MACHINE.
Win32Error read_multi_sz(const Installer& in, const std::wstring& key, const std::wstring& value, DeviceList& out);

// Every device of a class through `step`(set, index, need), stopping at the first
// error; `need` becomes true when a step found a reboot need.
template <typename Step>
Win32Error for_each_device(const Installer& in, const std::wstring& class_guid, bool& need, Step step) {
  std::unique_ptr<devinst::DeviceSet> set;
  Win32Error rc = in.dev.class_devices(class_guid, set);
  for (std::size_t i = 0; rc == kERROR_SUCCESS && i < set->size(); ++i) {
    bool device_need = false;
    rc = step(*set, i, device_need);
    need = need || device_need;
  }
  return rc;
}

// Whether the system can tell the device's status: a device it only remembers (a
// leftover of an old path or LUN) cannot be restarted or removed, and is passed over.
bool device_present(devinst::DeviceSet& set, std::size_t device);

Win32Error retag_disk(devinst::DeviceSet& set, std::size_t device, const DeviceList& list);
Win32Error release_disk(const Installer& in, devinst::DeviceSet& set, std::size_t device, const DeviceList& list,
                        bool& need_reboot);
Win32Error remove_released_disk(devinst::DeviceSet& set, std::size_t device, const DeviceList& list,
                                bool& need_reboot);
// 170 when a disk of the module is still started (after printing which), else 0.
Win32Error check_disk_running(const Installer& in, devinst::DeviceSet& set, std::size_t device, const DeviceList& list);

bool inf_uses_catalog(const Installer& in, const std::wstring& inf_path, const std::wstring& catalog);
void remove_oem_infs_by_catalog(const Installer& in, const std::wstring& catalog);
void remove_oem_inf_copy(const Installer& in, const std::wstring& inf_path);
// Deletes a file of the drivers folder; one that a running driver holds is deleted at
// the next start instead (after saying so): true then, a reboot is needed.
bool delete_system_driver(const Installer& in, const std::wstring& driver);

}  // namespace installer
