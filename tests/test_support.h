// Helpers of the test suite: temporary simulated hosts, an in-process session on the
// simulated platform, and running the built pathmgr binary.
#pragma once
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "session/session.h"
#include "simstack/sim_host.h"
#include "simstack/state_file.h"

using simstack::Json;

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
