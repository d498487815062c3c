// "listen" as JSON Lines: a line once listening has begun, then one line per event,
// each written and flushed as it comes, for log shippers.
#pragma once
#include <cstdint>
#include <istream>
#include <optional>
#include <string>

#include "output/json_output.h"
#include "session/session.h"

// 0 after listening, 1 when the subscription cannot be started (as in text mode).
int listen_lines(Session& session, JsonOutput& output, std::istream& in);

// A TimeStamp's 100-ns units since 1601 as UTC in ISO 8601 with seven decimals
// ("2026-12-08T10:33:24.1234567Z"); none past the year 9999.
std::optional<std::string> utc_time_text(std::uint64_t units);
