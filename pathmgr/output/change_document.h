// The commands that change something, as documents: what was asked, whether it
// succeeded, the command's result and the text its text mode prints.
#pragma once
#include <functional>
#include <string_view>

#include "output/json_output.h"
#include "output/json_text.h"
#include "session/session.h"

// Writes members into the document being built.
using MemberWriter = std::function<void(JsonText& json)>;

struct ChangeRequest {
  std::string_view command;  // the command word as the command table names it
  MemberWriter request;      // the members of "request": the arguments, named
  MemberWriter results;      // further members once the command has run (may be empty)
  // Whether what the command did succeeded, beyond its result (may be empty).
  std::function<bool()> succeeded;
};

// Runs `change` with its outcome noted and stages its document: "request", "ok" (the
// result is 0, no step its text reports failed, and `succeeded`), "status" (the
// result), "message" (the text), then the results. A command that answers with the
// help text stages a usage error instead. Returns the command's result.
int run_change(Session& session, JsonOutput& output, const ChangeRequest& change, const std::function<int()>& run);

// The usage error of a command that answered with the help text (or a form list).
void stage_usage(Session& session, JsonOutput& output, std::string_view command, int result);
