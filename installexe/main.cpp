// install: installs or uninstalls the multipath driver package (see README).
#include <exception>
#include <iostream>

#include "devinst/device_installer.h"
#include "install_flow.h"
#include "text/text_convert.h"

int main(int argc, char** argv) {
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) args.push_back(widen_ansi(argv[i]));
  try {
    auto dev = devinst::make_device_installer();
    return installer::run_install(args, *dev, std::cout);
  } catch (const std::exception& e) {
    std::cout << "install: " << e.what() << std::endl;
    return installer::kExitFailure;
  }
}
