#include "output/event_lines.h"

#include <cstdio>
#include <memory>

#include "listen/event_text.h"
#include "listen/listen.h"
#include "output/document.h"

namespace {

constexpr std::uint64_t kUnitsPerSecond = 10000000u;
constexpr std::int64_t kDays1601To1970 = 134774;

// The proleptic Gregorian date of a day counted from 1 January 1970.
void civil_from_days(std::int64_t z, std::int64_t& year, unsigned& month, unsigned& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = doy - (153 * mp + 2) / 5 + 1;
  month = mp < 10 ? mp + 3 : mp - 9;
  year = static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0);
}

std::string event_line(const Session& s, const EventRecord& e) {
  JsonText json;
  begin_document(json, kEventFormat, "listen", s);
  json.key("instance_name");
  json.wide(e.InstanceName);
  json.key("active");
  json.boolean(e.Active != 0);
  json.key("active_number");
  json.number(std::int32_t{e.Active});
  const auto units = event_time_units(e.TimeStamp);
  json.key("timestamp");
  if (units) json.number(*units);
  else json.null();
  const std::string local = event_time_text(e.TimeStamp);
  json.key("time");
  if (local.empty()) json.null();
  else json.utf8(local);
  const auto utc = units ? utc_time_text(*units) : std::nullopt;
  json.key("time_utc");
  if (utc) json.utf8(*utc);
  else json.null();
  json.key("severity");
  json.number(e.Severity);
  json.key("severity_name");
  json.wide(severity_name(e.Severity));
  json.key("component");
  json.wide(e.Component);
  json.key("description");
  json.wide(e.EventDescription);
  json.end_object();
  return json.str();
}

// Writes each delivered event as its line; deliveries may come on several threads.
class EventLines final : public wmi::NotificationSink {
 public:
  EventLines(const Session& session, JsonOutput& output) : session_(session), output_(output) {}
  void indicate(const std::vector<wmi::ObjectPtr>& objects) override {
    for (const auto& object : objects)
      if (object) output_.write_line(event_line(session_, read_event(*object)));
  }
  void set_status(HResult) override {}

 private:
  const Session& session_;
  JsonOutput& output_;
};

}  // namespace

std::optional<std::string> utc_time_text(std::uint64_t units) {
  const std::uint64_t seconds = units / kUnitsPerSecond;
  const auto days = static_cast<std::int64_t>(seconds / 86400);
  const auto of_day = static_cast<unsigned>(seconds % 86400);
  std::int64_t year = 0;
  unsigned month = 0, day = 0;
  civil_from_days(days - kDays1601To1970, year, month, day);
  if (year > 9999) return std::nullopt;
  char text[40];
  std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02u:%02u:%02u.%07lluZ", static_cast<long long>(year), month, day,
                of_day / 3600, of_day / 60 % 60, of_day % 60, static_cast<unsigned long long>(units % kUnitsPerSecond));
  return std::string(text);
}

int listen_lines(Session& s, JsonOutput& output, std::istream& in) {
  // The sink may outlive this call on a delivery thread; it holds the session and the
  // output, which live as long as the process.
  return listen_with_sink(s, in, std::make_shared<EventLines>(s, output), [&] {
    JsonText json;
    begin_document(json, kEventFormat, "listen", s);
    json.key("listening");
    json.boolean(true);
    json.end_object();
    output.write_line(json.str());
  });
}
