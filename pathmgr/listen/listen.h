// The listen command: prints MPIO events as they are raised until the user presses
// ENTER.
#pragma once
#include <istream>

#include "session/session.h"

// Subscribes to MPIO_EventEntry on the session's connection and waits for a character
// other than NUL on `in` (ENTER, or the end of input). 0 after listening, 1 when the
// subscription cannot be started.
int listen_for_events(Session& session, std::istream& in);
