// Loads and joins generated hosts of growing size and prints, per size, the time of
// the state-file load, of the joins and of whole pathmgr processes (not a test:
// timings vary by machine). "inventory_bench --load=FILE" is the load-only process.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string_view>
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

// Runs a program with one argument, output thrown away; seconds taken.
double time_process(std::string bin, std::string arg, std::string env) {
  char* envp[] = {env.data(), nullptr};
  char* argv[] = {bin.data(), arg.data(), nullptr};
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

// The best of a few runs: the figures are for the work, not for a busy machine.
double best_of(int runs, const std::function<double()>& run) {
  double best = run();
  for (int i = 1; i < runs; ++i) best = std::min(best, run());
  return best;
}

double time_command(const std::string& file, const char* command) {
  return best_of(5, [&] { return time_process(PATHMGR_BIN, command, "PATHMGR_SIM=" + file); });
}

// The state-file load as a process of its own: read and parse the whole file, as
// every change does, and exit.
double time_load_process(const std::string& self, const std::string& file) {
  return best_of(5, [&] { return time_process(self, "--load=" + file, ""); });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string_view(argv[1]).rfind("--load=", 0) == 0) {
    simstack::StateFile(argv[1] + 7).read();
    std::_Exit(0);  // as pathmgr ends: no teardown of the document
  }
  const unsigned paths = 8;
  std::vector<unsigned> sizes = {512, 1024, 2048, 4096};
  if (argc > 1) sizes = {static_cast<unsigned>(std::atoi(argv[1]))};
  auto dir = std::filesystem::temp_directory_path() / "pathmgr-bench";
  std::filesystem::create_directories(dir);
  // load: parsing the whole state file in this process; load process: the same as a
  // process of its own; then the three reports as whole pathmgr processes, output
  // thrown away, and each report's time over the load process's.
  std::printf("%8s %6s %8s %8s %8s %8s %10s %10s %10s %10s %6s %6s %6s\n", "devices", "paths", "file MB", "load s",
              "joins s", "lookup s", "load proc s", "devinfo s", "pathinfo s", "iostatus s", "dev x", "path x",
              "io x");
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
    simstack::StateFile(file).read();
    double load = seconds_since(start);
    Platform platform = make_sim_platform(std::make_unique<simstack::SimHost>(file));

    std::ostringstream out;
    std::unique_ptr<wmi::Services> services;
    wmi::wmi_connect(*platform.wmi, out, services);
    Session session{out, 6, platform.wmi.get(), services.get()};
    Inventory first;  // the simulated host parses its instance lists on first read
    if (load_inventory(session, first) != 0) return 1;
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
    double load_process = time_load_process(argv[0], file);
    double devinfo = time_command(file, "devinfo");
    double pathinfo = time_command(file, "pathinfo");
    double iostatus = time_command(file, "iostatus");
    std::printf("%8u %6u %8.1f %8.3f %8.3f %8.3f %10.3f %10.3f %10.3f %10.3f %6.2f %6.2f %6.2f\n", devices,
                devices * paths, text.size() / 1e6, load, joins, lookups, load_process, devinfo, pathinfo, iostatus,
                devinfo / load_process, pathinfo / load_process, iostatus / load_process);
    std::fflush(stdout);
  }
  return 0;
}
