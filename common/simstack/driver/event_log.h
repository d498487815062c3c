// The event log of the simulated stack ("events" of the host file): MPIO_EventEntry
// instances, oldest first, the last kEventLogSize kept. Writers only append to its end
// (and drop from its start), so a listener tells what was appended since it last read
// the log by lining the new log up against the end of the old one.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "simstack/state_file/json.h"

namespace simstack {

inline constexpr std::size_t kEventLogSize = 1000;

// An event raised now: InstanceName, Active true, TimeStamp (100-ns units since 1601
// as decimal text), Severity, Component, EventDescription.
Json make_event(JsonAllocator& allocator, std::uint32_t severity, std::string_view component,
                std::string_view description);
std::string timestamp_now();

// Appends to the document's "events", keeping the last kEventLogSize. The caller
// writes the document back (StateFile::update, SimHost::update).
void append_event(JsonDocument& doc, Json event);

// What a listener remembers of the log it last read: its entries, compared as values
// (a tool that rewrites members in another order changes no entry). The entries
// appended since are those after the longest run at the start of the new log that
// equals the end of the old one; a log that keeps none of the old one's entries
// (another file in its place, a rewrite of them) is history, unless the old was empty.
class EventLogCursor {
 public:
  // `events`: the "events" member as it stands at the start (null when absent).
  explicit EventLogCursor(const Json* events);
  // The entries of `events` appended since the last look, in order; remembers `events`.
  std::vector<const Json*> appended(const Json* events);

 private:
  JsonDocument seen_;  // an array
};

}  // namespace simstack
