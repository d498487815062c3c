#include "test_support.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <utility>

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

namespace {

struct Spawned {
  pid_t pid = 0;
  int input = -1;   // the program's standard input
  int output = -1;  // its standard output and error
};

// Starts a program with pipes on standard input, output and error.
Spawned spawn_with_pipes(const std::vector<std::string>& argv_text, const std::vector<std::string>& set_env,
                         const std::vector<std::string>& unset_env) {
  int in_pipe[2];
  int out_pipe[2];
  if (::pipe2(in_pipe, O_CLOEXEC) != 0 || ::pipe2(out_pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");

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
  Spawned child;
  int rc = ::posix_spawn(&child.pid, args[0].c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(in_pipe[0]);
  ::close(out_pipe[1]);
  if (rc != 0) {
    ::close(in_pipe[1]);
    ::close(out_pipe[0]);
    throw std::runtime_error("cannot start " + args[0]);
  }
  child.input = in_pipe[1];
  child.output = out_pipe[0];
  return child;
}

int exit_code_of(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

namespace {

// Writing to a program that has ended fails with EPIPE instead of ending the tests.
void ignore_sigpipe() {
  static const bool ignored = std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
  (void)ignored;
}

}  // namespace

ProcessResult run_program(const std::vector<std::string>& argv_text, const std::vector<std::string>& set_env,
                          const std::vector<std::string>& unset_env, const std::string& input) {
  ignore_sigpipe();  // a program may end before it reads all its input
  Spawned child = spawn_with_pipes(argv_text, set_env, unset_env);
  ProcessResult result;
  std::size_t written = 0;
  while (written < input.size()) {
    ssize_t n = ::write(child.input, input.data() + written, input.size() - written);
    if (n <= 0) break;
    written += static_cast<std::size_t>(n);
  }
  ::close(child.input);
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(child.output, buf, sizeof buf);
    if (n <= 0) break;
    result.out.append(buf, static_cast<std::size_t>(n));
  }
  ::close(child.output);
  result.exit_code = exit_code_of(child.pid);
  return result;
}

RunningProgram::RunningProgram(const std::vector<std::string>& argv, const std::vector<std::string>& set_env,
                               const std::vector<std::string>& unset_env) {
  ignore_sigpipe();
  Spawned child = spawn_with_pipes(argv, set_env, unset_env);
  pid_ = child.pid;
  input_ = child.input;
  output_fd_ = child.output;
}

RunningProgram::~RunningProgram() {
  close_input();
  if (output_fd_ >= 0) ::close(output_fd_);
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    exit_code_of(pid_);
  }
}

bool RunningProgram::write(const std::string& text) {
  std::size_t written = 0;
  while (input_ >= 0 && written < text.size()) {
    ssize_t n = ::write(input_, text.data() + written, text.size() - written);
    if (n <= 0) return false;
    written += static_cast<std::size_t>(n);
  }
  return written == text.size();
}

void RunningProgram::close_input() {
  if (input_ >= 0) ::close(std::exchange(input_, -1));
}

bool RunningProgram::read_some(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  if (output_fd_ < 0 || left.count() <= 0) return false;
  pollfd fd{output_fd_, POLLIN, 0};
  if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) return true;  // time is checked by the caller
  char buf[65536];
  ssize_t n = ::read(output_fd_, buf, sizeof buf);
  if (n <= 0) {
    ::close(std::exchange(output_fd_, -1));
    return false;
  }
  output_.append(buf, static_cast<std::size_t>(n));
  return true;
}

bool RunningProgram::wait_for_output(const std::string& text, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (output_.find(text) == std::string::npos)
    if (!read_some(deadline)) return output_.find(text) != std::string::npos;
  return true;
}

int RunningProgram::wait(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (read_some(deadline)) {
  }
  if (output_fd_ >= 0) return -1;  // still writing when the time was up
  const int code = exit_code_of(pid_);
  pid_ = 0;
  return code;
}

std::unique_ptr<RunningProgram> start_pathmgr(const std::vector<std::string>& args, const std::string& state_path,
                                              const std::vector<std::string>& extra_env) {
  std::vector<std::string> argv{PATHMGR_BIN};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> set_env = extra_env;
  if (!state_path.empty()) set_env.push_back("PATHMGR_SIM=" + state_path);
  return std::make_unique<RunningProgram>(argv, set_env, std::vector<std::string>{"PATHMGR_SIM"});
}

ProcessResult run_pathmgr(const std::vector<std::string>& args, const std::string& state_path,
                          const std::string& input, const std::vector<std::string>& extra_env) {
  std::vector<std::string> argv{PATHMGR_BIN};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> set_env = extra_env;
  if (!state_path.empty()) set_env.push_back("PATHMGR_SIM=" + state_path);
  return run_program(argv, set_env, {"PATHMGR_SIM"}, input);
}
