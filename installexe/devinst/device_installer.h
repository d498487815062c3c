// The device-installation seam of install: the SetupAPI, newdev and cfgmgr32
// operations the installer's steps call, the INF reads, the OS version and the file
// system calls around them. Status codes are Windows' own: Win32 errors and SetupAPI
// errors (0xE000xxxx). The real interfaces on Windows; the simulated host elsewhere
// (and on Windows when PATHMGR_SIM is set).
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "registry/registry.h"
#include "win32_error.h"

namespace devinst {

constexpr Win32Error kERROR_SHARING_VIOLATION = 32;
constexpr Win32Error kERROR_INSUFFICIENT_BUFFER = 122;
constexpr Win32Error kERROR_SUCCESS_REBOOT_REQUIRED = 3010;
constexpr Win32Error kERROR_NO_SUCH_DEVINST = 0xE000020B;
constexpr Win32Error kERROR_INVALID_CLASS = 0xE0000206;
constexpr Win32Error kERROR_LINE_NOT_FOUND = 0xE0000102;
constexpr std::uint32_t kCONFIGFLAG_REINSTALL = 0x20;
constexpr std::uint32_t kDN_STARTED = 0x8;

inline constexpr const wchar_t* kScsiAdapterClass = L"{4D36E97B-E325-11CE-BFC1-08002BE10318}";
inline constexpr const wchar_t* kDiskDriveClass = L"{4D36E967-E325-11CE-BFC1-08002BE10318}";

// A class device set (SetupDiGetClassDevsW, no flags): every device of the class the
// system knows, in its enumeration order; devices are named by their index.
class DeviceSet {
 public:
  virtual ~DeviceSet() = default;
  virtual std::size_t size() const = 0;
  // SPDRP_HARDWAREID through a buffer of 2052 bytes, and its write.
  virtual Win32Error hardware_ids(std::size_t device, std::vector<std::wstring>& out) = 0;
  virtual Win32Error set_hardware_ids(std::size_t device, const std::vector<std::wstring>& ids) = 0;
  virtual Win32Error config_flags(std::size_t device, std::uint32_t& out) = 0;
  virtual Win32Error set_config_flags(std::size_t device, std::uint32_t flags) = 0;
  // SPDRP_ENUMERATOR_NAME (260 characters).
  virtual Win32Error enumerator(std::size_t device, std::wstring& out) = 0;
  // CM_Get_Device_IDW (200 characters) and CM_Get_DevNode_Status: false when they fail
  // (a device the system remembers but that is not present has no status).
  virtual bool instance_id(std::size_t device, std::wstring& out) = 0;
  virtual bool node_status(std::size_t device, std::uint32_t& status) = 0;
  // SetupDiCallClassInstaller with DIF_REMOVE (DI_REMOVEDEVICE_GLOBAL) or
  // DIF_PROPERTYCHANGE (DICS_PROPCHANGE, DICS_FLAG_CONFIGSPECIFIC), class-install
  // parameters set first.
  virtual Win32Error remove(std::size_t device) = 0;
  virtual Win32Error restart(std::size_t device) = 0;
  // SP_DEVINSTALL_PARAMS_W.Flags hold DI_NEEDRESTART or DI_NEEDREBOOT.
  virtual bool needs_reboot(std::size_t device) = 0;
};

// An INF opened with SetupOpenInfFileW (INF_STYLE_WIN4).
class InfHandle {
 public:
  virtual ~InfHandle() = default;
  virtual long line_count(const std::wstring& section) = 0;  // -1 without the section
  // SetupGetLineTextW of the line `index`, or of the first line with `key`.
  virtual std::optional<std::wstring> line_text(const std::wstring& section, std::size_t index) = 0;
  virtual std::optional<std::wstring> line_text(const std::wstring& section, const std::wstring& key) = 0;
  virtual std::size_t field_count(const std::wstring& section, std::size_t index) = 0;
  virtual std::optional<std::wstring> string_field(const std::wstring& section, std::size_t index, std::size_t field) = 0;
  virtual std::optional<std::int32_t> int_field(const std::wstring& section, std::size_t index, std::size_t field) = 0;
  // SetupInstallFromInfSectionW (SPINST_REGISTRY | SPINST_FILES, SP_COPY_FORCE_NEWER,
  // the default queue callback with no progress window) and
  // SetupInstallServicesFromInfSectionW (flags 0). `reboot` is set when the services
  // call succeeded with ERROR_SUCCESS_REBOOT_REQUIRED as its last error: a running
  // driver's service could only be marked for deletion.
  virtual Win32Error install_section(const std::wstring& section) = 0;
  virtual Win32Error install_services(const std::wstring& section, bool& reboot) = 0;
};

struct OsVersion {
  std::uint32_t major = 0, minor = 0;
};

struct FileEntry {
  std::wstring name;
  bool directory = false;
};

class DeviceInstaller {
 public:
  virtual ~DeviceInstaller() = default;
  virtual registry::Registry& registry() = 0;
  virtual Win32Error class_devices(const std::wstring& class_guid, std::unique_ptr<DeviceSet>& out) = 0;
  // SetupDiGetINFClassW.
  virtual Win32Error inf_class(const std::wstring& inf_path, std::wstring& guid, std::wstring& name) = 0;
  // A root-enumerated device named "MPIO" in the class, with `hardware_id` as its only
  // hardware ID: SetupDiCreateDeviceInfoW (DICD_GENERATE_ID), SPDRP_HARDWAREID,
  // DIF_REGISTERDEVICE; a half-made device is removed again (DIF_REMOVE).
  virtual Win32Error create_root_device(const std::wstring& class_guid, const std::wstring& hardware_id) = 0;
  // UpdateDriverForPlugAndPlayDevicesW (no window, flags 0).
  virtual Win32Error update_driver(const std::wstring& hardware_id, const std::wstring& inf_path, bool& reboot) = 0;
  // SetupCopyOEMInfW (SPOST_PATH; SP_COPY_REPLACEONLY when asked): the store
  // copy's full path, as DestinationInfFileName gives it.
  virtual Win32Error copy_oem_inf(const std::wstring& inf_path, bool replace_only, std::wstring& copy_path) = 0;
  // SetupUninstallOEMInfW (SUOI_FORCEDELETE): the store copy's file name alone
  // ("oem3.inf"); the system refuses a path.
  virtual Win32Error uninstall_oem_inf(const std::wstring& copy_name) = 0;
  virtual Win32Error open_inf(const std::wstring& inf_path, std::unique_ptr<InfHandle>& out) = 0;

