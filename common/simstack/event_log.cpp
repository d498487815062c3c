#include "simstack/event_log.h"

#include <chrono>

#include "simstack/json_spans.h"
#include "simstack/sim_host.h"

namespace simstack {

namespace {
constexpr const char* kSequence = "__SEQUENCE";
// Seconds from 1 January 1601 to 1 January 1970.
constexpr std::int64_t kEpochDifference = 11644473600;
}  // namespace

std::string timestamp_now() {
  using namespace std::chrono;
  const auto since_1970 = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
  const auto units = static_cast<std::uint64_t>(since_1970 / 100) + static_cast<std::uint64_t>(kEpochDifference) * 10000000u;
  return std::to_string(units);
}

Json make_event(std::uint32_t severity, std::string component, std::string description) {
  return Json{{"InstanceName", "MPIO_EventEntry_0"}, {"Active", true}, {"TimeStamp", timestamp_now()},
              {"Severity", severity}, {"Component", std::move(component)},
              {"EventDescription", std::move(description)}};
}

std::uint64_t event_sequence(const Json& event) {
  if (!event.is_object()) return 0;
  auto it = event.find(kSequence);
  return it != event.end() && it->is_number_unsigned() ? it->get<std::uint64_t>() : 0;
}

std::uint64_t last_event_sequence(const Json& events) {
  if (!events.is_array()) return 0;
  // Numbers grow in the order of the log: the last numbered event holds the highest.
  for (auto it = events.rbegin(); it != events.rend(); ++it)
    if (std::uint64_t n = event_sequence(*it); n != 0) return n;
  return 0;
}

void append_event(Json& doc, Json event) {
  Json* found = find_member_nocase(doc, "events");
  Json& events = found != nullptr ? *found : doc["events"];
  if (!events.is_array()) events = Json::array();
  event[kSequence] = last_event_sequence(events) + 1;
  events.push_back(std::move(event));
  if (events.size() > kEventLogSize)
    events.erase(events.begin(), events.begin() + static_cast<std::ptrdiff_t>(events.size() - kEventLogSize));
}

Json events_of_text(std::string_view text, const std::string& path) {
  Json events = Json::array();
  auto top = for_each_json_member(text, skip_json_whitespace(text, 0), [&](const std::string& name, std::size_t at) {
    auto span = json_value_span(text, at);
    if (span && equal_nocase(name, "events")) events = parse_state_text(span->of(text), path);
    return span;
  });
  if (!top) throw not_valid_json(path);
  return events;
}

}  // namespace simstack
