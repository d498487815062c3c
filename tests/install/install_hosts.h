// Simulated hosts for the installer's tests: the sample package copied beside a host
// file with the devices an install meets, and install run in this process on it.
#pragma once
#include <string>
#include <vector>

#include "simstack/host_makers/install_host.h"
#include "test_support.h"

struct InstallRun {
  int exit_code = -1;
  std::string out;
};

class InstallHost {
 public:
  explicit InstallHost(const simstack::InstallHostSpec& spec);
  std::string package() const { return dir_.file("pkg"); }
  const std::string& path() const { return path_; }
  std::string windows(const std::string& sub) const { return dir_.file("windows/" + sub); }
  // install with these words after the program name (UTF-8), from the folder `cwd`.
  InstallRun run(const std::vector<std::string>& args, const std::string& cwd = "") const;
  Json doc() const { return read_json(path_); }
  void edit(const std::function<void(Json&)>& change) const;
  // The device of that instance ID; null when it is gone.
  Json device(const std::string& instance_id) const;
  Json registry_value(const std::string& key, const std::string& value) const;
  std::vector<std::string> files(const std::string& sub) const;  // sorted names
  // The journal's device entries of one action, as their targets.
  std::vector<std::string> journaled(const std::string& action) const;
  // The same entries whole.
  std::vector<Json> journal_entries(const std::string& action) const;

 private:
  TempDir dir_;
  std::string path_;
};

// "\n"-joined usage text, as the installer prints it.
extern const char* const kUsageText;
