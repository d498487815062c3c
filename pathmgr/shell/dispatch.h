// Turns the words of one command into a call of one handler (prefix matching, word
// counts per family, numeric conversions).
#pragma once
#include "shell/command_handlers.h"
#include "session/session.h"

int dispatch_command(Session& session, const CommandHandlers& handlers, Words words);
int syntax_error(Session& session, const std::string& word);
