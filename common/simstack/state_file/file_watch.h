// Waiting for the state file to change. Writers replace the file by rename, so the
// watch is on its folder (inotify where the system has it); elsewhere, or when the
// system refuses a watch, the wait is a plain timed sleep and the caller polls.
#pragma once
#include <chrono>
#include <memory>
#include <string>

namespace simstack {

class FileWatch {
 public:
  explicit FileWatch(const std::string& path);
  ~FileWatch();
  FileWatch(const FileWatch&) = delete;
  FileWatch& operator=(const FileWatch&) = delete;

  // Returns when the file may have changed, when `timeout` has passed, or after
  // wake(); the caller looks at the file to tell which.
  void wait(std::chrono::milliseconds timeout);
  // Ends a wait in progress (or the next one) at once; callable from any thread.
  void wake();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace simstack
