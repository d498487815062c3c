#include <windows.h>

#include "text/console_code_page.h"
#include "text/text_convert.h"

namespace {

// Standard output is the console when the console accepts its mode query; a file or
// a pipe does not, even when the process has a console.
UINT output_code_page() {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  bool is_console = out != nullptr && out != INVALID_HANDLE_VALUE && GetConsoleMode(out, &mode) != 0;
  return choose_output_code_page(is_console, GetConsoleOutputCP(), GetACP());
}

// Where standard output goes is fixed for the process.
UINT console_code_page() {
  static const UINT cp = output_code_page();
  return cp;
}

}  // namespace

std::string to_console_text(std::wstring_view text) {
  if (text.empty()) return {};
  const UINT cp = console_code_page();
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

std::wstring widen_console(std::string_view text) {
  if (text.empty()) return {};
  int size = static_cast<int>(text.size());
  int needed = MultiByteToWideChar(console_code_page(), 0, text.data(), size, nullptr, 0);
  if (needed <= 0) return widen_bytes(text);
  std::wstring out(static_cast<std::size_t>(needed), L'\0');
  MultiByteToWideChar(console_code_page(), 0, text.data(), size, out.data(), needed);
  return out;
}
