#include "test_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "shell/help_text.h"
#include "wmi/wmi_access.h"

extern char** environ;

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "pathmgr-test-XXXXXX").string();
  if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

Json empty_host(unsigned major) {
  Json doc = Json::object();
  doc["format"] = "pathmgr-sim/1";
  doc["os"] = {{"major", major}, {"minor", major == 5 ? 2 : 1}};
  return doc;
}

std::string write_json(const std::string& path, const Json& doc) {
  write_text(path, doc.dump(1));
  return path;
}

Json read_json(const std::string& path) { return Json::parse(read_text(path)); }

std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buf;
  buf << in.rdbuf();
  return buf.str();
}

void write_text(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

SimSession::SimSession(const std::string& state_path)
    : platform(make_sim_platform(std::make_unique<simstack::SimHost>(state_path))) {
  OsVersion v;
  if (platform.os->query(v)) major = v.major;
  session.major_version = major;
  session.help = print_help;
  session.registry = platform.registry.get();
  session.scsi = platform.scsi.get();
  session.backend = platform.wmi.get();
  std::ostringstream ignored;
  if (wmi::wmi_connect(*platform.wmi, ignored, services) != 0)
    throw std::runtime_error("cannot connect: " + ignored.str());
  session.wmi = services.get();
}

ProcessResult run_program(const std::vector<std::string>& argv_text, const std::vector<std::string>& set_env,
                          const std::vector<std::string>& unset_env, const std::string& input) {
  int in_pipe[2];
  int out_pipe[2];
  if (::pipe(in_pipe) != 0 || ::pipe(out_pipe) != 0) throw std::runtime_error("pipe failed");

  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    std::string entry(*e);
    std::string name = entry.substr(0, entry.find('='));
    bool drop = false;
    for (const auto& u : unset_env) drop = drop || u == name;
    for (const auto& s : set_env) drop = drop || s.substr(0, s.find('=')) == name;
    if (!drop) env.push_back(entry);
  }
  env.insert(env.end(), set_env.begin(), set_env.end());
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  std::vector<std::string> args = argv_text;
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in_pipe[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 2);
  posix_spawn_file_actions_addclose(&actions, in_pipe[1]);
  posix_spawn_file_actions_addclose(&actions, out_pipe[0]);
  pid_t pid = 0;
  int rc = ::posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(in_pipe[0]);
  ::close(out_pipe[1]);
  if (rc != 0) {
    ::close(in_pipe[1]);
    ::close(out_pipe[0]);
    throw std::runtime_error("cannot start " + args[0]);
  }

  ProcessResult result;
  std::size_t written = 0;
  while (written < input.size()) {
    ssize_t n = ::write(in_pipe[1], input.data() + written, input.size() - written);
    if (n <= 0) break;
    written += static_cast<std::size_t>(n);
  }
  ::close(in_pipe[1]);
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(out_pipe[0], buf, sizeof buf);
    if (n <= 0) break;
    result.out.append(buf, static_cast<std::size_t>(n));
  }
  ::close(out_pipe[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

ProcessResult run_pathmgr(const std::vector<std::string>& args, const std::string& state_path,
                          const std::string& input, const std::vector<std::string>& extra_env) {
  std::vector<std::string> argv{PATHMGR_BIN};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> set_env = extra_env;
  if (!state_path.empty()) set_env.push_back("PATHMGR_SIM=" + state_path);
  return run_program(argv, set_env, {"PATHMGR_SIM"}, input);
}
