// The simulated host's state file: one JSON document shared by every process of the
// simulated platform. Readers take a shared lock; a change takes the exclusive lock,
// re-reads, changes, writes a temporary file beside it and renames it over the old
// one, so concurrent processes lose no update and a crash never leaves a torn file.
#pragma once
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

namespace simstack {

// std::map-based objects: parsing a large host stays linear (an ordered object would
// copy its members each time it grows). Members are written back in name order.
using Json = nlohmann::json;

inline constexpr const char* kFormat = "pathmgr-sim/1";

// A file that cannot be read, is not JSON or is not this format. The file is left as is.
class StateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class StateFile {
 public:
  explicit StateFile(std::string path);
  const std::string& path() const { return path_; }

  // The whole document, read under a shared lock.
  Json read() const;
  // Read-modify-write under the exclusive lock. `change` returns false to leave the
  // file untouched. Returns the document as it stands afterwards.
  Json update(const std::function<bool(Json&)>& change);
  // Writes `initial` when the file does not exist yet (under the exclusive lock).
  void create_if_missing(const Json& initial);

 private:
  Json parse_locked() const;
  void write_locked(const Json& doc);
  std::string path_;
};

// Checks the top of a document: an object with "format": "pathmgr-sim/1".
void validate_document(const Json& doc, const std::string& path);

}  // namespace simstack
