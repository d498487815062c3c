// The device installation of Windows: SetupAPI, newdev and cfgmgr32.
#include <windows.h>
// Order matters: the SetupAPI headers need the base types first.
#include <cfgmgr32.h>
#include <newdev.h>
#include <setupapi.h>

#include <cstdio>
#include <cwchar>

#include "devinst/device_installer.h"
#include "devinst/sim_device_installer.h"
#include "text/text_convert.h"

namespace devinst {

namespace {

Win32Error last() { return static_cast<Win32Error>(GetLastError()); }

// "{4D36E967-E325-11CE-BFC1-08002BE10318}" and back.
bool guid_of(const std::wstring& text, GUID& out) {
  unsigned long d1 = 0;
  unsigned d2 = 0, d3 = 0, b[8] = {};
  if (std::swscanf(text.c_str(), L"{%8lx-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &d1, &d2, &d3, &b[0], &b[1], &b[2], &b[3],
                   &b[4], &b[5], &b[6], &b[7]) != 11)
    return false;
  out.Data1 = d1;
  out.Data2 = static_cast<unsigned short>(d2);
  out.Data3 = static_cast<unsigned short>(d3);
  for (int i = 0; i < 8; ++i) out.Data4[i] = static_cast<unsigned char>(b[i]);
  return true;
}

std::wstring text_of(const GUID& g) {
  wchar_t buf[40];
  std::swprintf(buf, 40, L"{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", static_cast<unsigned long>(g.Data1),
                g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                g.Data4[7]);
  return buf;
}

std::vector<std::wstring> strings_of_multi_sz(const wchar_t* p, std::size_t chars) {
  std::vector<std::wstring> out;
  std::size_t i = 0;
  while (i < chars && p[i] != L'\0') {
    std::size_t end = i;
    while (end < chars && p[end] != L'\0') ++end;
    out.emplace_back(p + i, end - i);
    i = end + 1;
  }
  return out;
}

class DeviceInfoList {
 public:
  explicit DeviceInfoList(HDEVINFO set) : set_(set) {}
  ~DeviceInfoList() {
    if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
  }
  DeviceInfoList(const DeviceInfoList&) = delete;
  DeviceInfoList& operator=(const DeviceInfoList&) = delete;
  HDEVINFO get() const { return set_; }
  bool valid() const { return set_ != INVALID_HANDLE_VALUE; }

 private:
  HDEVINFO set_;
};

struct FindHandle {
  HANDLE h;
  ~FindHandle() {
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
  }
};

// The installation mutex owned by this process, released and closed when it goes.
class OwnedMutex {
 public:
  explicit OwnedMutex(HANDLE h) : h_(h) {}
  ~OwnedMutex() {
    ReleaseMutex(h_);
    CloseHandle(h_);
  }
  OwnedMutex(const OwnedMutex&) = delete;
  OwnedMutex& operator=(const OwnedMutex&) = delete;

 private:
  HANDLE h_;
};

// Class-install parameters, then the class installer.
Win32Error call_class_installer(HDEVINFO set, SP_DEVINFO_DATA* data, DI_FUNCTION function,
                                SP_CLASSINSTALL_HEADER* params, DWORD size) {
  if (params != nullptr && !SetupDiSetClassInstallParamsW(set, data, params, size)) return last();
  return SetupDiCallClassInstaller(function, set, data) ? kERROR_SUCCESS : last();
}

Win32Error remove_device(HDEVINFO set, SP_DEVINFO_DATA* data) {
  SP_REMOVEDEVICE_PARAMS params{};
  params.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
  params.ClassInstallHeader.InstallFunction = DIF_REMOVE;
  params.Scope = DI_REMOVEDEVICE_GLOBAL;
  params.HwProfile = 0;
  return call_class_installer(set, data, DIF_REMOVE, &params.ClassInstallHeader, sizeof params);
}

class WinDeviceSet : public DeviceSet {
 public:
  explicit WinDeviceSet(HDEVINFO set) : set_(set) {
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &data); ++i) devices_.push_back(data);
  }
  std::size_t size() const override { return devices_.size(); }

