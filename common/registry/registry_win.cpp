// The registry seam over advapi32.
#include <windows.h>

#include "registry/registry.h"

namespace registry {

namespace {

REGSAM sam_of(Access access) {
  switch (access) {
    case Access::Read: return KEY_READ;
    case Access::SetValue: return KEY_SET_VALUE;
    case Access::Full: return KEY_ALL_ACCESS;
  }
  return KEY_READ;
}

class WinKey : public Key {
 public:
  explicit WinKey(HKEY key) : key_(key) {}
  ~WinKey() override { RegCloseKey(key_); }
  WinKey(const WinKey&) = delete;
  WinKey& operator=(const WinKey&) = delete;

  Win32Error query(const std::wstring& name, std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) override {
    DWORD t = 0;
    DWORD n = size != nullptr ? *size : 0;
    LONG rc = RegQueryValueExW(key_, name.c_str(), nullptr, type != nullptr ? &t : nullptr, data,
                               size != nullptr ? &n : nullptr);
    if (type != nullptr) *type = t;
    if (size != nullptr) *size = n;
    return static_cast<Win32Error>(rc);
  }

  Win32Error set(const std::wstring& name, std::uint32_t type, const std::uint8_t* data, std::uint32_t size) override {
    return static_cast<Win32Error>(RegSetValueExW(key_, name.c_str(), 0, type, data, size));
  }

 private:
  HKEY key_;
};

class WinRegistry : public Registry {
 public:
  Win32Error open(const std::wstring& subkey, Access access, std::unique_ptr<Key>& out) override {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, sam_of(access), &key);
    if (rc != ERROR_SUCCESS) return static_cast<Win32Error>(rc);
    out = std::make_unique<WinKey>(key);
    return kERROR_SUCCESS;
  }
};

}  // namespace

std::unique_ptr<Registry> make_windows_registry() { return std::make_unique<WinRegistry>(); }

}  // namespace registry
