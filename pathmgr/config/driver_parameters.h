// "set": shows and changes the numeric parameters the driver reads from its registry key.
#pragma once
#include <cstdint>
#include <optional>

#include "session/session.h"
#include "session/words.h"

// words[0] is "set", words[1] the value name, words[2] the new value. With `shown`, a
// value read (two words) is handed back there instead of printed.
int set_driver_parameter(Session& session, const Words& words, std::optional<std::uint32_t>* shown = nullptr);