  Win32Error hardware_ids(std::size_t device, std::vector<std::wstring>& out) override {
    BYTE buf[2052] = {};
    DWORD type = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(set_.get(), &devices_[device], SPDRP_HARDWAREID, &type, buf, sizeof buf,
                                           nullptr))
      return last();
    out = strings_of_multi_sz(reinterpret_cast<const wchar_t*>(buf), sizeof buf / sizeof(wchar_t));
    return kERROR_SUCCESS;
  }
  Win32Error set_hardware_ids(std::size_t device, const std::vector<std::wstring>& ids) override {
    std::wstring list;
    for (const auto& id : ids) list += id + L'\0';
    list += L'\0';
    return SetupDiSetDeviceRegistryPropertyW(set_.get(), &devices_[device], SPDRP_HARDWAREID,
                                             reinterpret_cast<const BYTE*>(list.data()),
                                             static_cast<DWORD>(list.size() * sizeof(wchar_t)))
               ? kERROR_SUCCESS
               : last();
  }
  Win32Error config_flags(std::size_t device, std::uint32_t& out) override {
    DWORD flags = 0, type = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(set_.get(), &devices_[device], SPDRP_CONFIGFLAGS, &type,
                                           reinterpret_cast<BYTE*>(&flags), sizeof flags, nullptr))
      return last();
    out = flags;
    return kERROR_SUCCESS;
  }
  Win32Error set_config_flags(std::size_t device, std::uint32_t flags) override {
    DWORD value = flags;
    return SetupDiSetDeviceRegistryPropertyW(set_.get(), &devices_[device], SPDRP_CONFIGFLAGS,
                                             reinterpret_cast<const BYTE*>(&value), sizeof value)
               ? kERROR_SUCCESS
               : last();
  }
  Win32Error enumerator(std::size_t device, std::wstring& out) override {
    wchar_t buf[260] = {};
    DWORD type = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(set_.get(), &devices_[device], SPDRP_ENUMERATOR_NAME, &type,
                                           reinterpret_cast<BYTE*>(buf), sizeof buf, nullptr))
      return last();
    buf[259] = L'\0';
    out = buf;
    return kERROR_SUCCESS;
  }
  bool instance_id(std::size_t device, std::wstring& out) override {
    wchar_t buf[200] = {};
    if (CM_Get_Device_IDW(devices_[device].DevInst, buf, 200, 0) != CR_SUCCESS) return false;
    buf[199] = L'\0';
    out = buf;
    return true;
  }
  bool node_status(std::size_t device, std::uint32_t& status) override {
    ULONG s = 0, problem = 0;
    if (CM_Get_DevNode_Status(&s, &problem, devices_[device].DevInst, 0) != CR_SUCCESS) return false;
    status = s;
    return true;
  }
  Win32Error remove(std::size_t device) override { return remove_device(set_.get(), &devices_[device]); }
  Win32Error restart(std::size_t device) override {
    SP_PROPCHANGE_PARAMS params{};
    params.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
    params.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
    params.StateChange = DICS_PROPCHANGE;
    params.Scope = DICS_FLAG_CONFIGSPECIFIC;
    params.HwProfile = 0;
    return call_class_installer(set_.get(), &devices_[device], DIF_PROPERTYCHANGE, &params.ClassInstallHeader,
                                sizeof params);
  }
  bool needs_reboot(std::size_t device) override {
    SP_DEVINSTALL_PARAMS_W params{};
    params.cbSize = sizeof params;
    if (!SetupDiGetDeviceInstallParamsW(set_.get(), &devices_[device], &params)) return false;
    return (params.Flags & (DI_NEEDRESTART | DI_NEEDREBOOT)) != 0;
  }

 private:
  DeviceInfoList set_;
  std::vector<SP_DEVINFO_DATA> devices_;
};

class WinInf : public InfHandle {
 public:
  explicit WinInf(HINF inf) : inf_(inf) {}
  ~WinInf() override { SetupCloseInfFile(inf_); }
  WinInf(const WinInf&) = delete;
  WinInf& operator=(const WinInf&) = delete;

