#include "install_steps.h"

#include "disk_helpers.h"

namespace installer {

namespace {

constexpr std::size_t kMaxHardwareId = 1024;

}  // namespace

Win32Error install_driver_for_hwid(const Installer& in, const std::wstring& inf_path, const std::wstring& hardware_id,
                                   int& reboot) {
  bool need = false;
  Win32Error rc = in.dev.update_driver(hardware_id, inf_path, need);
  if (rc == devinst::kERROR_NO_SUCH_DEVINST) {
    // No device carries the ID yet: make a root-enumerated one in the INF's class and
    // try once more.
    std::wstring guid, name;
    rc = in.dev.inf_class(inf_path, guid, name);
    if (rc == kERROR_SUCCESS) rc = in.dev.create_root_device(guid, hardware_id.substr(0, kMaxHardwareId));
    if (rc == kERROR_SUCCESS) rc = in.dev.update_driver(hardware_id, inf_path, need);
  }
  return in.finish_step(rc, need, reboot);
}

Win32Error install_mpio_disk_driver(const Installer& in, const std::wstring& inf_path, InstallMode mode, int& reboot) {
  bool need = false;
  Win32Error rc = kERROR_SUCCESS;
  if (mode == InstallMode::Full) {
    std::wstring copy;
    rc = in.dev.copy_oem_inf(inf_path, false, copy);
  }
  DeviceList list;
  if (rc == kERROR_SUCCESS) rc = read_multi_sz(in, kMpdevKey, kMpioListValue, list);
  if (rc == kERROR_SUCCESS) {
    blanks_to_underscores(list);
    bool unused = false;
    rc = for_each_device(in, devinst::kDiskDriveClass, unused, [&](devinst::DeviceSet& set, std::size_t i, bool&) {
      return retag_disk(set, i, list);
    });
  }
  if (rc == kERROR_SUCCESS && mode == InstallMode::Full) {
    rc = in.dev.update_driver(L"MPIODisk", inf_path, need);
    if (rc == devinst::kERROR_NO_SUCH_DEVINST || rc == kERROR_NO_MORE_ITEMS) rc = kERROR_SUCCESS;
  }
  return in.finish_step(rc, need, reboot);
}

Win32Error restart_scsi_adapters(const Installer& in, int& reboot) {
  bool need = false;
  Win32Error rc = for_each_device(in, devinst::kScsiAdapterClass, need,
                                  [](devinst::DeviceSet& set, std::size_t i, bool& adapter_need) {
    if (!device_present(set, i)) return kERROR_SUCCESS;  // an adapter no longer there
    std::vector<std::wstring> ids;
    Win32Error status = set.hardware_ids(i, ids);
    if (status != kERROR_SUCCESS || has_id(ids, L"Detected\\MPIO")) return status;  // MPIO's own bus stays
    status = set.restart(i);
    if (status == kERROR_SUCCESS) adapter_need = set.needs_reboot(i);
    return status;
  });
  return in.finish_step(rc, need, reboot);
}

ActionResult install_package(const Installer& in, const std::wstring& source, const std::wstring& common,
                             const std::wstring& dsm_inf, const std::wstring& dsm_hwid, InstallMode mode) {
  ActionResult result;
  const std::wstring catalog = with_extension(path_buffer(dsm_inf), L".cat");
  if (catalog.empty()) {
    in.print(L"Unable to get the cat file.");
    in.report_system_message(in.dev.last_error());
    result.failed = true;
    return result;
  }
  Win32Error rc = kERROR_SUCCESS;
  if (in.older_system() && mode == InstallMode::Full) {
    remove_oem_infs_by_catalog(in, L"mpio.cat");
    const std::wstring inf = join_path(common, L"mpio.inf");
    in.dev.set_current_directory(common);
    in.print(L"\nInstalling the Multi-Path Adapter Filter and Multi-Path Bus Driver...\n");
    rc = install_driver_for_hwid(in, inf, L"Detected\\MPIO", result.reboot);
    if (rc != kERROR_SUCCESS) {
      remove_oem_inf_copy(in, inf);
      note_reboot(result.reboot, delete_system_driver(in, L"mpspfltr.sys"));
      result.failed = true;
      return result;
    }
  }
  // "dummy.inf" or "Root\DUMMY" stand for no module at all.
  if (dsm_inf != L"dummy.inf" && dsm_hwid != L"Root\\DUMMY") {
    remove_oem_infs_by_catalog(in, catalog);
    const std::wstring inf = join_path(source, dsm_inf);
    in.dev.set_current_directory(source);
    in.print(L"\nInstalling the Device Specific Module...\n");
    rc = install_driver_for_hwid(in, inf, dsm_hwid, result.reboot);
  }
  if (in.older_system()) {
    if (rc != kERROR_SUCCESS) {
      result.failed = true;
      return result;
    }
    const std::wstring inf = join_path(common, L"mpdev.inf");
    in.dev.set_current_directory(common);
    in.print(L"\nInstalling the Multi-Path Device Driver...\n");
    rc = install_mpio_disk_driver(in, inf, mode, result.reboot);
  }
  if (rc == kERROR_SUCCESS && result.reboot == 0) {
    in.print(L"\nRestarting all SCSI adapters...\n");
    rc = restart_scsi_adapters(in, result.reboot);
  }
  result.failed = rc != kERROR_SUCCESS;
  return result;
}

}  // namespace installer
