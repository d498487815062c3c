// The driver-package installer. Its command line and steps arrive with the installer
// work; until then it says so and fails, so no script mistakes it for an install.
#include <iostream>

int main() {
  std::cout << "install: the driver package installer is not available yet in this version." << std::endl;
  return 1;
}
