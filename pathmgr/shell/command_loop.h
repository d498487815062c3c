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

int command_loop(Session& session, const CommandHandlers& handlers, const Words& args, std::istream& in,
                 const ChildStarter& start_child, const CommandRunner& run_command);
