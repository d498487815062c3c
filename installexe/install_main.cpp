#include "install_main.h"

#include <exception>
#include <iostream>

#include "devinst/device_installer.h"
#include "install_flow.h"

namespace installer {

int install_main(const std::vector<std::wstring>& args) {
  try {
    auto dev = devinst::make_device_installer();
    return run_install(args, *dev, std::cout);
  } catch (const std::exception& e) {
    std::cout << "install: " << e.what() << std::endl;
    return kExitFailure;
  }
}

}  // namespace installer