  long line_count(const std::wstring& section) override { return SetupGetLineCountW(inf_, section.c_str()); }
  std::optional<std::wstring> line_text(const std::wstring& section, std::size_t index) override {
    INFCONTEXT ctx;
    if (!SetupGetLineByIndexW(inf_, section.c_str(), static_cast<DWORD>(index), &ctx)) return std::nullopt;
    return text_of_line(ctx);
  }
  std::optional<std::wstring> line_text(const std::wstring& section, const std::wstring& key) override {
    INFCONTEXT ctx;
    if (!SetupFindFirstLineW(inf_, section.c_str(), key.c_str(), &ctx)) return std::nullopt;
    return text_of_line(ctx);
  }
  std::size_t field_count(const std::wstring& section, std::size_t index) override {
    INFCONTEXT ctx;
    if (!SetupGetLineByIndexW(inf_, section.c_str(), static_cast<DWORD>(index), &ctx)) return 0;
    return SetupGetFieldCount(&ctx);
  }
  std::optional<std::wstring> string_field(const std::wstring& section, std::size_t index, std::size_t field) override {
    INFCONTEXT ctx;
    if (!SetupGetLineByIndexW(inf_, section.c_str(), static_cast<DWORD>(index), &ctx)) return std::nullopt;
    DWORD size = 0;
    if (!SetupGetStringFieldW(&ctx, static_cast<DWORD>(field), nullptr, 0, &size) || size == 0) return std::nullopt;
    std::wstring text(size, L'\0');
    if (!SetupGetStringFieldW(&ctx, static_cast<DWORD>(field), text.data(), size, nullptr)) return std::nullopt;
    text.resize(size - 1);
    return text;
  }
  std::optional<std::int32_t> int_field(const std::wstring& section, std::size_t index, std::size_t field) override {
    INFCONTEXT ctx;
    INT value = 0;
    if (!SetupGetLineByIndexW(inf_, section.c_str(), static_cast<DWORD>(index), &ctx) ||
        !SetupGetIntField(&ctx, static_cast<DWORD>(field), &value))
      return std::nullopt;
    return value;
  }
  Win32Error install_section(const std::wstring& section) override {
    // The default queue callback without a progress window.
    PVOID context = SetupInitDefaultQueueCallbackEx(nullptr, static_cast<HWND>(INVALID_HANDLE_VALUE), 0, 0, nullptr);
    if (context == nullptr) return kERROR_NOT_ENOUGH_MEMORY;
    Win32Error rc = SetupInstallFromInfSectionW(nullptr, inf_, section.c_str(), SPINST_REGISTRY | SPINST_FILES,
                                                nullptr, nullptr, SP_COPY_FORCE_NEWER, SetupDefaultQueueCallbackW,
                                                context, nullptr, nullptr)
                        ? kERROR_SUCCESS
                        : last();
    SetupTermDefaultQueueCallback(context);
    return rc;
  }
  Win32Error install_services(const std::wstring& section, bool& reboot) override {
    // Success with ERROR_SUCCESS_REBOOT_REQUIRED left as the last error: a service
    // that was only marked for deletion. The call sets no last error otherwise.
    SetLastError(ERROR_SUCCESS);
    if (!SetupInstallServicesFromInfSectionW(inf_, section.c_str(), 0)) return last();
    reboot = GetLastError() == ERROR_SUCCESS_REBOOT_REQUIRED;
    return kERROR_SUCCESS;
  }

 private:
  static std::optional<std::wstring> text_of_line(INFCONTEXT& ctx) {
    DWORD size = 0;
    if (!SetupGetLineTextW(&ctx, nullptr, nullptr, nullptr, nullptr, 0, &size) || size == 0) return std::nullopt;
    std::wstring text(size, L'\0');
    if (!SetupGetLineTextW(&ctx, nullptr, nullptr, nullptr, text.data(), size, nullptr)) return std::nullopt;
    text.resize(size - 1);
    return text;
  }
  HINF inf_;
};

