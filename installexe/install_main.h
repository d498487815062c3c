// What the program's entry does with its wide arguments on every platform: the
// device-installation platform (real or simulated), the action, the exit code.
#pragma once
#include <string>
#include <vector>

namespace installer {

// `args` are the words after the program name.
int install_main(const std::vector<std::wstring>& args);

}  // namespace installer
