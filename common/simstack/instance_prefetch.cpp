#include "simstack/instance_prefetch.h"

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

InstancePrefetch::Slot InstancePrefetch::parse(std::size_t index, JsonReader& reader) const {
  Slot slot;
  slot.ready = true;
  try {
    if (auto instance = reader.read(elements_[index].of(text_)))
      slot.instance = std::make_shared<const Json>(std::move(*instance));
  } catch (...) {
    slot.error = std::current_exception();
  }
  return slot;
}

void InstancePrefetch::run() {
  JsonReader reader;
  std::vector<std::shared_ptr<const Json>> spent;
  for (;;) {
    std::size_t index;
    {
      std::unique_lock<std::mutex> hold(mutex_);
      changed_.wait(hold, [this] { return stopping_ || claimed_ == elements_.size() || claimed_ < walked_ + kAhead; });
      if (stopping_ || claimed_ == elements_.size()) return;
      index = claimed_++;
      spent.swap(spent_);
    }
    spent.clear();  // outside the lock
    Slot slot = parse(index, reader);
    slot.by_thread = true;
    {
      std::lock_guard<std::mutex> hold(mutex_);
      slots_[index % kAhead] = std::move(slot);
    }
    changed_.notify_all();
  }
}

std::shared_ptr<const Json> InstancePrefetch::next() {
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
      changed_.wait(hold);
    }
  }
  Slot slot = std::move(wanted);
  wanted = Slot();
  if (slot.by_thread) last_from_thread_ = slot.instance;
  ++walked_;
  hold.unlock();
  changed_.notify_all();  // room for the thread to parse further ahead
  if (slot.error) std::rethrow_exception(slot.error);
  return std::move(slot.instance);
}

}  // namespace simstack
