#include "simstack/instance_prefetch.h"

#include <algorithm>
#include <system_error>

namespace simstack {

InstancePrefetch::InstancePrefetch(std::string_view text, const std::vector<JsonSpan>& elements)
    : text_(text), elements_(elements), slots_(kAhead) {
  // On one processor a second thread would only compete with the walker.
  if (elements_.size() < 2 || std::thread::hardware_concurrency() < 2) return;
  try {
    thread_ = std::thread([this] { run(); });
  } catch (const std::system_error&) {  // no thread to be had: the walker parses alone
  }
}

InstancePrefetch::~InstancePrefetch() {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

InstancePrefetch::Slot InstancePrefetch::parse(std::size_t index, JsonTapeReader& reader) const {
  Slot slot;
  slot.ready = true;
  try {
    if (auto instance = reader.read(elements_[index].of(text_)))
      slot.instance = std::make_shared<const JsonTape>(std::move(*instance));
  } catch (...) {
    slot.error = std::current_exception();
  }
  return slot;
}

bool InstancePrefetch::room_for_a_batch() const {
  const std::size_t room = walked_ + kAhead - claimed_;  // claimed_ never passes walked_ + kAhead
  return claimed_ < elements_.size() && room >= std::min(kBatch, elements_.size() - claimed_);
}

void InstancePrefetch::run() {
  JsonTapeReader reader;
  std::vector<std::shared_ptr<const JsonTape>> spent;
  std::unique_lock<std::mutex> hold(mutex_);
  for (;;) {
    // Sleeps until there is room for a batch (or the rest of the list): waking for
    // every instance the walker takes would cost more than reading one.
    thread_waiting_ = true;
    changed_.wait(hold, [this] { return stopping_ || claimed_ == elements_.size() || room_for_a_batch(); });
    thread_waiting_ = false;
    if (stopping_ || claimed_ == elements_.size()) return;
    // Then reads on until the ring is full, handing each instance over as it is read.
    while (!stopping_ && claimed_ < elements_.size() && claimed_ < walked_ + kAhead) {
      const std::size_t index = claimed_++;
      spent.swap(spent_);
      hold.unlock();
      spent.clear();
      Slot slot = parse(index, reader);
      slot.by_thread = true;
      hold.lock();
      slots_[index % kAhead] = std::move(slot);
      if (walker_waiting_) changed_.notify_all();
    }
  }
}

std::shared_ptr<const JsonTape> InstancePrefetch::next() {
  std::unique_lock<std::mutex> hold(mutex_);
  if (last_from_thread_) spent_.push_back(std::move(last_from_thread_));
  Slot& wanted = slots_[walked_ % kAhead];
  while (!wanted.ready) {
    if (claimed_ < elements_.size() && claimed_ < walked_ + kAhead) {
      const std::size_t index = claimed_++;
      hold.unlock();
      Slot slot = parse(index, reader_);
      hold.lock();
      slots_[index % kAhead] = std::move(slot);
    } else {
      walker_waiting_ = true;
      changed_.wait(hold);
      walker_waiting_ = false;
    }
  }
  Slot slot = std::move(wanted);
  wanted = Slot();
  if (slot.by_thread) last_from_thread_ = slot.instance;
  ++walked_;
  const bool wake = thread_waiting_ && room_for_a_batch();
  hold.unlock();
  if (wake) changed_.notify_all();  // the thread may read further ahead
  if (slot.error) std::rethrow_exception(slot.error);
  return std::move(slot.instance);
}

}  // namespace simstack
