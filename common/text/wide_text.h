// Wide text (WMI strings, instance and drive names) written into the program's one
// narrow output stream, converted for the console on the way out and padded by
// characters with the stream's width, fill and alignment, as a wide stream would.
#pragma once
#include <ostream>
#include <string_view>

struct WideText {
  std::wstring_view text;
};

std::ostream& operator<<(std::ostream& out, WideText wide);
