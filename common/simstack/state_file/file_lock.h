// Whole-file advisory locks on "<state file>.lock" (the state file itself is replaced
// by rename, so it cannot carry the lock), and the durable replace of a file.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace simstack {

class FileLock {
 public:
  enum class Mode { Shared, Exclusive };
  // Waits for the lock; `waiting`, when given, is called once first if another process
  // holds it. Throws StateError.
  FileLock(const std::string& lock_path, Mode mode, const std::function<void()>& waiting = nullptr);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  std::intptr_t handle_;
};

// Writes `data` to a temporary file in the folder of `path` ("<path>.tmp.<process id>"),
// flushes it to disk and renames it over `path`. Throws StateError; on failure `path`
// is unchanged. The temporary files of writers that were killed before their rename
// are removed first (the caller holds the exclusive lock).
void replace_file_durably(const std::string& path, std::string_view data);
// Whether a process of that id is running (a temporary file's writer).
bool process_is_running(std::uint32_t pid);
// Removes the temporary files beside `path` whose writer is no longer running.
void remove_stale_temporaries(const std::string& path);
// Creates the folders of `path` that do not exist yet; throws StateError.
void create_parent_folders(const std::string& path);
struct FileIdentity;
// Device, inode, size and modification time; none where the platform cannot tell a
// replaced file from the old one reliably (then callers always re-read).
std::optional<FileIdentity> file_identity(const std::string& path);

}  // namespace simstack
