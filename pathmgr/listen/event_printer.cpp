#include "listen/event_printer.h"

#include "listen/event_text.h"

void EventPrinter::indicate(const std::vector<wmi::ObjectPtr>& objects) {
  for (const auto& object : objects) {
    if (!object) continue;
    const std::string text = format_event(*object);
    std::lock_guard lock(mutex_);
    out_ << text << std::flush;
  }
}
