// mpiolist: the WMI browser's command.
#pragma once
#include <ostream>

#include "session/session.h"
#include "session/words.h"

// Lists the instances of the chosen class on this or another computer; always 0.
// `err` receives the name of a class the namespace does not have.
int mpiolist_command(Session& session, const Words& words, std::ostream& err);
