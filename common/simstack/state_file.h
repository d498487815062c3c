// The simulated host's state file: one JSON document shared by every process of the
// simulated platform. Readers take a shared lock; a change takes the exclusive lock,
// re-reads, changes, writes a temporary file beside it and renames it over the old
// one, so concurrent processes lose no update and a crash never leaves a torn file.
#pragma once
#include <cstdint>
#include <fstream>
#include <functional>
#include <optional>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <string_view>

#include "simstack/json_spans.h"

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
  Json read() const;
  // Read-modify-write under the exclusive lock. `change` returns false to leave the
  // file untouched. Returns the document as it stands afterwards.
  Json update(const std::function<bool(Json&)>& change);
  // Writes `initial` when the file does not exist yet (under the exclusive lock).
  void create_if_missing(const Json& initial);

  // The pieces of the above, for a caller that keeps a parsed copy between changes.
  std::unique_ptr<FileLock> lock(bool exclusive) const;
  Json parse_locked() const;                         // the caller holds a lock
  std::string read_text_locked() const;              // the file's bytes, unparsed
  // The file's JSON with each run of whitespace outside strings cut to one space: the
  // same document in less memory (for a reader that keeps the text), with the record
  // of its structure.
  SqueezedJson read_squeezed_locked() const;
  void write_locked(const Json& doc);                // the caller holds the exclusive lock
  std::optional<FileIdentity> identity() const;      // none where it cannot be told

 private:
  std::ifstream open_host_file() const;  // at its end, for its size

  std::string path_;
};

// How deep a host file's brackets may nest: far more than any host needs, little
// enough that no walk of the document (writing it, comparing it) can run out of stack.
inline constexpr std::size_t kMaxNesting = 256;

// Parses (part of) the text of the file `path`, found inside `depth` brackets of the
// file; throws StateError when it is not valid JSON or nests deeper than kMaxNesting.
Json parse_state_text(std::string_view text, const std::string& path, std::size_t depth = 0);
StateError not_valid_json(const std::string& path);
// Checks the top of a document: an object with "format": "pathmgr-sim/1".
void validate_document(const Json& doc, const std::string& path);

}  // namespace simstack
