// The text of one MPIO event as the listener prints it: seven lines, the last one
// empty. Written once for every backend: the COM sink and the simulated delivery
// both hand over the event as a WMI object.
#pragma once
#include <cstdint>
#include <string>

#include "wmi/wmi_seam.h"

// "Fatal Error", "Error", "Warning", "Information" for 1 to 4; "Unknown" otherwise.
std::wstring severity_name(std::uint32_t severity);

// The local date and time of a TimeStamp (100-ns units since 1601 as decimal text) in
// the asctime layout without its newline ("Thu Jan  1 00:00:00 1970"), sub-second
// parts dropped. Empty for a value that is no such number, lies before 1970, or has
// no local time of four-digit year.
std::string event_time_text(const wmi::Value& timestamp);

// " InstanceName : ...\n Active : ...\n TimeStamp : ...\n Severity : ...\n
// Component : ...\n EventDescription : ...\n\n". A text property that is missing or
// null prints empty; Active is the low 16 bits of the value, signed (true is -1).
std::string format_event(const wmi::Object& event);
