// The text of one MPIO event as the listener prints it: seven lines, the last one
// empty. Written once for every backend: the COM sink and the simulated delivery
// both hand over the event as a WMI object.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "wmi/wmi_seam.h"

// "Fatal Error", "Error", "Warning", "Information" for 1 to 4; "Unknown" otherwise.
std::wstring severity_name(std::uint32_t severity);

// The local date and time of a TimeStamp (100-ns units since 1601 as decimal text) in
// the asctime layout without its newline ("Thu Jan  1 00:00:00 1970"), sub-second
// parts dropped. Empty for a value that is no such number, lies before 1970, or has
// no local time of four-digit year.
std::string event_time_text(const wmi::Value& timestamp);

// The 100-ns units since 1601 of a TimeStamp: its leading decimal digits; none when
// it is no such number or does not fit 64 bits.
std::optional<std::uint64_t> event_time_units(const wmi::Value& timestamp);

// One MPIO_EventEntry as the listener shows it.
struct EventRecord {
  std::wstring InstanceName;      // empty when missing or null
  std::int16_t Active = 0;        // the low 16 bits of the value, signed (true is -1)
  wmi::Value TimeStamp;
  std::uint32_t Severity = 0;
  std::wstring Component;
  std::wstring EventDescription;
};
EventRecord read_event(const wmi::Object& event);

// " InstanceName : ...\n Active : ...\n TimeStamp : ...\n Severity : ...\n
// Component : ...\n EventDescription : ...\n\n". A text property that is missing or
// null prints empty; Active is the low 16 bits of the value, signed (true is -1).
std::string format_event(const EventRecord& event);
std::string format_event(const wmi::Object& event);
