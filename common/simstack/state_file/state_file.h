// The simulated host's state file: one JSON document shared by every process of the
// simulated platform. Readers take a shared lock; a change takes the exclusive lock,
// re-reads, changes, writes a temporary file beside it and renames it over the old
// one, so concurrent processes lose no update and a crash never leaves a torn file.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <stdexcept>

#include "simstack/state_file/host_document.h"
#include "simstack/state_file/json.h"

namespace simstack {

// A host file that cannot be read, is not JSON, is not this format or holds a value of
// the wrong shape. The message names the file and what is wrong; the file is left as is.
class StateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kFormat = "pathmgr-sim/1";

class FileLock;

// Which file a path names at one moment: a writer always renames a new file into
// place, so an unchanged identity means unchanged contents.
struct FileIdentity {
  std::uint64_t device = 0, inode = 0, size = 0;
  std::int64_t mtime_ns = 0;
  bool operator==(const FileIdentity&) const = default;
};

class StateFile {
 public:
  explicit StateFile(std::string path);
  const std::string& path() const { return path_; }

  // The whole document, read under a shared lock.
  std::shared_ptr<HostDocument> read() const;
  // Read-modify-write under the exclusive lock. `change` returns false to leave the
  // file untouched.
  void update(const std::function<bool(JsonDocument&)>& change);
  // Writes `initial` when the file does not exist yet (under the exclusive lock).
  void create_if_missing(const Json& initial);

  // The pieces of the above, for a caller that keeps a parsed copy between changes.
  std::unique_ptr<FileLock> lock(bool exclusive) const;
  std::shared_ptr<HostDocument> read_locked() const;  // the caller holds a lock
  void write_locked(const Json& doc);                 // the caller holds the exclusive lock
  std::optional<FileIdentity> identity() const;       // none where it cannot be told

 private:
  std::string path_;
};

}  // namespace simstack
