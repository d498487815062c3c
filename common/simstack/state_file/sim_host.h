// The simulated host of one process: its state file and a snapshot of it. Reads see
// the snapshot taken at first use. Changes go through the file under its exclusive
// lock: outside a command each change is written at once; inside a command
// (begin_command .. commit_command) the lock is taken at the first change and held,
// every change applies to the document in memory, and the command's changes are
// written once when it ends: all or nothing, so readers in other processes see the
// host before or after the whole command.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "simstack/state_file/host_document.h"
#include "simstack/state_file/state_file.h"

namespace simstack {

class FileLock;

class SimHost {
 public:
  explicit SimHost(std::string path);
  ~SimHost();
  const std::string& path() const { return file_.path(); }
  // The snapshot; loads on first use; throws StateError. Objects that keep the
  // returned pointer stay valid after later updates.
  std::shared_ptr<const HostDocument> snapshot();
  // The snapshot's document (kept alive by the pointer).
  std::shared_ptr<const Json> document();
  // A change under the exclusive lock. The file is re-read unless it is still the
  // one this process last read or wrote: then the snapshot itself is changed (or a
  // copy, while objects still view it). A command that changes many devices of a
  // large host so parses it once, not once per change.
  void update(const std::function<bool(JsonDocument&)>& change);

  // Drops a snapshot the file no longer matches: the next read reads the host afresh.
  void refresh();
  // One command: a snapshot the file no longer matches is dropped, so the command
  // reads the host afresh.
  void begin_command();
  // Writes the command's changes (once, if there are any) and releases the lock.
  void commit_command();
  // Drops the command's changes unwritten (the command ended by an error).
  void abandon_command();

 private:
  // The document a change applies to: the snapshot itself while nothing else views
  // it, else a copy; the file is parsed again when another process changed it.
  std::shared_ptr<HostDocument> document_to_change();

  StateFile file_;
  std::shared_ptr<HostDocument> snapshot_;
  std::optional<FileIdentity> identity_;  // of the file the snapshot matches
  bool in_command_ = false;
  std::unique_ptr<FileLock> command_lock_;  // held from a command's first change to its end
  bool command_changed_ = false;
};

// The file named by PATHMGR_SIM, if set.
std::optional<std::string> configured_state_path();
// $XDG_STATE_HOME/pathmgr/sim.json, or ~/.local/state/pathmgr/sim.json.
std::string default_state_path();
// Opens the configured host, or the default one (created from the demo host the first
// time). Throws StateError.
std::unique_ptr<SimHost> open_sim_host(const std::optional<std::string>& configured);

}  // namespace simstack
