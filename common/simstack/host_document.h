// One read of the host file, in which the instance lists of the WMI namespaces are
// set aside as text: a report reads a handful of classes of a file that may hold
// tens of megabytes of instances. On a machine with more than one processor a
// background thread parses the lists in file order while the command runs; a list
// the command asks for first is parsed by the asking thread. Every list comes from
// the same text, read under the lock, so the snapshot is the one a full parse would
// give.
#pragma once
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "simstack/json_spans.h"
#include "simstack/state_file.h"

namespace simstack {

class HostDocument {
 public:
  // Splits `text` (the file named `path`); throws StateError when it is not a host file.
  HostDocument(std::string text, std::string path);
  // A document already parsed in full.
  explicit HostDocument(Json whole);
  ~HostDocument();
  HostDocument(const HostDocument&) = delete;
  HostDocument& operator=(const HostDocument&) = delete;

  // Every member; an instance list not read yet holds null.
  const Json& json() const { return json_; }
  // The instance list of a class (names in any case), parsed on first use; null when
  // the namespace has no list of that name. Throws StateError for a list that is not
  // valid JSON.
  const Json* instances(std::string_view ns, std::string_view class_name) const;
  // The whole document, every list parsed in its place.
  Json& complete();

 private:
  struct PendingList {
    enum class State { Waiting, Parsing, Parsed, Invalid };
    JsonSpan span;
    State state = State::Waiting;
    Json parsed;
  };
  using PendingMap = std::map<const Json*, PendingList>;  // by the placeholder it fills

  void parse_in_background();
  // Parses a Waiting list outside the lock and publishes it Parsed or Invalid; left
  // Waiting when the parse throws (out of memory), and the exception goes on.
  void parse_list(std::unique_lock<std::mutex>& lock, PendingList& list) const;
  // Parses the list (or waits for the background thread to finish it) and moves it
  // into its placeholder; throws StateError for a list that is not valid JSON.
  void take(std::unique_lock<std::mutex>& lock, PendingMap::iterator it) const;
  void stop_background();

  std::string text_;  // the file as read, while lists are pending
  std::string path_;
  mutable Json json_;
  mutable PendingMap pending_;
  std::vector<const Json*> text_order_;  // the placeholders in the order of the file
  mutable std::mutex mutex_;
  mutable std::condition_variable list_parsed_;
  bool stopping_ = false;
  std::thread background_;
};

}  // namespace simstack
