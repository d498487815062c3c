#include "simstack/instance_prefetch.h"

namespace simstack {

InstancePrefetch::InstancePrefetch(std::string_view text) : thread_([this, text] { parse(text); }) {}

InstancePrefetch::~InstancePrefetch() { stop(); }

void InstancePrefetch::stop() {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool InstancePrefetch::hand_over(Batch& batch) {
  std::vector<Batch> spent;
  {
    std::unique_lock<std::mutex> hold(mutex_);
    changed_.wait(hold, [this] { return ready_.size() < kBatchesAhead || stopping_; });
    if (stopping_) return false;
    ready_.push_back(std::move(batch));
    spent.swap(spent_);
    changed_.notify_all();
  }
  batch = Batch();
  batch.reserve(kBatch);
  return true;  // `spent` is freed here, outside the lock
}

void InstancePrefetch::parse(std::string_view text) {
  ArrayRead result = ArrayRead::Done;
  std::exception_ptr error;
  try {
    Batch batch;
    result = read_json_array(text, [&](Json&& element) {
      batch.push_back(std::make_shared<const Json>(std::move(element)));
      return batch.size() < kBatch || hand_over(batch);
    });
    // The instances before the end of the list, or before the fault in its text.
    if (result != ArrayRead::Stopped && !batch.empty() && !hand_over(batch)) result = ArrayRead::Stopped;
  } catch (...) {
    error = std::current_exception();
  }
  std::lock_guard<std::mutex> hold(mutex_);
  result_ = result;
  error_ = error;
  finished_ = true;
  changed_.notify_all();
}

std::shared_ptr<const Json> InstancePrefetch::next() {
  if (taken_ == taking_.size()) {
    std::unique_lock<std::mutex> hold(mutex_);
    if (!taking_.empty() && !finished_) spent_.push_back(std::move(taking_));
    changed_.wait(hold, [this] { return !ready_.empty() || finished_; });
    if (ready_.empty()) return nullptr;
    taking_ = std::move(ready_.front());
    taken_ = 0;
    ready_.pop_front();
    changed_.notify_all();
  }
  return taking_[taken_++];  // the batch keeps its share until it is spent
}

ArrayRead InstancePrefetch::result() {
  std::lock_guard<std::mutex> hold(mutex_);
  if (error_) std::rethrow_exception(error_);
  return result_;
}

}  // namespace simstack
