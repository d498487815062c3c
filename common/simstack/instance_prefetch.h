// The instances of a list held as text, each read onto a tape from its own span,
// in order for one walker. A second thread (where the machine has a second
// processor) parses instances ahead; while the instance the walker wants next is not
// ready, the walker parses the next one nobody has taken, so the two share the work
// and neither sleeps long. At most kAhead instances are held at a time.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "simstack/json_tape.h"
#include "simstack/json_spans.h"
#include "simstack/state_file.h"

namespace simstack {

class InstancePrefetch {
 public:
  // `text` and `elements` (spans of the instances in it) must outlive the object.
  InstancePrefetch(std::string_view text, const std::vector<JsonSpan>& elements);
  ~InstancePrefetch();
  InstancePrefetch(const InstancePrefetch&) = delete;
  InstancePrefetch& operator=(const InstancePrefetch&) = delete;

  bool at_end() const { return walked_ == elements_.size(); }
  // The next instance (call only before the end); null when its text is not valid
  // JSON. Rethrows what parsing it threw (std::bad_alloc).
  std::shared_ptr<const JsonTape> next();

 private:
  struct Slot {
    bool ready = false;
    std::shared_ptr<const JsonTape> instance;  // null: not valid JSON
    std::exception_ptr error;
    bool by_thread = false;
  };
  static constexpr std::size_t kAhead = 64;  // instances the thread may read ahead
  static constexpr std::size_t kBatch = 16;  // room the sleeping thread waits for

  Slot parse(std::size_t index, JsonTapeReader& reader) const;
  void run();
  // Whether the thread may read a batch: a whole one, or the rest of the list (under the lock).
  bool room_for_a_batch() const;

  std::string_view text_;
  const std::vector<JsonSpan>& elements_;
  JsonTapeReader reader_;           // the walker's
  std::vector<Slot> slots_;     // instance i in slots_[i % kAhead]
  std::size_t claimed_ = 0;     // instances before this are taken by the thread or the walker
  std::size_t walked_ = 0;      // instances the walker has had
  // Instances of the thread's making the walker is done with, freed on the thread:
  // memory freed where it was allocated keeps the threads off each other's heap locks.
  std::vector<std::shared_ptr<const JsonTape>> spent_;
  std::shared_ptr<const JsonTape> last_from_thread_;
  bool stopping_ = false;
  bool thread_waiting_ = false;  // for room to read ahead
  bool walker_waiting_ = false;  // for an instance the thread is reading
  std::mutex mutex_;
  std::condition_variable changed_;
  std::thread thread_;  // last: started once every member above exists
};

}  // namespace simstack
