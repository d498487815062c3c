#include "disk_helpers.h"

#include "inf/inf_file.h"
#include "text/text_convert.h"

namespace installer {

namespace {

bool starts_with_nocase(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() && inf::equal_nocase(std::wstring_view(text).substr(0, prefix.size()), prefix);
}

constexpr std::size_t kMaxRetaggedList = 1026;  // characters, terminators included

}  // namespace

void blanks_to_underscores(DeviceList& list) {
  for (auto& entry : list)
    for (auto& c : entry)
      if (c == L' ') c = L'_';
}

bool matches_supported_device(const std::vector<std::wstring>& ids, const DeviceList& list, const std::wstring& prefix) {
  for (const auto& entry : list) {
    const std::wstring key = prefix + entry.substr(0, 24);
    for (const auto& id : ids)
      if (starts_with_nocase(id, key)) return true;
  }
  return false;
}

bool has_id(const std::vector<std::wstring>& ids, const std::wstring& wanted) {
  for (const auto& id : ids)
    if (inf::equal_nocase(id, wanted)) return true;
  return false;
}

Win32Error read_multi_sz(const Installer& in, const std::wstring& key_name, const std::wstring& value, DeviceList& out) {
  std::unique_ptr<registry::Key> key;
  if (auto rc = in.dev.registry().open(key_name, registry::Access::Read, key); rc != kERROR_SUCCESS) return rc;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  if (auto rc = registry::query_value(*key, value, type, data); rc != kERROR_SUCCESS) return rc;
  out = registry::multi_sz_strings(data);
  return kERROR_SUCCESS;
}

bool device_present(devinst::DeviceSet& set, std::size_t device) {
  std::uint32_t status = 0;
  return set.node_status(device, status);
}

Win32Error retag_disk(devinst::DeviceSet& set, std::size_t device, const DeviceList& list) {
  std::vector<std::wstring> ids;
  if (auto rc = set.hardware_ids(device, ids); rc != kERROR_SUCCESS) return rc;
  if (ids.empty() || !matches_supported_device(ids, list, L"SCSI\\Disk")) return kERROR_SUCCESS;
  bool generic = false;
  std::size_t chars = 1;
  for (auto& id : ids) {
    if (inf::equal_nocase(id, L"GenDisk")) {
      id = L"MPIODisk";
      generic = true;
    }
    chars += id.size() + 1;
  }
  if (!generic) return kERROR_SUCCESS;
  if (chars > kMaxRetaggedList) return devinst::kERROR_INSUFFICIENT_BUFFER;  // never cut a hardware-ID list
  if (auto rc = set.set_hardware_ids(device, ids); rc != kERROR_SUCCESS) return rc;
  std::uint32_t flags = 0;
  if (auto rc = set.config_flags(device, flags); rc != kERROR_SUCCESS) return rc;
  return set.set_config_flags(device, flags | devinst::kCONFIGFLAG_REINSTALL);
}

Win32Error release_disk(const Installer& in, devinst::DeviceSet& set, std::size_t device, const DeviceList& list,
                        bool& need_reboot) {
  if (!device_present(set, device)) return kERROR_SUCCESS;
  std::vector<std::wstring> ids;
  if (auto rc = set.hardware_ids(device, ids); rc != kERROR_SUCCESS) return rc;
  if (matches_supported_device(ids, list, L"SCSI\\Disk")) return kERROR_SUCCESS;  // another module claims it
  const bool mpio_disk = in.older_system() && has_id(ids, L"MPIODisk");
  std::wstring enumerator;
  if (auto rc = set.enumerator(device, enumerator); rc != kERROR_SUCCESS) return rc;
  Win32Error rc = kERROR_SUCCESS;
  if (inf::equal_nocase(enumerator, L"MPIO")) {
    rc = set.remove(device);
  } else {
    if (in.older_system() && !mpio_disk) return kERROR_SUCCESS;
    std::uint32_t flags = 0;
    rc = set.config_flags(device, flags);
    if (rc == kERROR_SUCCESS) rc = set.set_config_flags(device, flags | devinst::kCONFIGFLAG_REINSTALL);
    if (rc == kERROR_SUCCESS) rc = set.restart(device);
  }
  if (rc == kERROR_SUCCESS) need_reboot = set.needs_reboot(device);
  return rc;
}

Win32Error remove_released_disk(devinst::DeviceSet& set, std::size_t device, const DeviceList& list,
                                bool& need_reboot) {
  if (!device_present(set, device)) return kERROR_SUCCESS;
  std::vector<std::wstring> ids;
  if (set.hardware_ids(device, ids) != kERROR_SUCCESS || ids.empty()) return kERROR_SUCCESS;
  if (!matches_supported_device(ids, list, L"SCSI\\Disk")) return kERROR_SUCCESS;
  std::wstring enumerator;
  if (set.enumerator(device, enumerator) != kERROR_SUCCESS) return kERROR_SUCCESS;
  if (!inf::equal_nocase(enumerator, L"MPIO") && !inf::equal_nocase(enumerator, L"SCSI")) return kERROR_SUCCESS;
  if (auto rc = set.remove(device); rc != kERROR_SUCCESS) return rc;
  need_reboot = set.needs_reboot(device);
  return kERROR_SUCCESS;
}

Win32Error check_disk_running(const Installer& in, devinst::DeviceSet& set, std::size_t device, const DeviceList& list) {
  std::vector<std::wstring> ids;
  if (set.hardware_ids(device, ids) != kERROR_SUCCESS) return kERROR_SUCCESS;
  if (!matches_supported_device(ids, list, L"MPIO\\Disk")) return kERROR_SUCCESS;
  std::wstring id;
  std::uint32_t status = 0;
  if (!set.instance_id(device, id)) id.clear();
  if (set.node_status(device, status) && (status & devinst::kDN_STARTED)) {
    in.print(L"\n" + id.substr(0, 199) + L" is in running state.\n");
    return kERROR_BUSY;
  }
  return kERROR_SUCCESS;
}

bool inf_uses_catalog(const Installer& in, const std::wstring& inf_path, const std::wstring& catalog) {
  const std::string search = narrow_low_bytes(path_buffer(L"CatalogFile = " + catalog));
  auto bytes = in.dev.read_file(inf_path);
  if (!bytes) return false;
  // Read as by a 300-byte line buffer: a longer line comes in pieces of 299 bytes.
  std::size_t pos = 0;
  while (pos < bytes->size()) {
    auto eol = bytes->find('\n', pos);
    std::size_t end = eol == std::string::npos ? bytes->size() : eol + 1;
    for (std::size_t piece = pos; piece < end; piece += 299)
      if (bytes->compare(piece, search.size(), search) == 0 && piece + search.size() <= end) return true;
    pos = end;
  }
  return false;
}

void remove_oem_infs_by_catalog(const Installer& in, const std::wstring& catalog) {
  const std::wstring folder = join_path(in.dev.windows_directory(), L"inf");
  for (const auto& entry : in.dev.list_folder(folder)) {
    if (entry.directory || entry.name == L"." || entry.name == L"..") continue;
    const std::wstring full = join_path(folder, entry.name);
    if (!inf_uses_catalog(in, full, catalog)) continue;
    if (in.oem_inf_uninstall_available()) in.dev.uninstall_oem_inf(entry.name);
    if (auto twin = with_extension(full, L".pnf"); !twin.empty()) in.dev.delete_file(twin);
    in.dev.delete_file(full);
  }
}

void remove_oem_inf_copy(const Installer& in, const std::wstring& inf_path) {
  if (inf_path.empty()) return;
  std::wstring copy;
  if (in.dev.copy_oem_inf(inf_path, true, copy) != kERROR_SUCCESS) return;
  copy = path_buffer(copy);
  // The system takes the copy's file name alone ("oem3.inf"), not its path.
  if (in.oem_inf_uninstall_available()) in.dev.uninstall_oem_inf(file_name_of(copy));
  if (auto twin = with_extension(copy, L".pnf"); !twin.empty()) in.dev.delete_file(twin);
  in.dev.delete_file(copy);
}

bool delete_system_driver(const Installer& in, const std::wstring& driver) {
  if (driver.empty()) return false;
  const std::wstring path = join_path(join_path(in.dev.system_directory(), L"drivers"), driver);
  const Win32Error rc = in.dev.delete_file(path);
  if (rc != kERROR_ACCESS_DENIED && rc != devinst::kERROR_SHARING_VIOLATION) return false;  // gone, or never there
  // A driver the system has loaded keeps its file open until the next start.
  if (in.dev.delete_at_reboot(path) != kERROR_SUCCESS) return false;
  in.print(L"\n" + path + L" is in use; it is deleted when the system restarts (need a reboot).\n");
  return true;
}

}  // namespace installer
