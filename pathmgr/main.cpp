// Entry of pathmgr: usage for a help word; otherwise the WMI connection, the OS
// version, then one command from the command line or the interactive prompt. A
// leading --json turns every output into JSON documents (the machine-readable output).
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>

#include "output/document.h"
#include "output/json_output.h"
#include "platform/platform.h"
#include "simstack/state_file/sim_host.h"
#include "shell/command_handlers.h"
#include "shell/command_loop.h"
#include "shell/help_text.h"
#include "shell/json_command_handlers.h"
#include "shell/json_voice.h"
#include "simstack/state_file/state_file.h"
#include "wmi/wmi_access.h"

namespace {

// The process ends here once its command has run: output is flushed and the
// connection and the host snapshot are left to the system, as a WMI connection is
// never released explicitly; tearing down a large host's picture would only cost time.
[[noreturn]] void end_process(int rc) {
  std::cout.flush();
  std::fflush(stdout);
  std::_Exit(rc);
}

// The output mode the command line asks for, and what start-up says in it.
class StartupOutput {
 public:
  explicit StartupOutput(Words& args) : json_(!args.empty() && args[0] == "--json"), documents_(std::cout), args_(args) {
    if (json_) args.erase(args.begin());
  }
  bool json() const { return json_; }
  JsonOutput& documents() { return documents_; }
  // What start-up and the commands write their text to.
  std::ostream& text() { return json_ ? documents_.text() : std::cout; }
  // Start-up ends with `result`: in JSON mode its text becomes an error document.
  int end(const char* kind, int result, std::optional<unsigned> major = std::nullopt) {
    if (json_) {
      const std::string command = args_.empty() ? std::string() : args_[0];
      documents_.write_line(error_document({kind, command, result, documents_.take_text(), major}));
    }
    return result;
  }

 private:
  bool json_;
  JsonOutput documents_;
  const Words& args_;
};

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(true);
  Words args(argv + 1, argv + argc);
  StartupOutput startup(args);
  std::ostream& out = startup.text();
  Platform platform;
  try {
    platform = make_platform();
  } catch (const simstack::StateError& e) {
    out << "Simulated host: " << e.what() << std::endl;
    return startup.end("startup", 1);
  }

  if (!args.empty() && is_help_word(args[0])) {
    // The usage shows the help of the host's own family; no COM start is needed for it.
    OsVersion version;
    bool known = platform.os->query(version);
    const int rc = print_usage(out, !known || version.major <= 5);
    return startup.end("usage", rc, known ? std::optional<unsigned>(version.major) : std::nullopt);
  }

  std::unique_ptr<wmi::Services> services;
  if (wmi::wmi_connect(*platform.wmi, out, services) != 0) {
    out << "Failed to initialize!" << std::endl;
    return startup.end("startup", 1);
  }
  OsVersion version;
  if (!platform.os->query(version)) {
    out << "Failed to get the OS version, exiting ...\n" << std::endl;
    return startup.end("startup", 1);
  }

  Session session{out, version.major, platform.wmi.get(), services.get(), print_help, platform.registry.get(),
                  platform.scsi.get()};
  TextVoice text_voice;
  JsonVoice json_voice(startup.documents(), std::cerr);
  LoopVoice& voice = startup.json() ? static_cast<LoopVoice&>(json_voice) : text_voice;
  std::ostream& platform_errors = startup.json() ? json_voice.platform_errors() : std::cout;
  CommandHandlers handlers =
      startup.json() ? make_json_command_handlers(session, startup.documents()) : make_command_handlers(session);
  const std::string module_path = own_module_path();
  const int rc = command_loop(
      session, handlers, args, std::cin,
      [&](const std::string& command_line) { return run_child_process(module_path, command_line); },
      [&](const std::function<int()>& command) { return run_platform_command(platform, platform_errors, command); },
      voice);
  end_process(process_exit_status(rc));
}
