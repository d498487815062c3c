// inf_probe: prints what SetupAPI reads from an INF (class, and for each section named
// on the command line its line count, line texts, string and integer fields), in the
// form the INF parser's comparison test prints for our own parser.
#include <windows.h>
// SetupAPI needs the base types first.
#include <setupapi.h>

#include <cstdio>
#include <string>

#include "text/text_convert.h"

namespace {

std::string utf8(const std::wstring& text) { return narrow_utf8(text); }

void print_line(INFCONTEXT& ctx, const std::string& section, DWORD index) {
  DWORD size = 0;
  std::wstring text;
  if (SetupGetLineTextW(&ctx, nullptr, nullptr, nullptr, nullptr, 0, &size) && size > 0) {
    text.resize(size);
    SetupGetLineTextW(&ctx, nullptr, nullptr, nullptr, text.data(), size, nullptr);
    text.resize(size - 1);
  }
  std::printf("line %s %lu %s\n", section.c_str(), static_cast<unsigned long>(index), utf8(text).c_str());
  const DWORD count = SetupGetFieldCount(&ctx);
  for (DWORD f = 0; f <= count; ++f) {
    std::string value = "-";
    if (SetupGetStringFieldW(&ctx, f, nullptr, 0, &size) && size > 0) {
      std::wstring field(size, L'\0');
      SetupGetStringFieldW(&ctx, f, field.data(), size, nullptr);
      field.resize(size - 1);
      value = utf8(field);
    }
    INT number = 0;
    std::string integer = SetupGetIntField(&ctx, f, &number) ? std::to_string(number) : "-";
    std::printf("field %lu %lu %s | %s\n", static_cast<unsigned long>(index), static_cast<unsigned long>(f),
                value.c_str(), integer.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::printf("usage: inf_probe file.inf [section ...]\n");
    return 2;
  }
  const std::wstring path = widen_ansi(argv[1]);
  GUID guid;
  wchar_t name[32] = {};
  std::printf("class %s\n", SetupDiGetINFClassW(path.c_str(), &guid, name, 32, nullptr) ? utf8(name).c_str() : "-");
  HINF inf = SetupOpenInfFileW(path.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
  if (inf == INVALID_HANDLE_VALUE) {
    std::printf("open failed %lu\n", GetLastError());
    return 1;
  }
  for (int a = 2; a < argc; ++a) {
    const std::wstring section = widen_ansi(argv[a]);
    const LONG count = SetupGetLineCountW(inf, section.c_str());
    std::printf("section %s %ld\n", argv[a], static_cast<long>(count));
    for (LONG i = 0; i < count; ++i) {
      INFCONTEXT ctx;
      if (SetupGetLineByIndexW(inf, section.c_str(), static_cast<DWORD>(i), &ctx))
        print_line(ctx, argv[a], static_cast<DWORD>(i));
    }
  }
  SetupCloseInfFile(inf);
  return 0;
}
