#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "simstack/state_file/file_lock.h"
#include "simstack/state_file/state_file.h"

namespace simstack {

namespace {
std::string errno_text() { return std::strerror(errno); }
}  // namespace

FileLock::FileLock(const std::string& lock_path, Mode mode, const std::function<void()>& waiting) {
  int fd = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) throw StateError("cannot open lock file " + lock_path + ": " + errno_text());
  int op = mode == Mode::Shared ? LOCK_SH : LOCK_EX;
  bool held = false;
  if (waiting) {
    held = ::flock(fd, op | LOCK_NB) == 0;
    if (!held) waiting();
  }
  while (!held && ::flock(fd, op) != 0) {
    if (errno == EINTR) continue;
    std::string why = errno_text();
    ::close(fd);
    throw StateError("cannot lock " + lock_path + ": " + why);
  }
  handle_ = fd;
}

FileLock::~FileLock() {
  int fd = static_cast<int>(handle_);
  ::flock(fd, LOCK_UN);
  ::close(fd);
}

bool process_is_running(std::uint32_t pid) {
  return pid != 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

void replace_file_durably(const std::string& path, std::string_view data) {
  remove_stale_temporaries(path);
  std::string tmp = path + ".tmp." + std::to_string(::getpid());
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw StateError("cannot write " + tmp + ": " + errno_text());
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      std::string why = errno_text();
      ::close(fd);
      ::unlink(tmp.c_str());
      throw StateError("cannot write " + tmp + ": " + why);
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    std::string why = errno_text();
    ::unlink(tmp.c_str());
    throw StateError("cannot flush " + tmp + ": " + why);
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    std::string why = errno_text();
    ::unlink(tmp.c_str());
    throw StateError("cannot replace " + path + ": " + why);
  }
}


std::optional<FileIdentity> file_identity(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  FileIdentity id;
  id.device = static_cast<std::uint64_t>(st.st_dev);
  id.inode = static_cast<std::uint64_t>(st.st_ino);
  id.size = static_cast<std::uint64_t>(st.st_size);
  id.mtime_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return id;
}


}  // namespace simstack
