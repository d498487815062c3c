#include "simstack/driver/event_log.h"

#include <algorithm>
#include <chrono>

namespace simstack {

namespace {

// Seconds from 1 January 1601 to 1 January 1970.
constexpr std::int64_t kEpochDifference = 11644473600;

}  // namespace

std::string timestamp_now() {
  using namespace std::chrono;
  const auto since_1970 = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
  const auto units = static_cast<std::uint64_t>(since_1970 / 100) + static_cast<std::uint64_t>(kEpochDifference) * 10000000u;
  return std::to_string(units);
}

Json make_event(JsonAllocator& allocator, std::uint32_t severity, std::string_view component,
                std::string_view description) {
  JsonMaker make(allocator);
  return make.object({{"InstanceName", "MPIO_EventEntry_0"}, {"Active", true}, {"TimeStamp", timestamp_now()},
                      {"Severity", severity}, {"Component", component}, {"EventDescription", description}});
}

void append_event(JsonDocument& doc, Json event) {
  JsonMaker make(doc);
  Json& events = make.list(doc, "events");
  events.PushBack(event, doc.GetAllocator());
  if (events.Size() > kEventLogSize) events.Erase(events.Begin(), events.End() - kEventLogSize);
}

EventLogCursor::EventLogCursor(const Json* events) {
  seen_.SetArray();
  appended(events);
}

std::vector<const Json*> EventLogCursor::appended(const Json* events) {
  static const Json kNone(rapidjson::kArrayType);
  const Json& now = events != nullptr && events->IsArray() ? *events : kNone;
  const auto& before = seen_.GetArray();
  rapidjson::SizeType kept = std::min(before.Size(), now.Size());
  while (kept > 0 && !std::equal(now.Begin(), now.Begin() + kept, before.End() - kept)) --kept;
  std::vector<const Json*> out;
  if (kept > 0 || before.Empty())
    for (auto e = now.Begin() + kept; e != now.End(); ++e) out.push_back(e);
  seen_.CopyFrom(now, seen_.GetAllocator());
  return out;
}

}  // namespace simstack
