// Conversions between the program's narrow text (what the user types) and the wide
// text of WMI strings and instance names.
#pragma once
#include <string>
#include <string_view>

// UTF-8 <-> wide text. Invalid input bytes become U+FFFD; nothing is dropped silently.
std::wstring widen_utf8(std::string_view text);
std::string narrow_utf8(std::wstring_view text);

// Each wide character cut to its low 8 bits, as MPIO serial numbers are narrowed.
std::string narrow_low_bytes(std::wstring_view text);
// Each byte taken as one character (Latin-1): for ASCII words typed by the user.
std::wstring widen_bytes(std::string_view text);

// A word the user typed (a command-line argument) as wide text: the ANSI code page of
// the thread on Windows, UTF-8 elsewhere.
std::wstring widen_ansi(std::string_view text);

// Names (WMI classes and properties, command words) compared without regard to the
// case of ASCII letters.
bool equal_nocase_ascii(std::wstring_view a, std::wstring_view b);

// Text for the console: the console code page on Windows, UTF-8 elsewhere.
std::string to_console_text(std::wstring_view text);
// Console text back to wide text (the same code page); bytes that stand for no
// character become U+FFFD.
std::wstring widen_console(std::string_view text);
