// The simulated host of one process: its state file and a snapshot of it. Reads see
// the snapshot taken at first use (instance lists parsed when first read); every
// change goes through the file (exclusive lock, re-read, write) and refreshes the
// snapshot.
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "simstack/host_document.h"
#include "simstack/state_file.h"

namespace simstack {

class SimHost {
 public:
  explicit SimHost(std::string path);
  const std::string& path() const { return file_.path(); }
  // The snapshot; loads on first use; throws StateError. Objects that keep the
  // returned pointer stay valid after later updates.
  std::shared_ptr<const HostDocument> snapshot();
  // The snapshot's members (instance lists not read yet hold null: read them through
  // snapshot()->instances()).
  std::shared_ptr<const Json> document();
  // A change under the exclusive lock. The file is re-read unless it is still the
  // one this process last read or wrote: then the snapshot itself is changed (or a
  // copy, while objects still view it). A command that changes many devices of a
  // large host so parses it once, not once per change.
  std::shared_ptr<const Json> update(const std::function<bool(Json&)>& change);

 private:
  StateFile file_;
  std::shared_ptr<HostDocument> snapshot_;
  std::optional<FileIdentity> identity_;  // of the file the snapshot matches
};

// The file named by PATHMGR_SIM, if set.
std::optional<std::string> configured_state_path();
// $XDG_STATE_HOME/pathmgr/sim.json, or ~/.local/state/pathmgr/sim.json.
std::string default_state_path();
// Opens the configured host, or the default one (created from the demo host the first
// time). Throws StateError.
std::unique_ptr<SimHost> open_sim_host(const std::optional<std::string>& configured);

// Case-insensitive member lookup (namespace, class and registry names).
const Json* find_member_nocase(const Json& object, std::string_view name);
Json* find_member_nocase(Json& object, std::string_view name);
bool equal_nocase(std::string_view a, std::string_view b);

// The members "wmi" / <namespace> and "wmi" / <namespace> / "instances" / <class> of a
// host document (names in any case), whatever they hold; null when absent.
const Json* find_wmi_namespace(const Json& doc, std::string_view ns);
const Json* find_instance_list(const Json& doc, std::string_view ns, std::string_view class_name);
Json* find_instance_list(Json& doc, std::string_view ns, std::string_view class_name);

}  // namespace simstack
