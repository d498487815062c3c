// pathmgr-sim: writes a simulated host file for pathmgr (see README).
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "event_command.h"
#include "simstack/host_makers/host_generator.h"
#include "simstack/host_makers/install_host.h"
#include "simstack/state_file/file_lock.h"
#include "simstack/state_file/json_text.h"

namespace {

const char* kUsage =
    "Usage: pathmgr-sim [options] [--output FILE]\n"
    "Writes a consistent simulated host (JSON) to FILE, or to standard output.\n"
    "  --family 5|6            OS family of the host (default 6)\n"
    "  --devices N             multipath devices (default 8)\n"
    "  --paths M               paths per device (default 4)\n"
    "  --hba-ports K           HBA ports (default 2)\n"
    "  --controller-ports C    controller ports per array (default 4)\n"
    "  --arrays A              storage arrays (default 2)\n"
    "  --pathless N            family 5: driver disks without paths (default 0)\n"
    "  --seed S                seed of the counters, policies and states (default 1)\n"
    "  --install-devices       add what install meets: SCSI adapters, disks with GenDisk\n"
    "                          (one per device, plus --other-disks N of another vendor),\n"
    "                          Detected\\MPIO on family 5, and the \"windows\" folder\n"
    "  --other-disks N         with --install-devices (default 1)\n"
    "With --event first, appends one event to a host's event log instead (--event --help).\n";

unsigned number(const std::string& option, const char* text) {
  char* end = nullptr;
  unsigned long v = std::strtoul(text, &end, 10);
  if (end == text || *end != '\0' || v > 1000000) throw std::invalid_argument("bad number for " + option + ": " + text);
  return static_cast<unsigned>(v);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--event") {
    std::vector<std::string> options(argv + 2, argv + argc);
    if (options.size() == 1 && (options[0] == "--help" || options[0] == "-h")) {
      std::cout << kEventUsage;
      return 0;
    }
    try {
      append_event_command(options);
      return 0;
    } catch (const std::exception& e) {
      std::cerr << "pathmgr-sim: " << e.what() << "\n" << kEventUsage;
      return 2;
    }
  }
  simstack::HostSpec spec;
  std::string output;
  bool install_devices = false;
  simstack::InstallHostSpec install;
  try {
    for (int i = 1; i < argc; ++i) {
      std::string opt = argv[i];
      if (opt == "--help" || opt == "-h") {
        std::cout << kUsage;
        return 0;
      }
      if (opt == "--install-devices") {
        install_devices = true;
        continue;
      }
      if (i + 1 >= argc) throw std::invalid_argument("missing value for " + opt);
      const char* value = argv[++i];
      if (opt == "--family") spec.family = number(opt, value);
      else if (opt == "--devices") spec.devices = number(opt, value);
      else if (opt == "--paths") spec.paths_per_device = number(opt, value);
      else if (opt == "--hba-ports") spec.hba_ports = number(opt, value);
      else if (opt == "--controller-ports") spec.controller_ports = number(opt, value);
      else if (opt == "--arrays") spec.arrays = number(opt, value);
      else if (opt == "--pathless") spec.pathless_disks = number(opt, value);
      else if (opt == "--seed") spec.seed = number(opt, value);
      else if (opt == "--other-disks") install.other_disks = number(opt, value);
      else if (opt == "--output" || opt == "-o") output = value;
      else throw std::invalid_argument("unknown option " + opt);
    }
    simstack::JsonDocument host = simstack::generate_host(spec);
    if (install_devices) {
      install.family = spec.family;
      install.module_disks = spec.devices;
      install.adapters = spec.hba_ports;
      simstack::add_install_devices(host, install);
    }
    const std::string text = simstack::json_file_text(host, output.empty() ? "standard output" : output);
    if (output.empty()) {
      std::cout << text;
    } else {
      simstack::create_parent_folders(output);
      simstack::replace_file_durably(output, text);
      if (install_devices)  // the simulated Windows folder beside the host file
        for (const char* sub : {"/windows/inf/x", "/windows/system32/drivers/x"})
          simstack::create_parent_folders(std::filesystem::absolute(output).parent_path().string() + sub);
    }
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "pathmgr-sim: " << e.what() << "\n" << kUsage;
    return 2;
  }
}
