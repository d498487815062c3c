// One-shot and interactive modes of pathmgr.
#pragma once
#include <cstdint>
#include <functional>
#include <istream>
#include <string>

#include "shell/command_handlers.h"
#include "session/session.h"

// Longest prompt line accepted; it still fits a Windows command line behind "pathmgr ".
inline constexpr std::size_t kMaxPromptLine = 32000;

// Starts "pathmgr <line>" as a child sharing the console; returns 0 or a system error.
using ChildStarter = std::function<std::uint32_t(const std::string& command_line)>;
// Runs one command of this process (one-shot, or a debug line) and gives its result.
using CommandRunner = std::function<int(const std::function<int()>& command)>;

// How the loop speaks for itself and runs a command in its own process: as text, or
// in another form of output.
class LoopVoice {
 public:
  virtual ~LoopVoice() = default;
  // One command of this process; its result. A failure is reported here.
  virtual int run_here(Session& session, const CommandHandlers& handlers, Words words, const CommandRunner& run) = 0;
  virtual void prompt(Session& session) = 0;
  virtual void end_of_input(Session& session) = 0;
  virtual void line_too_long(Session& session) = 0;
  virtual void help(Session& session) = 0;
  virtual void child_failed(Session& session, std::uint32_t error) = 0;
  // What the command line of the child that runs a prompt line starts with, before
  // the line itself.
  virtual const char* child_command_start() = 0;
};

// The text of the command shell: "command failed!", the prompt, the help text.
class TextVoice : public LoopVoice {
 public:
  int run_here(Session& session, const CommandHandlers& handlers, Words words, const CommandRunner& run) override;
  void prompt(Session& session) override;
  void end_of_input(Session& session) override;
  void line_too_long(Session& session) override;
  void help(Session& session) override;
  void child_failed(Session& session, std::uint32_t error) override;
  const char* child_command_start() override { return "pathmgr "; }
};

int command_loop(Session& session, const CommandHandlers& handlers, const Words& args, std::istream& in,
                 const ChildStarter& start_child, const CommandRunner& run_command);
int command_loop(Session& session, const CommandHandlers& handlers, const Words& args, std::istream& in,
                 const ChildStarter& start_child, const CommandRunner& run_command, LoopVoice& voice);
