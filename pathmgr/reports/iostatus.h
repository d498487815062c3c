#pragma once
#include "session/words.h"
#include "session/session.h"

// "iostatus": one line per path with its I/O counter, drive, serial and state.
int show_io_status(Session& session, const Words& words);
