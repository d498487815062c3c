#include "listen/event_text.h"

#include <cstdio>
#include <optional>
#include <sstream>

#include "platform/local_time.h"
#include "text/wide_text.h"
#include "wmi/wmi_access.h"

namespace {

// Seconds from 1 January 1601 to 1 January 1970.
constexpr std::uint64_t kSeconds1601To1970 = 11644473600u;
constexpr std::uint64_t kUnitsPerSecond = 10000000u;

// Decimal digits up to the first other character; nothing when there is no digit or
// the number does not fit 64 bits.
std::optional<std::uint64_t> leading_decimal(const std::wstring& text) {
  std::uint64_t value = 0;
  std::size_t digits = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') break;
    const auto digit = static_cast<std::uint64_t>(c - L'0');
    if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  return value;
}

std::wstring text_of(const wmi::Object& event, const wchar_t* name) {
  wmi::Value v = wmi::wmi_get(event, name);
  return v.vt == wmi::VT_BSTR ? v.text : std::wstring();
}

}  // namespace

std::wstring severity_name(std::uint32_t severity) {
  switch (severity) {
    case 1: return L"Fatal Error";
    case 2: return L"Error";
    case 3: return L"Warning";
    case 4: return L"Information";
    default: return L"Unknown";
  }
}

std::optional<std::uint64_t> event_time_units(const wmi::Value& timestamp) {
  if (timestamp.vt != wmi::VT_BSTR) return std::nullopt;
  return leading_decimal(timestamp.text);
}

std::string event_time_text(const wmi::Value& timestamp) {
  const auto units = event_time_units(timestamp);
  if (!units) return {};
  const std::uint64_t seconds_since_1601 = *units / kUnitsPerSecond;
  if (seconds_since_1601 < kSeconds1601To1970) return {};
  std::tm local{};
  if (!to_local_time(static_cast<std::int64_t>(seconds_since_1601 - kSeconds1601To1970), local)) return {};
  const long long year = 1900LL + local.tm_year;
  if (year > 9999 || local.tm_wday < 0 || local.tm_wday > 6 || local.tm_mon < 0 || local.tm_mon > 11) return {};
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char buffer[64] = {};
  std::snprintf(buffer, sizeof buffer, "%s %s%3d %.2d:%.2d:%.2d %lld", kDays[local.tm_wday], kMonths[local.tm_mon],
                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, year);
  return buffer;
}

EventRecord read_event(const wmi::Object& event) {
  EventRecord e;
  e.InstanceName = text_of(event, L"InstanceName");
  e.Active = static_cast<std::int16_t>(static_cast<std::uint16_t>(wmi::wmi_get(event, L"Active").integer));
  e.TimeStamp = wmi::wmi_get(event, L"TimeStamp");
  e.Severity = wmi::wmi_get(event, L"Severity").as_u32();
  e.Component = text_of(event, L"Component");
  e.EventDescription = text_of(event, L"EventDescription");
  return e;
}

std::string format_event(const EventRecord& e) {
  std::ostringstream text;
  text << " InstanceName : " << WideText{e.InstanceName} << "\n"
       << " Active : " << e.Active << "\n"
       << " TimeStamp : " << event_time_text(e.TimeStamp) << "\n"
       << " Severity : " << WideText{severity_name(e.Severity)} << "\n"
       << " Component : " << WideText{e.Component} << "\n"
       << " EventDescription : " << WideText{e.EventDescription} << "\n"
       << "\n";
  return text.str();
}

std::string format_event(const wmi::Object& event) { return format_event(read_event(event)); }
