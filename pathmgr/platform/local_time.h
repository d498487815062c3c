// Calendar time to local broken-down time, safe to call from several threads at once.
#pragma once
#include <cstdint>
#include <ctime>

// Seconds since 1 January 1970 UTC; false when the system cannot express that instant
// as a local time.
bool to_local_time(std::int64_t seconds, std::tm& out);
