// The handlers of the machine-readable output (--json): the same command table, each
// command staging one JSON document in `output` instead of printing its text.
#pragma once
#include "output/json_output.h"
#include "shell/command_handlers.h"

// `session` writes its text into `output`, where the documents take it as their message.
CommandHandlers make_json_command_handlers(Session& session, JsonOutput& output);
