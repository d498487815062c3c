// Helpers of the test suite: temporary simulated hosts, an in-process session on the
// simulated platform, and running the built pathmgr binary.
#pragma once
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/platform.h"
#include "session/session.h"
#include "simstack/host_makers/host_generator.h"
#include "simstack/state_file/sim_host.h"
#include "simstack/state_file/state_file.h"

// Tests build and read host files with a JSON library of their own, which also checks
// the simulated platform's reading and writing from outside.
using Json = nlohmann::json;

class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A host of the given major version with no instances at all.
Json empty_host(unsigned major = 6);
// A value of the simulated platform's documents as the tests' JSON, and back.
Json test_json(const simstack::Json& value);
simstack::JsonDocument host_json(const Json& value);
// The host the generator makes for `spec`.
Json generated_host(const simstack::HostSpec& spec);
// A change of a host made with the tests' JSON: the document is handed over as a Json
// and put back whole when `change` returns true.
std::function<bool(simstack::JsonDocument&)> as_test_change(std::function<bool(Json&)> change);
inline void update(simstack::StateFile file, std::function<bool(Json&)> change) {
  file.update(as_test_change(std::move(change)));
}
inline void update(simstack::SimHost& host, std::function<bool(Json&)> change) {
  host.update(as_test_change(std::move(change)));
}
std::string write_json(const std::string& path, const Json& doc);
Json read_json(const std::string& path);
std::string read_text(const std::string& path);
void write_text(const std::string& path, const std::string& text);

// A session connected to ROOT\WMI of a simulated host file, writing to `out`.
struct SimSession {
  explicit SimSession(const std::string& state_path);
  Platform platform;
  std::unique_ptr<wmi::Services> services;
  std::ostringstream out;
  unsigned major = 6;
  Session session{out, 6};
  std::string output() const { return out.str(); }
};

struct ProcessResult {
  int exit_code = -1;
  std::string out;  // standard output and error, in order
};

// Runs a program with `set_env` ("NAME=value") added and `unset_env` names removed.
ProcessResult run_program(const std::vector<std::string>& argv, const std::vector<std::string>& set_env,
                          const std::vector<std::string>& unset_env, const std::string& input);
// Runs the built pathmgr with PATHMGR_SIM set to `state_path` (empty: unset).
ProcessResult run_pathmgr(const std::vector<std::string>& args, const std::string& state_path,
                          const std::string& input = "", const std::vector<std::string>& extra_env = {});

// A program whose standard input stays open until the test closes it, and whose output
// (standard output and error) is read as it comes.
class RunningProgram {
 public:
  RunningProgram(const std::vector<std::string>& argv, const std::vector<std::string>& set_env,
                 const std::vector<std::string>& unset_env);
  ~RunningProgram();  // kills the program if it still runs
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  // False when the program no longer reads its input.
  bool write(const std::string& text);
  void close_input();
  // Reads until the output so far holds `text`; false when it does not within `timeout`.
  bool wait_for_output(const std::string& text, std::chrono::milliseconds timeout);
  // Reads the rest of the output and returns the exit code; -1 when the program still
  // writes after `timeout`, or did not exit normally.
  int wait(std::chrono::milliseconds timeout);
  const std::string& output() const { return output_; }

 private:
  // Reads what has come by the deadline; false at the end of the output or of the time.
  bool read_some(std::chrono::steady_clock::time_point deadline);

  pid_t pid_ = 0;
  int input_ = -1;
  int output_fd_ = -1;
  std::string output_;
};

// The built pathmgr, started with PATHMGR_SIM set to `state_path`.
std::unique_ptr<RunningProgram> start_pathmgr(const std::vector<std::string>& args, const std::string& state_path,
                                              const std::vector<std::string>& extra_env = {});
