#include "simstack/sim_host.h"

#include <cctype>
#include <cstdlib>

#include "simstack/demo_host.h"
#include "simstack/file_lock.h"

namespace simstack {

SimHost::SimHost(std::string path) : file_(std::move(path)) {}

SimHost::~SimHost() = default;

std::shared_ptr<HostDocument> SimHost::load_locked() {
  identity_ = file_.identity();
  ++read_count_;
  return std::make_shared<HostDocument>(file_.read_squeezed_locked(), file_.path());
}

std::shared_ptr<const HostDocument> SimHost::snapshot() {
  if (!snapshot_) {
    auto lock = file_.lock(false);
    snapshot_ = load_locked();
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
    return snapshot_.use_count() == 1 ? snapshot_ : std::make_shared<HostDocument>(Json(snapshot_->complete()));
  }
  identity_ = now;
  ++read_count_;
  return std::make_shared<HostDocument>(file_.parse_locked());
}

std::shared_ptr<const Json> SimHost::update(const std::function<bool(Json&)>& change) {
  if (in_command_) {
    if (!command_lock_) command_lock_ = file_.lock(true);
    auto doc = document_to_change();
    Json& whole = doc->complete();
    snapshot_.reset();  // until the change is done, the snapshot stands for nothing
    if (change(whole)) command_changed_ = true;
    snapshot_ = std::move(doc);
    return document();
  }
  auto lock = file_.lock(true);
  auto doc = document_to_change();
  Json& whole = doc->complete();
  const auto before = identity_;
  // Until the change is written, the snapshot stands for no file.
  snapshot_.reset();
  identity_.reset();
  if (change(whole)) {
    file_.write_locked(whole);
    identity_ = file_.identity();
  } else {
    identity_ = before;
  }
  snapshot_ = std::move(doc);
  return document();
}

void SimHost::begin_command() {
  abandon_command();
  in_command_ = true;
  if (snapshot_) {
    const auto now = file_.identity();
    if (!now || !identity_ || !(*now == *identity_)) snapshot_.reset();
  }
}

void SimHost::commit_command() {
  if (command_lock_ && command_changed_ && snapshot_) {
    file_.write_locked(snapshot_->complete());
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
  StateFile(path).create_if_missing(demo_host());
  return std::make_unique<SimHost>(path);
}

bool equal_nocase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto x = static_cast<unsigned char>(a[i]);
    auto y = static_cast<unsigned char>(b[i]);
    if (std::tolower(x) != std::tolower(y)) return false;
  }
  return true;
}

const Json* find_member_nocase(const Json& object, std::string_view name) {
  if (!object.is_object()) return nullptr;
  auto exact = object.find(name);  // no key copy: the map compares views
  if (exact != object.end()) return &*exact;
  for (auto it = object.begin(); it != object.end(); ++it)
    if (equal_nocase(it.key(), name)) return &it.value();
  return nullptr;
}

Json* find_member_nocase(Json& object, std::string_view name) {
  return const_cast<Json*>(find_member_nocase(static_cast<const Json&>(object), name));
}

const Json* find_wmi_namespace(const Json& doc, std::string_view ns) {
  const Json* wmi = find_member_nocase(doc, "wmi");
  return wmi != nullptr ? find_member_nocase(*wmi, ns) : nullptr;
}

const Json* find_instance_list(const Json& doc, std::string_view ns, std::string_view class_name) {
  const Json* space = find_wmi_namespace(doc, ns);
  const Json* all = space != nullptr ? find_member_nocase(*space, "instances") : nullptr;
  return all != nullptr ? find_member_nocase(*all, class_name) : nullptr;
}

Json* find_instance_list(Json& doc, std::string_view ns, std::string_view class_name) {
  return const_cast<Json*>(find_instance_list(static_cast<const Json&>(doc), ns, class_name));
}

}  // namespace simstack
