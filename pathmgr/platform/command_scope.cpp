#include <exception>

#include "platform/platform.h"
#include "simstack/state_file/sim_host.h"
#include "simstack/state_file/state_file.h"

namespace {

// The simulated host's command: begun here, written at a normal end, dropped when an
// exception leaves the command.
class HostCommand {
 public:
  explicit HostCommand(simstack::SimHost* host) : host_(host) {
    if (host_ != nullptr) host_->begin_command();
  }
  ~HostCommand() {
    if (host_ != nullptr) host_->abandon_command();
  }
  HostCommand(const HostCommand&) = delete;
  HostCommand& operator=(const HostCommand&) = delete;
  void commit() {
    if (host_ != nullptr) std::exchange(host_, nullptr)->commit_command();
  }

 private:
  simstack::SimHost* host_;
};

}  // namespace

int run_platform_command(Platform& platform, std::ostream& out, const std::function<int()>& command) {
  try {
    HostCommand scope(platform.sim.get());
    int rc = command();
    scope.commit();
    return rc;
  } catch (const simstack::StateError& e) {
    out << "Simulated host: " << e.what() << std::endl;
  } catch (const std::exception& e) {
    // Nothing is half-written: the host keeps what it held before the command.
    out << "pathmgr: unexpected error: " << e.what() << std::endl;
  }
  return 1;
}
