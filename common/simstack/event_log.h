// The event log of the simulated stack ("events" of the host file): MPIO_EventEntry
// instances, oldest first. Each event appended here carries "__SEQUENCE", one past the
// last one's, so a listener tells what was appended after it subscribed even when the
// log has been cut to its last entries.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "simstack/state_file.h"

namespace simstack {

inline constexpr std::size_t kEventLogSize = 1000;

// An event raised now: InstanceName, Active true, TimeStamp (100-ns units since 1601
// as decimal text), Severity, Component, EventDescription.
Json make_event(std::uint32_t severity, std::string component, std::string description);
std::string timestamp_now();

// Appends to the document's "events", numbered, keeping the last kEventLogSize. The
// caller writes the document back (StateFile::update, SimHost::update).
void append_event(Json& doc, Json event);

// The number an appended event carries; 0 for one written into the file by hand.
std::uint64_t event_sequence(const Json& event);
// The number of the log's last numbered event, its highest (0 when none is numbered).
std::uint64_t last_event_sequence(const Json& events);

// The "events" member of a host file's text, without parsing the rest of it (an empty
// array when there is none). Throws StateError when the text is not a JSON object or
// the member is not valid JSON.
Json events_of_text(std::string_view text, const std::string& path);

}  // namespace simstack
