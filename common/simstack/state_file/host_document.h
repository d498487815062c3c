// One read of the host file: the document parsed from it. The whole text is checked
// before anything is read: a text that is not JSON, or not a host file, is refused
// here. The values are checked against their schemas where they are read.
#pragma once
#include <string>
#include <string_view>

#include "reserved_memory.h"
#include "simstack/state_file/json.h"

namespace simstack {

class HostDocument {
 public:
  // Reads the file `path` (the caller holds its lock); throws StateError when it cannot
  // be read or is not a host file.
  explicit HostDocument(std::string path);
  // Parses `text`, standing for the file `path`; throws StateError as above.
  HostDocument(std::string_view text, std::string path);
  // A deep copy.
  HostDocument(const HostDocument& other);
  HostDocument& operator=(const HostDocument&) = delete;

  const std::string& path() const { return path_; }
  JsonDocument& json() { return doc_; }
  const JsonDocument& json() const { return doc_; }

 private:
  std::string path_;
  ReservedMemory region_;  // where the values go first (see host_document.cpp)
  JsonAllocator pool_;
  JsonDocument doc_;
};

// Checks the top of a document: an object with "format": "pathmgr-sim/1".
void validate_document(const Json& doc, const std::string& path);

// The members "wmi" / <namespace> and "wmi" / <namespace> / "instances" / <class> of a
// host document (names in any case), whatever they hold; null when absent.
const Json* find_wmi_namespace(const Json& doc, std::string_view ns);
const Json* find_instance_list(const Json& doc, std::string_view ns, std::string_view class_name);
Json* find_instance_list(Json& doc, std::string_view ns, std::string_view class_name);

}  // namespace simstack
