#include "registry/registry.h"

namespace registry {

Win32Error query_value(Key& key, const std::wstring& name, std::uint32_t& type, std::vector<std::uint8_t>& data) {
  // A value may grow between the size query and the read: ask again, a few times.
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::uint32_t size = 0;
    Win32Error rc = key.query(name, &type, nullptr, &size);
    if (rc != kERROR_SUCCESS) return rc;
    data.assign(size, 0);
    rc = key.query(name, &type, data.empty() ? nullptr : data.data(), &size);
    if (rc == kERROR_MORE_DATA) continue;
    if (rc == kERROR_SUCCESS) data.resize(size);
    return rc;
  }
  return kERROR_MORE_DATA;
}

std::vector<std::uint8_t> utf16_bytes(const std::wstring& text, bool terminated) {
  std::vector<std::uint8_t> out;
  out.reserve((text.size() + 1) * 2);
  auto put = [&out](std::uint32_t unit) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFF));
  };
  for (wchar_t c : text) {
    auto cp = static_cast<std::uint32_t>(c);
    if (cp >= 0x10000) {  // a wide character beyond 16 bits (POSIX): a surrogate pair
      cp -= 0x10000;
      put(0xD800 + (cp >> 10));
      put(0xDC00 + (cp & 0x3FF));
    } else {
      put(cp);
    }
  }
  if (terminated) put(0);
  return out;
}

std::wstring text_of_utf16(const std::uint8_t* data, std::size_t size) {
  std::wstring out;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    std::uint32_t unit = data[i] | (std::uint32_t{data[i + 1]} << 8);
    if (unit == 0) break;
    if constexpr (sizeof(wchar_t) == 4) {
      if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < size) {
        std::uint32_t low = data[i + 2] | (std::uint32_t{data[i + 3]} << 8);
        if (low >= 0xDC00 && low < 0xE000) {
          out += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
          i += 2;
          continue;
        }
      }
    }
    out += static_cast<wchar_t>(unit);
  }
  return out;
}

std::vector<std::wstring> multi_sz_strings(const std::vector<std::uint8_t>& data) {
  std::vector<std::wstring> out;
  std::size_t i = 0;
  while (i + 1 < data.size()) {
    std::size_t end = i;
    while (end + 1 < data.size() && (data[end] != 0 || data[end + 1] != 0)) end += 2;
    if (end == i) break;  // the empty string that ends the list
    out.push_back(text_of_utf16(data.data() + i, end - i));
    i = end + 2;
  }
  return out;
}

std::vector<std::uint8_t> multi_sz_bytes(const std::vector<std::wstring>& strings) {
  std::vector<std::uint8_t> out;
  for (const auto& s : strings) {
    auto bytes = utf16_bytes(s, true);
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

std::vector<std::uint8_t> dword_bytes(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value >> 16),
          static_cast<std::uint8_t>(value >> 24)};
}

std::uint32_t dword_value(const std::vector<std::uint8_t>& data) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4 && i < data.size(); ++i) value |= std::uint32_t{data[i]} << (8 * i);
  return value;
}

}  // namespace registry
