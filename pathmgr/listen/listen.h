// The listen command: prints MPIO events as they are raised until the user presses
// ENTER.
#pragma once
#include <functional>
#include <istream>
#include <memory>

#include "session/session.h"

// Subscribes to MPIO_EventEntry on the session's connection and waits for a character
// other than NUL on `in` (ENTER, or the end of input). 0 after listening, 1 when the
// subscription cannot be started.
int listen_for_events(Session& session, std::istream& in);

// The same with `sink` receiving the events; `announce` runs just before the
// subscription starts (the text's banner), so no event comes before it.
int listen_with_sink(Session& session, std::istream& in, std::shared_ptr<wmi::NotificationSink> sink,
                     const std::function<void()>& announce);
