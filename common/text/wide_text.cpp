#include "text/wide_text.h"

#include <string>

#include "text/text_convert.h"

std::ostream& operator<<(std::ostream& out, WideText wide) {
  const std::streamsize width = out.width();
  const std::size_t length = wide.text.size();
  const std::size_t pad = width > 0 && static_cast<std::size_t>(width) > length ? static_cast<std::size_t>(width) - length : 0;
  const bool left = (out.flags() & std::ios::adjustfield) == std::ios::left;
  const std::string fill(pad, out.fill());
  out.width(0);
  if (!left) out << fill;
  out << to_console_text(wide.text);
  if (left) out << fill;
  return out;
}
