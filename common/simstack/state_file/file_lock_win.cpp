#include <windows.h>

#include <algorithm>

#include "simstack/state_file/file_lock.h"
#include "simstack/state_file/state_file.h"
#include "simstack/state_file/transient_retry.h"

namespace simstack {

namespace {
std::string error_text(DWORD code) { return "Windows error " + std::to_string(code); }
}  // namespace

FileLock::FileLock(const std::string& lock_path, Mode mode, const std::function<void()>& waiting) {
  HANDLE h = CreateFileA(lock_path.c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw StateError("cannot open lock file " + lock_path + ": " + error_text(GetLastError()));
  OVERLAPPED ov{};
  const DWORD flags = mode == Mode::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0;
  bool held = false;
  if (waiting) {
    held = LockFileEx(h, flags | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &ov) != 0;
    if (!held) waiting();
  }
  if (!held && !LockFileEx(h, flags, 0, MAXDWORD, MAXDWORD, &ov)) {
    DWORD code = GetLastError();
    CloseHandle(h);
    throw StateError("cannot lock " + lock_path + ": " + error_text(code));
  }
  handle_ = reinterpret_cast<std::intptr_t>(h);
}

FileLock::~FileLock() {
  HANDLE h = reinterpret_cast<HANDLE>(handle_);
  OVERLAPPED ov{};
  UnlockFileEx(h, 0, MAXDWORD, MAXDWORD, &ov);
  CloseHandle(h);
}

bool process_is_running(std::uint32_t pid) {
  HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (h == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;  // running, as another account
  const bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
  CloseHandle(h);
  return running;
}

void replace_file_durably(const std::string& path, std::string_view data) {
  remove_stale_temporaries(path);
  std::string tmp = path + ".tmp." + std::to_string(GetCurrentProcessId());
  HANDLE h = CreateFileA(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw StateError("cannot write " + tmp + ": " + error_text(GetLastError()));
  std::size_t done = 0;
  bool ok = true;
  while (ok && done < data.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 30));
    DWORD written = 0;
    ok = WriteFile(h, data.data() + done, chunk, &written, nullptr) != 0;
    done += written;
  }
  ok = ok && FlushFileBuffers(h);
  DWORD code = GetLastError();
  CloseHandle(h);
  if (!ok) {
    DeleteFileA(tmp.c_str());
    throw StateError("cannot replace " + path + ": " + error_text(code));
  }
  // A scanner or indexer that has the state file open makes the rename fail for a moment.
  RetryOutcome moved = retry_transient_file_error(
      [&]() -> std::uint32_t {
        if (MoveFileExA(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
        return GetLastError();
      },
      [](std::chrono::milliseconds delay) { Sleep(static_cast<DWORD>(delay.count())); });
  if (moved.code != 0) {
    DeleteFileA(tmp.c_str());
    std::string why = error_text(moved.code);
    if (is_transient_file_error(moved.code))
      why += " (another process still held the file after " + std::to_string(moved.attempts) + " tries)";
    throw StateError("cannot replace " + path + ": " + why);
  }
}


std::optional<FileIdentity> file_identity(const std::string&) { return std::nullopt; }


}  // namespace simstack
