// The command shell of the machine-readable output: every command of this process
// ends in one JSON document on standard output (its own, or an error document), the
// prompt goes to standard error, and prompt lines run in children with --json.
#pragma once
#include <ostream>
#include <sstream>

#include "output/json_output.h"
#include "shell/command_loop.h"

class JsonVoice final : public LoopVoice {
 public:
  JsonVoice(JsonOutput& output, std::ostream& prompt) : output_(output), prompt_(prompt) {}

  // Where the platform reports a command it could not complete (the simulated host's
  // errors): such a command ends in an error document.
  std::ostream& platform_errors() { return platform_errors_; }

  int run_here(Session& session, const CommandHandlers& handlers, Words words, const CommandRunner& run) override;
  void prompt(Session& session) override;
  void end_of_input(Session& session) override;
  void line_too_long(Session& session) override;
  void help(Session& session) override;
  void child_failed(Session& session, std::uint32_t error) override;
  const char* child_command_start() override { return "pathmgr --json "; }

 private:
  void error(Session& session, const char* kind, const std::string& command, int status, const std::string& text);
  JsonOutput& output_;
  std::ostream& prompt_;
  std::ostringstream platform_errors_;
};
