// Loads and joins generated hosts of growing size and prints, per size, the time of
// the state-file load and of the joins (not a test: timings vary by machine).
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Runs pathmgr with one command on a host file, output thrown away; seconds taken.
double time_command(const std::string& file, const char* command) {
  std::string sim = "PATHMGR_SIM=" + file;
  char* envp[] = {sim.data(), nullptr};
  std::string bin = PATHMGR_BIN;
  std::string cmd = command;
  char* argv[] = {bin.data(), cmd.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, bin.c_str(), &actions, nullptr, argv, envp) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  return seconds_since(start);
}

}  // namespace

int main(int argc, char** argv) {
  const unsigned paths = 8;
  std::vector<unsigned> sizes = {512, 1024, 2048, 4096};
  if (argc > 1) sizes = {static_cast<unsigned>(std::atoi(argv[1]))};
  auto dir = std::filesystem::temp_directory_path() / "pathmgr-bench";
  std::filesystem::create_directories(dir);
  // load: parsing the state file in this process; load-only: a pathmgr process that
  // starts on the host and reads no class ("instance" alone); then the three reports
  // as whole processes, output thrown away.
  std::printf("%8s %6s %8s %8s %8s %8s %10s %10s %10s %10s\n", "devices", "paths", "file MB", "load s", "joins s",
              "lookup s", "load-only s", "devinfo s", "pathinfo s", "iostatus s");
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
    double load_only = time_command(file, "instance");
    double devinfo = time_command(file, "devinfo");
    double pathinfo = time_command(file, "pathinfo");
    double iostatus = time_command(file, "iostatus");
    std::printf("%8u %6u %8.1f %8.3f %8.3f %8.3f %10.3f %10.3f %10.3f %10.3f\n", devices, devices * paths,
                text.size() / 1e6, load, joins, lookups, load_only, devinfo, pathinfo, iostatus);
    std::fflush(stdout);
  }
  return 0;
}
