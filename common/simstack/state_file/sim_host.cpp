#include "simstack/state_file/sim_host.h"

#include <cstdlib>

#include "simstack/host_makers/host_generator.h"
#include "simstack/state_file/file_lock.h"

namespace simstack {

SimHost::SimHost(std::string path) : file_(std::move(path)) {}

SimHost::~SimHost() = default;

std::shared_ptr<const HostDocument> SimHost::snapshot() {
  if (!snapshot_) {
    auto lock = file_.lock(false);
    identity_ = file_.identity();
    snapshot_ = file_.read_locked();
  }
  return snapshot_;
}

std::shared_ptr<const Json> SimHost::document() {
  auto doc = snapshot();
  return std::shared_ptr<const Json>(doc, &doc->json());
}

std::shared_ptr<HostDocument> SimHost::document_to_change() {
  const auto now = file_.identity();
  if (snapshot_ && now && identity_ && *now == *identity_) {
    // Nobody changed the file since: no need to parse it again.
    return snapshot_.use_count() == 1 ? snapshot_ : std::make_shared<HostDocument>(*snapshot_);
  }
  identity_ = now;
  return file_.read_locked();
}

void SimHost::update(const std::function<bool(JsonDocument&)>& change) {
  if (in_command_) {
    if (!command_lock_) command_lock_ = file_.lock(true);
    auto doc = document_to_change();
    snapshot_.reset();  // until the change is done, the snapshot stands for nothing
    if (change(doc->json())) command_changed_ = true;
    snapshot_ = std::move(doc);
    return;
  }
  auto lock = file_.lock(true);
  auto doc = document_to_change();
  const auto before = identity_;
  // Until the change is written, the snapshot stands for no file.
  snapshot_.reset();
  identity_.reset();
  if (change(doc->json())) {
    file_.write_locked(doc->json());
    identity_ = file_.identity();
  } else {
    identity_ = before;
  }
  snapshot_ = std::move(doc);
}

void SimHost::refresh() {
  if (!snapshot_) return;
  const auto now = file_.identity();
  if (!now || !identity_ || !(*now == *identity_)) snapshot_.reset();
}

void SimHost::begin_command() {
  abandon_command();
  in_command_ = true;
  refresh();
}

void SimHost::commit_command() {
  if (command_lock_ && command_changed_ && snapshot_) {
    file_.write_locked(snapshot_->json());
    identity_ = file_.identity();
  }
  command_changed_ = false;
  command_lock_.reset();
  in_command_ = false;
}

void SimHost::abandon_command() {
  if (command_changed_) {
    // The snapshot holds changes the file never got.
    snapshot_.reset();
    identity_.reset();
  }
  command_changed_ = false;
  command_lock_.reset();
  in_command_ = false;
}

std::optional<std::string> configured_state_path() {
  const char* value = std::getenv("PATHMGR_SIM");
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

std::string default_state_path() {
  if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg != nullptr && *xdg == '/')
    return std::string(xdg) + "/pathmgr/sim.json";
  const char* home = std::getenv("HOME");
  std::string base = home != nullptr && *home != '\0' ? home : ".";
  return base + "/.local/state/pathmgr/sim.json";
}

std::unique_ptr<SimHost> open_sim_host(const std::optional<std::string>& configured) {
  if (configured) return std::make_unique<SimHost>(*configured);
  auto path = default_state_path();
  StateFile(path).create_if_missing(generate_host(HostSpec{.seed = kDemoHostSeed}));
  return std::make_unique<SimHost>(path);
}

}  // namespace simstack