class WinDeviceInstaller : public DeviceInstaller {
 public:
  WinDeviceInstaller() : registry_(registry::make_windows_registry()) {}
  registry::Registry& registry() override { return *registry_; }

  Win32Error class_devices(const std::wstring& class_guid, std::unique_ptr<DeviceSet>& out) override {
    GUID guid;
    if (!guid_of(class_guid, guid)) return kERROR_INVALID_PARAMETER;
    HDEVINFO set = SetupDiGetClassDevsW(&guid, nullptr, nullptr, 0);
    if (set == INVALID_HANDLE_VALUE) return last();
    out = std::make_unique<WinDeviceSet>(set);
    return kERROR_SUCCESS;
  }
  Win32Error inf_class(const std::wstring& inf_path, std::wstring& guid, std::wstring& name) override {
    GUID g;
    wchar_t buf[32] = {};
    if (!SetupDiGetINFClassW(inf_path.c_str(), &g, buf, 32, nullptr)) return last();
    guid = text_of(g);
    name = buf;
    return kERROR_SUCCESS;
  }
  Win32Error create_root_device(const std::wstring& class_guid, const std::wstring& hardware_id) override {
    GUID guid;
    if (!guid_of(class_guid, guid)) return kERROR_INVALID_PARAMETER;
    DeviceInfoList list(SetupDiCreateDeviceInfoList(&guid, nullptr));
    if (!list.valid()) return last();
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    if (!SetupDiCreateDeviceInfoW(list.get(), L"MPIO", &guid, nullptr, nullptr, DICD_GENERATE_ID, &data)) return last();
    std::wstring ids = hardware_id + L'\0' + L'\0';
    Win32Error rc = SetupDiSetDeviceRegistryPropertyW(list.get(), &data, SPDRP_HARDWAREID,
                                                      reinterpret_cast<const BYTE*>(ids.data()),
                                                      static_cast<DWORD>((hardware_id.size() + 2) * sizeof(wchar_t)))
                        ? kERROR_SUCCESS
                        : last();
    if (rc == kERROR_SUCCESS) rc = call_class_installer(list.get(), &data, DIF_REGISTERDEVICE, nullptr, 0);
    if (rc != kERROR_SUCCESS) SetupDiCallClassInstaller(DIF_REMOVE, list.get(), &data);  // no half-made device
    return rc;
  }
  Win32Error update_driver(const std::wstring& hardware_id, const std::wstring& inf_path, bool& reboot) override {
    BOOL need = FALSE;
    BOOL ok = UpdateDriverForPlugAndPlayDevicesW(nullptr, hardware_id.c_str(), inf_path.c_str(), 0, &need);
    reboot = need != FALSE;
    return ok ? kERROR_SUCCESS : last();
  }
  Win32Error copy_oem_inf(const std::wstring& inf_path, bool replace_only, std::wstring& copy_path) override {
    wchar_t buf[MAX_PATH] = {};
    if (!SetupCopyOEMInfW(inf_path.c_str(), nullptr, SPOST_PATH, replace_only ? SP_COPY_REPLACEONLY : 0, buf, MAX_PATH,
                          nullptr, nullptr))
      return last();
    buf[MAX_PATH - 1] = L'\0';
    copy_path = buf;
    return kERROR_SUCCESS;
  }
  Win32Error uninstall_oem_inf(const std::wstring& copy_name) override {
    return SetupUninstallOEMInfW(copy_name.c_str(), SUOI_FORCEDELETE, nullptr) ? kERROR_SUCCESS : last();
  }
  Win32Error open_inf(const std::wstring& inf_path, std::unique_ptr<InfHandle>& out) override {
    HINF inf = SetupOpenInfFileW(inf_path.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
    if (inf == INVALID_HANDLE_VALUE) return last();
    out = std::make_unique<WinInf>(inf);
    return kERROR_SUCCESS;
  }
  bool os_version(OsVersion& out) override {
    OSVERSIONINFOW v{};
    v.dwOSVersionInfoSize = sizeof v;
    if (!GetVersionExW(&v)) return false;
    out = OsVersion{v.dwMajorVersion, v.dwMinorVersion};
    return true;
  }
  // The system's own Windows folder, also for a program that a Terminal Server gives
  // a per-user one.
  std::wstring windows_directory() override {
    wchar_t buf[MAX_PATH] = {};
    if (GetSystemWindowsDirectoryW(buf, MAX_PATH) >= MAX_PATH) buf[0] = L'\0';
    return buf;
  }
  std::wstring system_directory() override {
    wchar_t buf[MAX_PATH] = {};
    GetSystemDirectoryW(buf, MAX_PATH);
    return buf;
  }
  std::optional<std::wstring> system_message(std::uint32_t id) override {
    wchar_t* text = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, id, 0x400,
                             reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (n == 0 || text == nullptr) return std::nullopt;
    std::wstring out(text, n);
    LocalFree(text);
    return out;
  }
  Win32Error find_file(const std::wstring& path) override {
    WIN32_FIND_DATAW data;
    FindHandle find{FindFirstFileW(path.c_str(), &data)};
    return find.h == INVALID_HANDLE_VALUE ? last() : kERROR_SUCCESS;
  }
  std::vector<FileEntry> list_folder(const std::wstring& folder) override {
    std::vector<FileEntry> out;
    WIN32_FIND_DATAW data;
    FindHandle find{FindFirstFileW((folder + L"\\*").c_str(), &data)};
    if (find.h == INVALID_HANDLE_VALUE) return out;
    do out.push_back({data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    while (FindNextFileW(find.h, &data));
    return out;
  }
  Win32Error delete_file(const std::wstring& path) override {
    return DeleteFileW(path.c_str()) ? kERROR_SUCCESS : last();
  }
  Win32Error delete_at_reboot(const std::wstring& path) override {
    return MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? kERROR_SUCCESS : last();
  }
  std::wstring current_directory() override {
    wchar_t buf[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, buf);
    return buf;
  }
  bool set_current_directory(const std::wstring& path) override { return SetCurrentDirectoryW(path.c_str()) != FALSE; }
  std::wstring short_path(const std::wstring& path) override {
    wchar_t buf[MAX_PATH] = {};
    DWORD n = GetShortPathNameW(path.c_str(), buf, MAX_PATH);
    return n == 0 || n >= MAX_PATH ? path : std::wstring(buf);
  }
  std::wstring full_path(const std::wstring& path) override {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
      DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buf.size()), buf.data(), nullptr);
      if (n == 0) return path;
      if (n < buf.size()) return std::wstring(buf.data(), n);
      buf.resize(n);  // n counts the terminator when the buffer was too small
    }
  }
  std::optional<std::string> read_file(const std::wstring& path) override {
    // A plain text read through the C runtime, with the path's low bytes as its name.
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(narrow_low_bytes(path).c_str(), "r"), &std::fclose);
    if (!f) return std::nullopt;
    std::string out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f.get())) > 0;) out.append(buf, n);
    return out;
  }
  Win32Error last_error() override { return last(); }
  // A mutex of the whole machine (all sessions); a holder that ended without releasing
  // it leaves it abandoned, which the next one takes.
  std::shared_ptr<void> lock_installation(const std::function<void()>& waiting) override {
    HANDLE h = CreateMutexW(nullptr, FALSE, L"Global\\ZYRDSM.PackageInstallation");
    if (h == nullptr) return nullptr;  // no lock to be had: the installation runs as before
    DWORD state = WaitForSingleObject(h, 0);
    if (state == WAIT_TIMEOUT) {
      waiting();
      state = WaitForSingleObject(h, INFINITE);
    }
    if (state != WAIT_OBJECT_0 && state != WAIT_ABANDONED) {
      CloseHandle(h);
      return nullptr;
    }
    return std::make_shared<OwnedMutex>(h);
  }

 private:
  std::unique_ptr<registry::Registry> registry_;
};

}  // namespace

std::unique_ptr<DeviceInstaller> make_device_installer() {
  if (auto configured = simstack::configured_state_path())
    return make_sim_device_installer(simstack::open_sim_host(configured));
  return std::make_unique<WinDeviceInstaller>();
}

}  // namespace devinst
