#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <thread>

#include "simstack/state_file/file_watch.h"

namespace simstack {

struct FileWatch::State {
  std::string name;       // the file's name within its folder
  int inotify = -1;       // -1: no watch, the wait only sleeps
  int wake = -1;          // eventfd that ends a wait
};

FileWatch::FileWatch(const std::string& path) : state_(std::make_unique<State>()) {
  auto slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  state_->name = slash == std::string::npos ? path : path.substr(slash + 1);
  state_->wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  state_->inotify = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  // The new file is renamed into place (IN_MOVED_TO); one written in place ends with
  // IN_CLOSE_WRITE.
  if (state_->inotify >= 0 && ::inotify_add_watch(state_->inotify, folder.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE | IN_CREATE) < 0) {
    ::close(state_->inotify);
    state_->inotify = -1;
  }
}

FileWatch::~FileWatch() {
  if (state_->inotify >= 0) ::close(state_->inotify);
  if (state_->wake >= 0) ::close(state_->wake);
}

namespace {

// Reads the queued events; true when one names the file.
bool drain_names(int fd, const std::string& name) {
  alignas(inotify_event) char buffer[4096];
  bool seen = false;
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) return seen;
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
      inotify_event event;
      std::memcpy(&event, buffer + at, sizeof event);
      const char* event_name = buffer + at + sizeof(inotify_event);
      if ((event.mask & IN_Q_OVERFLOW) != 0 || (event.len > 0 && name == event_name)) seen = true;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
    }
  }
}

}  // namespace

void FileWatch::wait(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return;
    pollfd fds[2] = {{state_->wake, POLLIN, 0}, {state_->inotify, POLLIN, 0}};
    const nfds_t count = state_->inotify >= 0 ? 2 : 1;
    int ready = ::poll(fds, count, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) {
      std::this_thread::sleep_for(left);  // cannot wait on the descriptors: sleep instead
      return;
    }
    if (ready <= 0) continue;
    if ((fds[0].revents & POLLIN) != 0) {
      std::uint64_t count_read = 0;
      ssize_t ignored = ::read(state_->wake, &count_read, sizeof count_read);
      (void)ignored;
      return;
    }
    if (count == 2 && (fds[1].revents & POLLIN) != 0 && drain_names(state_->inotify, state_->name)) return;
  }
}

void FileWatch::wake() {
  std::uint64_t one = 1;
  ssize_t ignored = ::write(state_->wake, &one, sizeof one);
  (void)ignored;
}

}  // namespace simstack
