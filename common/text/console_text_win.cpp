#include <windows.h>

#include "text/text_convert.h"

// The console shows text in its output code page; when standard output is no console
// (a pipe or a file) the ANSI code page is what other programs expect.
std::string to_console_text(std::wstring_view text) {
  if (text.empty()) return {};
  UINT cp = GetConsoleOutputCP();
  if (cp == 0) cp = GetACP();
  int size = static_cast<int>(text.size());
  int needed = WideCharToMultiByte(cp, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return narrow_low_bytes(text);
  std::string out(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(cp, 0, text.data(), size, out.data(), needed, nullptr, nullptr);
  return out;
}

std::wstring widen_ansi(std::string_view text) {
  if (text.empty()) return {};
  int size = static_cast<int>(text.size());
  int needed = MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), size, nullptr, 0);
  if (needed <= 0) return widen_bytes(text);
  std::wstring out(static_cast<std::size_t>(needed), L'\0');
  MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), size, out.data(), needed);
  return out;
}
