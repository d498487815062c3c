// Loads and joins generated hosts of growing size and prints, per size, the time of
// the state-file load, of reading and joining the inventory, of whole pathmgr
// processes (reports and policy changes) and the reports' peak memory (not a test:
// timings vary by machine).
// "inventory_bench [DEVICES...]" measures hosts of those sizes (8 paths a device);
// "inventory_bench --load=FILE" is the load-only process.
#include <fcntl.h>
#include <sys/resource.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <algorithm>
#include <string_view>
#include <sstream>
#include <utility>

#include "inventory/joins.h"
#include "platform/platform.h"
#include "simstack/host_makers/host_generator.h"
#include "simstack/state_file/file_lock.h"
#include "simstack/state_file/json_text.h"
#include "simstack/state_file/sim_host.h"
#include "wmi/wmi_access.h"

extern char** environ;

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct ProcessCost {
  double seconds = -1;
  double peak_mb = 0;  // the process's largest resident set
};

// Runs a program, output thrown away; its time and peak memory. Done here directly
// only by the "--measure" process: a child spawned by a process as large as this
// benchmark is charged that process's memory as its own peak.
ProcessCost run_directly(std::vector<std::string> args, std::string env) {
  char* envp[] = {env.data(), nullptr};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  ProcessCost cost;
  if (posix_spawnp(&pid, args[0].c_str(), &actions, nullptr, argv.data(), env.empty() ? environ : envp) == 0) {
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    cost.seconds = seconds_since(start);
    cost.peak_mb = usage.ru_maxrss / 1024.0;
  }
  posix_spawn_file_actions_destroy(&actions);
  return cost;
}

std::string self_path;

// Runs a program through a small "--measure" process of this benchmark, which spawns
// it and reports its time and peak memory.
ProcessCost run_process(std::vector<std::string> args, std::string env) {
  args.insert(args.begin(), {self_path, "--measure", env});
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int out[2];
  ProcessCost cost;
  if (pipe(out) != 0) return cost;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  pid_t pid = 0;
  const bool started = posix_spawn(&pid, self_path.c_str(), &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  std::string answer;
  char buffer[256];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, static_cast<std::size_t>(n));
  close(out[0]);
  if (started) waitpid(pid, nullptr, 0);
  std::sscanf(answer.c_str(), "%lf %lf", &cost.seconds, &cost.peak_mb);
  return cost;
}

constexpr int kReportRounds = 7;  // runs of each load and report
constexpr int kChangeRounds = 3;  // runs of each change

// Keeps the best of the runs of a measure: the figures are for the work, not for a
// busy machine.
void keep_best(ProcessCost& best, const ProcessCost& next) {
  if (best.seconds < 0 || (next.seconds >= 0 && next.seconds < best.seconds)) best = next;
}

ProcessCost time_command(const std::string& file, std::vector<std::string> words) {
  words.insert(words.begin(), PATHMGR_BIN);
  return run_process(words, "PATHMGR_SIM=" + file);
}

// A change of the host, on a fresh copy of it (the runs do not build on each other's
// changes).
ProcessCost time_change(const std::string& file, const std::string& text, std::vector<std::string> words) {
  simstack::replace_file_durably(file, text);
  return time_command(file, std::move(words));
}

// The state-file load as a process of its own: read and parse the whole file, as
// every change does, and exit.
ProcessCost time_load_process(const std::string& self, const std::string& file) {
  return run_process({self, "--load=" + file}, "");
}

// A bare json.load of the file by Python 3: a yardstick any machine has.
ProcessCost time_python_load(const std::string& file) {
  return run_process({"python3", "-c", "import json,sys; json.load(open(sys.argv[1]))", file}, "");
}

// One generated host and its figures.
struct HostFigures {
  unsigned devices = 0;
  std::string file, text;
  std::string serial;  // of the last device, for the change of one
  double load = 0, joins = 0, lookups = 0;
  ProcessCost load_process, python, devinfo, pathinfo, iostatus, all, one;
  double peak_over_file() const {
    return std::max({devinfo.peak_mb, pathinfo.peak_mb, iostatus.peak_mb}) / (text.size() / 1048576.0);
  }
};

}  // namespace

