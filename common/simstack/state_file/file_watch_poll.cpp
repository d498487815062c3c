#include <condition_variable>
#include <mutex>

#include "simstack/state_file/file_watch.h"

namespace simstack {

struct FileWatch::State {
  std::mutex mutex;
  std::condition_variable woken;
  bool wake = false;
};

FileWatch::FileWatch(const std::string&) : state_(std::make_unique<State>()) {}
FileWatch::~FileWatch() = default;

void FileWatch::wait(std::chrono::milliseconds timeout) {
  std::unique_lock lock(state_->mutex);
  state_->woken.wait_for(lock, timeout, [this] { return state_->wake; });
  state_->wake = false;
}

void FileWatch::wake() {
  {
    std::lock_guard lock(state_->mutex);
    state_->wake = true;
  }
  state_->woken.notify_all();
}

}  // namespace simstack
