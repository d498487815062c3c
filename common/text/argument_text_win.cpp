#include <windows.h>

#include "text/text_convert.h"

// Command-line words arrive in the ANSI code page, as the registry's A functions
// would take them.
std::wstring widen_argument(std::string_view text) {
  if (text.empty()) return {};
  int size = static_cast<int>(text.size());
  int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  if (needed <= 0) return widen_bytes(text);
  std::wstring out(static_cast<std::size_t>(needed), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), size, out.data(), needed);
  return out;
}