  virtual bool os_version(OsVersion& out) = 0;  // GetVersionExW
  virtual std::wstring windows_directory() = 0;
  virtual std::wstring system_directory() = 0;
  // FormatMessageW (FORMAT_MESSAGE_FROM_SYSTEM, language 0x400): none without a text.
  virtual std::optional<std::wstring> system_message(std::uint32_t id) = 0;
  // FindFirstFileW on the path itself: 0, or the last error.
  virtual Win32Error find_file(const std::wstring& path) = 0;
  // The entries of a folder (FindFirstFileW on folder + "\*").
  virtual std::vector<FileEntry> list_folder(const std::wstring& folder) = 0;
  // DeleteFileW: 0, or why not (ERROR_ACCESS_DENIED for a driver file in use).
  virtual Win32Error delete_file(const std::wstring& path) = 0;
  // MoveFileExW(path, no target, MOVEFILE_DELAY_UNTIL_REBOOT): deleted at the next start.
  virtual Win32Error delete_at_reboot(const std::wstring& path) = 0;
  virtual std::wstring current_directory() = 0;
  virtual bool set_current_directory(const std::wstring& path) = 0;
  virtual std::wstring short_path(const std::wstring& path) = 0;  // GetShortPathNameW
  // GetFullPathNameW: the path against the current directory; unchanged when it fails.
  virtual std::wstring full_path(const std::wstring& path) = 0;
  // The bytes of a file for plain text reading (fopen "r"); none when it cannot be opened.
  virtual std::optional<std::string> read_file(const std::wstring& path) = 0;
  // GetLastError: what the last call of the platform left.
  virtual Win32Error last_error() = 0;
  // One installation at a time on the machine: waits while another holds the
  // installation lock (calling `waiting` once first) and holds it while the returned
  // object lives. On Windows a machine-wide named mutex.
  virtual std::shared_ptr<void> lock_installation(const std::function<void()>& waiting) = 0;
};

// The simulated host when PATHMGR_SIM is set (always on POSIX), else the real system.
// Throws simstack::StateError for a host file that cannot be used.
std::unique_ptr<DeviceInstaller> make_device_installer();

}  // namespace devinst
