// Loads and joins generated hosts of growing size and prints, per size, the time of
// the state-file load and of the joins (not a test: timings vary by machine).
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "inventory/joins.h"
#include "platform/platform.h"
#include "simstack/file_lock.h"
#include "simstack/host_generator.h"
#include "simstack/sim_host.h"
#include "wmi/wmi_access.h"

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const unsigned paths = 8;
  std::vector<unsigned> sizes = {512, 1024, 2048, 4096};
  if (argc > 1) sizes = {static_cast<unsigned>(std::atoi(argv[1]))};
  auto dir = std::filesystem::temp_directory_path() / "pathmgr-bench";
  std::filesystem::create_directories(dir);
  std::printf("%8s %6s %10s %12s %12s %12s\n", "devices", "paths", "file MB", "load s", "joins s", "lookups s");
  for (unsigned devices : sizes) {
    simstack::HostSpec spec;
    spec.devices = devices;
    spec.paths_per_device = paths;
    spec.hba_ports = 4;
    spec.controller_ports = 8;
    spec.arrays = 4;
    std::string file = (dir / ("host-" + std::to_string(devices) + ".json")).string();
    std::string text = simstack::generate_host(spec).dump(1);
    simstack::replace_file_durably(file, text);

    auto start = std::chrono::steady_clock::now();
    Platform platform = make_sim_platform(std::make_unique<simstack::SimHost>(file));
    double load = seconds_since(start);

    std::ostringstream out;
    std::unique_ptr<wmi::Services> services;
    wmi::wmi_connect(*platform.wmi, out, services);
    Session session{out, 6, platform.wmi.get(), services.get()};
    start = std::chrono::steady_clock::now();
    Inventory inventory;
    if (load_inventory(session, inventory) != 0) return 1;
    double joins = seconds_since(start);

    start = std::chrono::steady_clock::now();
    PathLookup lookup(false, inventory.descriptors, inventory.paths);
    std::size_t found = 0;
    for (const auto& d : inventory.devices)
      for (const auto& p : d.Paths) found += find_path_record(lookup, d.InstanceName, p.DsmPathId) != nullptr;
    double lookups = seconds_since(start);
    if (found != std::size_t{devices} * paths) std::fprintf(stderr, "only %zu paths found\n", found);
    std::printf("%8u %6u %10.1f %12.3f %12.3f %12.3f\n", devices, devices * paths, text.size() / 1e6, load, joins,
                lookups);
  }
  return 0;
}
