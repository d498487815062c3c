#include "simstack/driver/event_log.h"

#include <algorithm>
#include <chrono>

namespace simstack {

namespace {

// Seconds from 1 January 1601 to 1 January 1970.
constexpr std::int64_t kEpochDifference = 11644473600;

// An entry's text with every object's members in name order: the same entry whatever
// order a tool that rewrote the file gave its members.
std::string canonical_text(const Json& v) {
  if (v.IsArray()) {
    std::string out = "[";
    for (const auto& e : v.GetArray()) out += canonical_text(e) + ",";
    return out + "]";
  }
  if (!v.IsObject()) return json_text(v);
  std::vector<std::string> members;
  for (auto m = v.MemberBegin(); m != v.MemberEnd(); ++m) members.push_back(json_text(m->name) + ":" + canonical_text(m->value));
  std::sort(members.begin(), members.end());
  std::string out = "{";
  for (const auto& m : members) out += m + ",";
  return out + "}";
}

std::vector<std::string> entry_texts(const Json* events) {
  std::vector<std::string> out;
  if (events != nullptr && events->IsArray())
    for (const auto& e : events->GetArray()) out.push_back(canonical_text(e));
  return out;
}

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

EventLogCursor::EventLogCursor(const Json* events) : seen_(entry_texts(events)) {}

std::vector<const Json*> EventLogCursor::appended(const Json* events) {
  std::vector<std::string> now = entry_texts(events);
  std::size_t kept = std::min(seen_.size(), now.size());
  while (kept > 0 && !std::equal(now.begin(), now.begin() + static_cast<std::ptrdiff_t>(kept), seen_.end() - static_cast<std::ptrdiff_t>(kept)))
    --kept;
  std::vector<const Json*> out;
  if (kept > 0 || seen_.empty())
    for (std::size_t i = kept; i < now.size(); ++i) out.push_back(&(*events)[static_cast<rapidjson::SizeType>(i)]);
  seen_ = std::move(now);
  return out;
}

}  // namespace simstack
