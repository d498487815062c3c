// One read of the host file, in which the instance lists of the WMI namespaces are
// set aside as text: a report reads a handful of classes of a file that may hold
// tens of megabytes of instances. A list is walked one instance at a time (nothing
// of it kept but what the walker keeps), or parsed in place when the whole document
// is wanted (a change). Every list comes from the same text, read under the lock, so
// the snapshot is the one a full parse would give.
#pragma once
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "simstack/json_spans.h"
#include "simstack/state_file.h"
#include "simstack/stored_node.h"

namespace simstack {

class HostDocument {
 public:
  // Splits `text` (the file named `path`); throws StateError when it is not a host file.
  HostDocument(std::string text, std::string path);
  // The same, with the record of the text's structure the squeeze made.
  HostDocument(SqueezedJson squeezed, std::string path);
  // A document already parsed in full.
  explicit HostDocument(Json whole);
  HostDocument(const HostDocument&) = delete;
  HostDocument& operator=(const HostDocument&) = delete;

  // Every member; an instance list not parsed yet holds null.
  const Json& json() const { return json_; }
  // Whether the namespace has a list of that name (names in any case), parsed or not;
  // throws StateError for a member that is not a list.
  bool has_instances(std::string_view ns, std::string_view class_name) const;

  // One instance of a walk: the node, its place in the list, and the owner that keeps
  // an instance read for the walk alive (null for a node of the document itself).
  using InstanceVisitor =
      std::function<bool(const StoredNode& instance, std::size_t index, const std::shared_ptr<const void>& owner)>;
  // Hands the instances of a class's list to `visit` in order until it returns false;
  // a list still held as text is read one instance at a time onto a tape (a few ahead
  // on a second thread) and not kept. Returns whether the namespace has the list. Throws
  // StateError for a member that is not a list (nothing visited) and for a list that
  // is not valid JSON, when the walk reaches the fault.
  bool for_each_instance(std::string_view ns, std::string_view class_name, const InstanceVisitor& visit) const;

  // The whole document, every list parsed in its place.
  Json& complete();

 private:
  // By the placeholder each list fills; a walk keeps the spans of its list while it runs.
  using PendingMap = std::map<const Json*, std::shared_ptr<const JsonArraySpans>>;
  // Parses a list held as text into its placeholder; throws StateError when invalid.
  void take(PendingMap::iterator it) const;

  // The file as read, while lists are pending; a walk keeps it for as long as it runs.
  std::shared_ptr<const std::string> text_;
  std::string path_;
  mutable Json json_;
  mutable PendingMap pending_;
  mutable std::mutex mutex_;  // objects of one snapshot may be read from several threads
};

}  // namespace simstack
