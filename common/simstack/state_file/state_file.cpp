#include "simstack/state_file/state_file.h"

#include <charconv>
#include <filesystem>

#include "simstack/state_file/file_lock.h"
#include "simstack/state_file/json_text.h"

namespace simstack {

namespace {
std::string lock_path_of(const std::string& path) { return path + ".lock"; }
}  // namespace

void create_parent_folders(const std::string& path) {
  std::error_code ec;
  if (const auto folder = std::filesystem::path(path).parent_path(); !folder.empty())
    std::filesystem::create_directories(folder, ec);
  if (ec) throw StateError("cannot create the folders of " + path + ": " + ec.message());
}

void remove_stale_temporaries(const std::string& path) {
  const std::filesystem::path file(path);
  const std::string prefix = file.filename().string() + ".tmp.";
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(file.parent_path().empty() ? "." : file.parent_path(), ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    std::uint32_t pid = 0;
    const char* digits = name.c_str() + prefix.size();
    const auto [end, err] = std::from_chars(digits, name.c_str() + name.size(), pid);
    if (err != std::errc() || *end != '\0' || process_is_running(pid)) continue;
    std::filesystem::remove(entry.path(), ec);
  }
}

StateFile::StateFile(std::string path) : path_(std::move(path)) {}

std::shared_ptr<HostDocument> StateFile::read_locked() const { return std::make_shared<HostDocument>(path_); }

void StateFile::write_locked(const Json& doc) { write_json_file(doc, path_); }

std::unique_ptr<FileLock> StateFile::lock(bool exclusive) const {
  return std::make_unique<FileLock>(lock_path_of(path_), exclusive ? FileLock::Mode::Exclusive : FileLock::Mode::Shared);
}

std::optional<FileIdentity> StateFile::identity() const { return file_identity(path_); }

std::shared_ptr<HostDocument> StateFile::read() const {
  FileLock lock(lock_path_of(path_), FileLock::Mode::Shared);
  return read_locked();
}

void StateFile::update(const std::function<bool(JsonDocument&)>& change) {
  FileLock lock(lock_path_of(path_), FileLock::Mode::Exclusive);
  auto doc = read_locked();
  if (change(doc->json())) write_locked(doc->json());
}

void StateFile::create_if_missing(const Json& initial) {
  create_parent_folders(path_);
  FileLock lock(lock_path_of(path_), FileLock::Mode::Exclusive);
  std::error_code ec;
  if (std::filesystem::exists(path_, ec)) return;
  write_locked(initial);
}

}  // namespace simstack
