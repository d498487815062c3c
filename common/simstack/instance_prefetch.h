// The instances of a list held as text, parsed on a second thread a few ahead of the
// walker that reads them: on a machine with more than one processor a report's
// parse and its reading of the instances overlap, and no more than a handful of
// instances are held at a time.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "simstack/json_reader.h"

namespace simstack {

class InstancePrefetch {
 public:
  // Starts parsing `text` (an array), which must outlive the object; throws
  // std::system_error when no thread can be had.
  explicit InstancePrefetch(std::string_view text);
  ~InstancePrefetch();
  InstancePrefetch(const InstancePrefetch&) = delete;
  InstancePrefetch& operator=(const InstancePrefetch&) = delete;

  // The next instance, waiting for it; null once the list is over or its text broke off.
  std::shared_ptr<const Json> next();
  // After next() gave null: Done, or Invalid for broken text. Rethrows what the
  // parsing thread threw (std::bad_alloc).
  ArrayRead result();

 private:
  using Batch = std::vector<std::shared_ptr<const Json>>;
  // Instances go over in batches: one hand-over per instance would cost more than
  // the overlap gains.
  static constexpr std::size_t kBatch = 64;
  static constexpr std::size_t kBatchesAhead = 4;

  // Hands a batch to the walker, waiting while it is far enough behind; false once
  // the walker wants no more.
  bool hand_over(Batch& batch);

  void parse(std::string_view text);
  void stop();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Batch> ready_;
  // Batches the walker is done with go back to be freed on the parsing thread: memory
  // freed where it was allocated keeps the two threads off each other's heap locks.
  std::vector<Batch> spent_;
  Batch taking_;            // the walker's batch
  std::size_t taken_ = 0;   // how much of it the walker has had
  bool finished_ = false;   // the parsing thread is done
  bool stopping_ = false;   // the walker wants no more
  ArrayRead result_ = ArrayRead::Done;
  std::exception_ptr error_;
  std::thread thread_;      // last: started once every member above exists
};

}  // namespace simstack
