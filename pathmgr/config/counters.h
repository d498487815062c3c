// "clear" and "clear sn <SerialNumber>": reset the I/O counters.
#pragma once
#include <string>

#include "session/session.h"

int clear_all_counters(Session& session);  // family 5: the driver's method on every instance
// Family 6: every MSDSM_WMI_METHODS instance, or only that of the device with `serial`.
int clear_counters(Session& session, const std::string* serial, bool all);
