// The registry seam: keys under HKEY_LOCAL_MACHINE, opened (never created), values
// queried and set as the Windows registry API does, with its status codes. advapi32
// on Windows; the state file's "registry" member on the simulated host.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "win32_error.h"

namespace registry {

// Value types, with their Windows numbers.
enum ValueType : std::uint32_t {
  kREG_NONE = 0,
  kREG_SZ = 1,
  kREG_EXPAND_SZ = 2,
  kREG_BINARY = 3,
  kREG_DWORD = 4,
  kREG_MULTI_SZ = 7,
};

enum class Access {
  Read,      // KEY_READ
  SetValue,  // KEY_SET_VALUE
  Full,      // KEY_ALL_ACCESS
};

// An open key; closed when the object goes.
class Key {
 public:
  virtual ~Key() = default;
  // RegQueryValueEx: `size` holds the room of `data` in bytes and receives the size of
  // the value. No `data`: only the size is asked for. ERROR_MORE_DATA when the value is
  // larger than the room, ERROR_FILE_NOT_FOUND when there is no such value. `type` may
  // be null.
  virtual Win32Error query(const std::wstring& name, std::uint32_t* type, std::uint8_t* data,
                           std::uint32_t* size) = 0;
  // RegSetValueEx: creates or replaces the value.
  virtual Win32Error set(const std::wstring& name, std::uint32_t type, const std::uint8_t* data,
                         std::uint32_t size) = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // RegOpenKeyEx of HKEY_LOCAL_MACHINE\subkey; ERROR_FILE_NOT_FOUND when it does not exist.
  virtual Win32Error open(const std::wstring& subkey, Access access, std::unique_ptr<Key>& out) = 0;
};

// The real registry of this machine (Windows only).
std::unique_ptr<Registry> make_windows_registry();

// The whole value with its type: a size query, then the read (again when the value
// grew in between).
Win32Error query_value(Key& key, const std::wstring& name, std::uint32_t& type, std::vector<std::uint8_t>& data);
// A REG_MULTI_SZ byte image as its strings (up to the empty string that ends the list,
// or the end of the data), and back.
std::vector<std::wstring> multi_sz_strings(const std::vector<std::uint8_t>& data);
std::vector<std::uint8_t> multi_sz_bytes(const std::vector<std::wstring>& strings);
// A REG_DWORD's four little-endian bytes, and back.
std::vector<std::uint8_t> dword_bytes(std::uint32_t value);
std::uint32_t dword_value(const std::vector<std::uint8_t>& data);  // the first four bytes
// Wide text as UTF-16LE bytes (with its terminator), and back (up to the first terminator).
std::vector<std::uint8_t> utf16_bytes(const std::wstring& text, bool terminated);
std::wstring text_of_utf16(const std::uint8_t* data, std::size_t size);

}  // namespace registry
