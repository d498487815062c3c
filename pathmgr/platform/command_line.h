// Splitting a command line into arguments the way a Windows child started with it
// receives them (msvcrt.dll's parser), so a child started with "pathmgr <line>" sees
// the same words on every platform.
#pragma once
#include <string>
#include <vector>

std::vector<std::string> split_command_line(const std::string& command_line);
