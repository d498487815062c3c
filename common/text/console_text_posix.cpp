#include "text/text_convert.h"

std::string to_console_text(std::wstring_view text) { return narrow_utf8(text); }

std::wstring widen_ansi(std::string_view text) { return widen_utf8(text); }

std::wstring widen_console(std::string_view text) { return widen_utf8(text); }
