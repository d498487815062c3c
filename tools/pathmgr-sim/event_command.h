// pathmgr-sim --event: appends one MPIO event to the event log of a host file, as the
// simulated stack raises one, so that a listening pathmgr prints it.
#pragma once
#include <string>
#include <vector>

extern const char* const kEventUsage;

// The options after --event; throws std::invalid_argument for a bad option and
// simstack::StateError for a host file that cannot be changed.
void append_event_command(const std::vector<std::string>& options);