int main(int argc, char** argv) {
  self_path = std::filesystem::canonical("/proc/self/exe").string();
  if (argc > 3 && std::string_view(argv[1]) == "--measure") {  // --measure ENV PROGRAM ARGS...
    ProcessCost cost = run_directly(std::vector<std::string>(argv + 3, argv + argc), argv[2]);
    std::printf("%.6f %.3f\n", cost.seconds, cost.peak_mb);
    return 0;
  }
  if (argc > 1 && std::string_view(argv[1]).rfind("--load=", 0) == 0) {
    simstack::StateFile(argv[1] + 7).read();
    std::_Exit(0);  // as pathmgr ends: no teardown of the document
  }
  const unsigned paths = 8;
  std::vector<unsigned> sizes = {512, 1024, 2048, 4096};
  if (argc > 1) sizes.clear();
  for (int i = 1; i < argc; ++i) sizes.push_back(static_cast<unsigned>(std::atoi(argv[i])));
  auto dir = std::filesystem::temp_directory_path() / "pathmgr-bench";
  std::filesystem::create_directories(dir);
  std::vector<HostFigures> hosts;
  for (unsigned devices : sizes) {
    HostFigures& h = hosts.emplace_back();
    h.devices = devices;
    simstack::HostSpec spec;
    spec.devices = devices;
    spec.paths_per_device = paths;
    spec.hba_ports = 4;
    spec.controller_ports = 8;
    spec.arrays = 4;
    h.file = (dir / ("host-" + std::to_string(devices) + ".json")).string();
    h.text = simstack::json_file_text(simstack::generate_host(spec), h.file);
    simstack::replace_file_durably(h.file, h.text);

    auto start = std::chrono::steady_clock::now();
    simstack::StateFile(h.file).read();
    h.load = seconds_since(start);
    Platform platform = make_sim_platform(std::make_unique<simstack::SimHost>(h.file));

    std::ostringstream out;
    std::unique_ptr<wmi::Services> services;
    wmi::wmi_connect(*platform.wmi, out, services);
    Session session{out, 6, platform.wmi.get(), services.get()};
    Inventory first;  // the host's file read and parsed once
    if (load_inventory(session, first) != 0) return 1;
    start = std::chrono::steady_clock::now();
    Inventory inventory;
    if (load_inventory(session, inventory) != 0) return 1;
    h.joins = seconds_since(start);

    start = std::chrono::steady_clock::now();
    PathLookup lookup(false, inventory.descriptors, inventory.paths);
    std::size_t found = 0;
    for (const auto& d : inventory.devices)
      for (const auto& p : d.Paths) found += find_path_record(lookup, d.InstanceName, p.DsmPathId) != nullptr;
    h.lookups = seconds_since(start);
    if (found != std::size_t{devices} * paths) std::fprintf(stderr, "only %zu paths found\n", found);
    if (!inventory.devices.empty()) h.serial = inventory.devices.back().SerialNumber;
  }
  // The processes run in rounds, each round every measure of every host once, so a
  // machine that slows down for a while weighs on every figure alike: the ratios over
  // Python and between sizes compare runs of the same moments.
  // The reports take turns at running first after Python's load (which leaves the
  // machine's memory in a state of its own), so no report has that place every round.
  for (int round = 0; round < kReportRounds; ++round)
    for (HostFigures& h : hosts) {
      keep_best(h.load_process, time_load_process(argv[0], h.file));
      keep_best(h.python, time_python_load(h.file));
      const std::pair<const char*, ProcessCost*> reports[] = {
          {"devinfo", &h.devinfo}, {"pathinfo", &h.pathinfo}, {"iostatus", &h.iostatus}};
      for (int k = 0; k < 3; ++k) {
        const auto& [command, cost] = reports[(round + k) % 3];
        keep_best(*cost, time_command(h.file, {command}));
      }
    }
  for (int round = 0; round < kChangeRounds; ++round)
    for (HostFigures& h : hosts) {
      keep_best(h.all, time_change(h.file, h.text, {"devinfo", "all", "RoundRobin"}));
      keep_best(h.one, time_change(h.file, h.text, {"devinfo", h.serial, "RoundRobin"}));
    }
  // load: parsing the whole state file in this process; joins: reading the inventory
  // through the WMI layer and joining it; lookup: finding every
  // path's record; load process: the whole load as a process of its own; python: a
  // bare json.load of the file; then the three reports as whole pathmgr processes,
  // output thrown away, each over python's load, and the largest report's peak memory
  // over the file size; last a policy change of every device against that of one.
  std::printf("%7s %6s %7s %7s %7s %7s %8s %7s %8s %8s %8s %6s %6s %6s %7s %7s %7s %6s\n", "devices", "paths", "file MB",
              "load s", "joins s", "lookup", "loadproc", "python", "devinfo", "pathinfo", "iostatus", "dev/py",
              "path/py", "io/py", "peak/f", "all s", "one s", "all/1");
  for (const HostFigures& h : hosts)
    std::printf("%7u %6u %7.1f %7.3f %7.3f %7.3f %8.3f %7.3f %8.3f %8.3f %8.3f %6.2f %6.2f %6.2f %7.2f %7.3f %7.3f %6.2f\n",
                h.devices, h.devices * paths, h.text.size() / 1e6, h.load, h.joins, h.lookups, h.load_process.seconds,
                h.python.seconds, h.devinfo.seconds, h.pathinfo.seconds, h.iostatus.seconds,
                h.devinfo.seconds / h.python.seconds, h.pathinfo.seconds / h.python.seconds,
                h.iostatus.seconds / h.python.seconds, h.peak_over_file(), h.all.seconds, h.one.seconds,
                h.all.seconds / h.one.seconds);
  // What doubling the host does to each process figure.
  for (std::size_t i = 1; i < hosts.size(); ++i) {
    const HostFigures& small = hosts[i - 1];
    const HostFigures& large = hosts[i];
    if (large.devices != 2 * small.devices) continue;
    const auto grows = [](const ProcessCost& from, const ProcessCost& to) { return to.seconds / from.seconds; };
    std::printf("%u to %u devices: python x%.2f, devinfo x%.2f, pathinfo x%.2f, iostatus x%.2f, all x%.2f, one x%.2f\n",
                small.devices, large.devices, grows(small.python, large.python), grows(small.devinfo, large.devinfo),
                grows(small.pathinfo, large.pathinfo), grows(small.iostatus, large.iostatus),
                grows(small.all, large.all), grows(small.one, large.one));
  }
  return 0;
}
