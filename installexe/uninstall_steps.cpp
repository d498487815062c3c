#include "uninstall_steps.h"

#include <algorithm>
#include <iterator>

#include "inf/inf_file.h"

namespace installer {

namespace {

constexpr std::int32_t kFLG_DELREG_MULTI_SZ_DELSTRING = 0x00018002;
constexpr const wchar_t* kAdapterClassKey =
    L"SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E97B-E325-11CE-BFC1-08002BE10318}";
constexpr const wchar_t* kModuleServiceKey = L"SYSTEM\\CurrentControlSet\\Services\\zyrdsm";
constexpr const wchar_t* kModuleParametersKey = L"SYSTEM\\CurrentControlSet\\Services\\zyrdsm\\Parameters";

// A line of exactly five fields whose fourth is FLG_DELREG_MULTI_SZ_DELSTRING, with
// its fields 1, 2, 3 and 5.
struct DeleteLine {
  std::wstring root, key, value, string;
};
std::optional<DeleteLine> delete_line(devinst::InfHandle& inf, const std::wstring& section, std::size_t i) {
  if (inf.field_count(section, i) != 5 || inf.int_field(section, i, 4) != kFLG_DELREG_MULTI_SZ_DELSTRING)
    return std::nullopt;
  auto root = inf.string_field(section, i, 1), key = inf.string_field(section, i, 2);
  auto value = inf.string_field(section, i, 3), string = inf.string_field(section, i, 5);
  if (!root || !key || !value || !string) return std::nullopt;
  return DeleteLine{*root, *key, *value, *string};
}

template <typename Action>
Win32Error for_each_delete_line(const Installer& in, const std::wstring& inf_path, const std::wstring& section,
                                Action action) {
  std::unique_ptr<devinst::InfHandle> inf;
  if (auto rc = in.dev.open_inf(inf_path, inf); rc != kERROR_SUCCESS) return rc;
  const long count = inf->line_count(section);
  for (long i = 0; i < count; ++i)
    if (auto line = delete_line(*inf, section, static_cast<std::size_t>(i))) {
      if (auto rc = action(*line); rc != kERROR_SUCCESS) return rc;
    }
  return kERROR_SUCCESS;
}

bool names_list(const DeleteLine& line, ListKind kind) {
  if (!inf::equal_nocase(line.root, L"HKLM")) return false;
  if (kind == ListKind::MpioSupportedDevices)
    return inf::equal_nocase(line.key, kMpdevKey) && inf::equal_nocase(line.value, kMpioListValue);
  return inf::equal_nocase(line.key, kAdapterClassKey) && inf::equal_nocase(line.value, L"UpperFilters");
}

std::wstring list_key(ListKind kind) { return kind == ListKind::MpioSupportedDevices ? kMpdevKey : kAdapterClassKey; }
std::wstring list_value(ListKind kind) {
  return kind == ListKind::MpioSupportedDevices ? kMpioListValue : L"UpperFilters";
}

// The text of "DelReg" in "DefaultUninstall": the section of the module's delete lines.
std::optional<std::wstring> default_uninstall_delreg(const Installer& in, const std::wstring& inf_path) {
  std::unique_ptr<devinst::InfHandle> inf;
  if (in.dev.open_inf(inf_path, inf) != kERROR_SUCCESS) return std::nullopt;
  return inf->line_text(L"DefaultUninstall", L"DelReg");
}

bool module_device_list_empty(const Installer& in) {
  DeviceList list;
  if (read_multi_sz(in, kModuleParametersKey, L"SupportedDeviceList", list) != kERROR_SUCCESS) return true;
  return list.empty() || list.front().empty();
}

// The file name of the module's driver image: empty when the service has no
// ImagePath; none (after the report) when it cannot be read.
std::optional<std::wstring> module_image_file(const Installer& in) {
  std::unique_ptr<registry::Key> key;
  Win32Error rc = in.dev.registry().open(kModuleServiceKey, registry::Access::Read, key);
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  if (rc == kERROR_SUCCESS) rc = registry::query_value(*key, L"ImagePath", type, data);
  if (rc == kERROR_FILE_NOT_FOUND) return std::wstring();
  const std::wstring path = rc == kERROR_SUCCESS ? registry::text_of_utf16(data.data(), data.size()) : L"";
  const auto slash = path.rfind(L'\\');
  if (rc != kERROR_SUCCESS || slash == std::wstring::npos) {
    in.print(L"Unable to get the image file.");
    in.report_system_message(rc != kERROR_SUCCESS ? rc : in.dev.last_error());
    return std::nullopt;
  }
  return path_buffer(path.substr(slash + 1));
}

Win32Error uninstall_mpio_disk_driver(const Installer& in, const std::wstring& inf_path, const DeviceList& list,
                                      int& reboot) {
  bool need = false;
  Win32Error rc = for_each_device(in, devinst::kDiskDriveClass, need,
                                  [&](devinst::DeviceSet& set, std::size_t i, bool& disk_need) {
    return release_disk(in, set, i, list, disk_need);
  });
  bool services_need = false;
  if (rc == kERROR_SUCCESS && list.empty()) rc = run_inf_section(in, inf_path, L"DefaultUninstall", services_need);
  return in.finish_step(rc, need || services_need, reboot);
}

}  // namespace

std::size_t multi_sz_chars(const DeviceList& list) {
  std::size_t chars = 1;
  for (const auto& s : list) chars += s.size() + 1;
  return chars;
}

Win32Error run_inf_section(const Installer& in, const std::wstring& inf_path, const std::wstring& section,
                           bool& need_reboot) {
  std::unique_ptr<devinst::InfHandle> inf;
  Win32Error rc = in.dev.open_inf(inf_path, inf);
  if (rc == kERROR_SUCCESS) rc = inf->install_section(section);
  if (rc == kERROR_SUCCESS) {
    const bool framework = inf_path.find(L"mpdev.inf") != std::wstring::npos ||
                           inf_path.find(L"mpio.inf") != std::wstring::npos;
    // The module's services go only once no device list of its own remains.
    bool services_need = false;
    if (framework || module_device_list_empty(in))
      rc = inf->install_services(path_buffer(section + L".Services"), services_need);
    need_reboot = need_reboot || services_need;
  }
  if (rc != kERROR_SUCCESS) {
    in.report_failure(rc);
    return rc;
  }
  in.report_plain_success();
  return kERROR_SUCCESS;
}

Win32Error remove_delreg_strings(const Installer& in, const std::wstring& inf_path, const std::wstring& section,
                                 ListKind kind, DeviceList& value, DeleteLists& lists) {
  return for_each_delete_line(in, inf_path, section, [&](const DeleteLine& line) -> Win32Error {
    if (!names_list(line, kind)) return kERROR_SUCCESS;
    if (kind == ListKind::MpioSupportedDevices) {
      DeviceList grown = lists.mpio;
      grown.push_back(line.string);
      if (multi_sz_chars(grown) > kDeleteListRoom) return devinst::kERROR_INSUFFICIENT_BUFFER;
      lists.mpio = std::move(grown);
    }
    for (auto it = value.begin(); it != value.end(); ++it)
      if (inf::equal_nocase(*it, line.string)) {
        value.erase(it);
        break;
      }
    return kERROR_SUCCESS;
  });
}

Win32Error uninstall_driver_package(const Installer& in, const std::wstring& inf_path, const std::wstring& hardware_id,
                                    ListKind kind, DeleteLists& lists, int& reboot) {
  std::wstring guid, name;
  bool need = false;
  Win32Error rc = in.dev.inf_class(inf_path, guid, name);
  if (rc == kERROR_SUCCESS)
    rc = for_each_device(in, guid, need, [&](devinst::DeviceSet& set, std::size_t i, bool& device_need) {
      std::vector<std::wstring> ids;
      Win32Error status = set.hardware_ids(i, ids);
      if (status != kERROR_SUCCESS || !has_id(ids, hardware_id)) return status;
      status = set.remove(i);
      if (status == kERROR_SUCCESS) device_need = set.needs_reboot(i);
      return status;
    });
  // Windows 2000 does not take single strings out of a list value itself.
  DeviceList value;
  const bool manual = rc == kERROR_SUCCESS && in.windows_2000_or_older() &&
                      read_multi_sz(in, list_key(kind), list_value(kind), value) == kERROR_SUCCESS;
  if (rc == kERROR_SUCCESS) rc = run_inf_section(in, inf_path, L"DefaultUninstall", need);
  if (rc == kERROR_SUCCESS && manual) {
    auto section = default_uninstall_delreg(in, inf_path);
    if (!section || section->empty()) rc = kERROR_INVALID_DATA;
    if (rc == kERROR_SUCCESS) rc = remove_delreg_strings(in, inf_path, *section, kind, value, lists);
    std::unique_ptr<registry::Key> key;
    if (rc == kERROR_SUCCESS) rc = in.dev.registry().open(list_key(kind), registry::Access::SetValue, key);
    if (rc == kERROR_SUCCESS) {
      auto bytes = registry::multi_sz_bytes(value);
      rc = key->set(list_value(kind), registry::kREG_MULTI_SZ, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    }
  }
  return in.finish_step(rc, need, reboot);
}

ActionResult uninstall_package(const Installer& in, const std::wstring& source, const std::wstring& common,
                               const std::wstring& dsm_inf, const std::wstring& dsm_hwid) {
  ActionResult result;
  auto image = module_image_file(in);
  if (!image) {
    result.failed = true;
    return result;
  }
  const std::wstring driver = with_extension(path_buffer(dsm_inf), L".sys");
  if (driver.empty()) {
    in.print(L"Unable to get the driver file.");
    in.report_system_message(in.dev.last_error());
    result.failed = true;
    return result;
  }
  const std::wstring module_inf = join_path(source, dsm_inf);
  in.dev.set_current_directory(source);

  // Both delete lists are known before anything is removed: an INF that names more
  // than their room holds is refused here, never cut.
  DeleteLists lists;
  for_each_delete_line(in, module_inf, L"zyrdsm_delreg", [&](const DeleteLine& line) {
    lists.module.push_back(line.string);
    return kERROR_SUCCESS;
  });
  DeviceList mpio_deletes;
  if (auto section = default_uninstall_delreg(in, module_inf); section && !section->empty())
    for_each_delete_line(in, module_inf, *section, [&](const DeleteLine& line) {
      if (names_list(line, ListKind::MpioSupportedDevices)) mpio_deletes.push_back(line.string);
      return kERROR_SUCCESS;
    });
  if (multi_sz_chars(lists.module) > kDeleteListRoom || multi_sz_chars(mpio_deletes) > kDeleteListRoom) {
    in.print(L"The module's INF names more devices to delete than the 1000-character delete list holds; "
             L"nothing was removed.\n");
    result.failed = true;
    return result;
  }
  blanks_to_underscores(lists.module);

  in.print(L"\nUninstalling the Device Specific Module...\n");
  int module_reboot = 0;
  Win32Error rc = uninstall_driver_package(in, module_inf, dsm_hwid, ListKind::MpioSupportedDevices, lists,
                                           module_reboot);
  note_reboot(result.reboot, module_reboot != 0);
  bool device_driver_gone = false, bus_driver_gone = false;
  std::wstring device_inf, bus_inf;
  if (rc == kERROR_SUCCESS) {
    bool unused = false;
    if (for_each_device(in, devinst::kDiskDriveClass, unused, [&](devinst::DeviceSet& set, std::size_t i, bool&) {
          return check_disk_running(in, set, i, lists.module);
        }) == kERROR_BUSY)
      in.report_system_message(kERROR_BUSY);

    DeviceList mpio_list;
    bool last_module_gone = false;
    Win32Error read = read_multi_sz(in, kMpdevKey, kMpioListValue, mpio_list);
    if (read == kERROR_FILE_NOT_FOUND) {
      last_module_gone = true;
    } else if (read != kERROR_SUCCESS) {
      rc = read;
    } else {
      blanks_to_underscores(mpio_list);
      last_module_gone = mpio_list.empty();
      DeviceList scratch;
      auto section = default_uninstall_delreg(in, module_inf);
      if (read_multi_sz(in, kMpdevKey, kMpioListValue, scratch) == kERROR_SUCCESS && section && !section->empty())
        remove_delreg_strings(in, module_inf, *section, ListKind::MpioSupportedDevices, scratch, lists);
      blanks_to_underscores(lists.mpio);
    }

    if (rc == kERROR_SUCCESS && !in.older_system()) {
      in.print(L"\nRebuilding the storage stack...\n");
      bool need = false;
      rc = for_each_device(in, devinst::kDiskDriveClass, need, [&](devinst::DeviceSet& set, std::size_t i, bool& disk_need) {
        return release_disk(in, set, i, mpio_list, disk_need);
      });
      if (rc == kERROR_SUCCESS) {
        note_reboot(result.reboot, need);
        in.report_success(module_reboot != 0 || need);
      } else {
        in.report_failure(rc);
      }
    } else if (rc == kERROR_SUCCESS && last_module_gone) {
      device_inf = join_path(common, L"mpdev.inf");
      in.dev.set_current_directory(common);
      in.print(L"\nUninstalling the Multi-Path Device Driver...\n");
      rc = uninstall_mpio_disk_driver(in, device_inf, mpio_list, result.reboot);
      device_driver_gone = rc == kERROR_SUCCESS;
      if (rc == kERROR_SUCCESS) {
        bus_inf = join_path(common, L"mpio.inf");
        in.dev.set_current_directory(common);
        in.print(L"\nUninstalling the Multi-Path Bus Driver...\n");
        rc = uninstall_driver_package(in, bus_inf, L"Detected\\MPIO", ListKind::AdapterUpperFilters, lists,
                                      result.reboot);
        bus_driver_gone = rc == kERROR_SUCCESS;
      }
    } else if (rc == kERROR_SUCCESS && !lists.mpio.empty()) {
      in.print(L"\nRebuilding the storage stack...\n");
      bool need = false;
      rc = for_each_device(in, devinst::kDiskDriveClass, need, [&](devinst::DeviceSet& set, std::size_t i, bool& disk_need) {
        return remove_released_disk(set, i, lists.mpio, disk_need);
      });
      if (rc == kERROR_SUCCESS) {
        note_reboot(result.reboot, need);
        in.report_success(module_reboot != 0 || need);
      } else {
        in.report_failure(rc);
      }
    }
  }

  // A driver file still in use is deleted at the next start: that is a reboot need.
  bool files_need = false;
  remove_oem_inf_copy(in, module_inf);
  if (driver != *image) files_need = delete_system_driver(in, driver) || files_need;
  if (device_driver_gone && bus_driver_gone) {
    remove_oem_inf_copy(in, device_inf);
    remove_oem_inf_copy(in, bus_inf);
    // The driver file is the image itself, or was handled above when it is not: each
    // file is handled once, so one in use is scheduled and reported once.
    const std::wstring files[] = {L"mpdev.sys", L"mpio.sys", L"mpspfltr.sys", *image};
    for (std::size_t i = 0; i < std::size(files); ++i) {
      if (std::any_of(files, files + i, [&](const std::wstring& f) { return inf::equal_nocase(f, files[i]); })) continue;
      files_need = delete_system_driver(in, files[i]) || files_need;
    }
  }
  note_reboot(result.reboot, files_need);
  if (rc != kERROR_SUCCESS) in.report_failure(rc);
  result.failed = rc != kERROR_SUCCESS;
  return result;
}

}  // namespace installer
