// Retrying a file operation that fails for a moment because another process (a virus
// scanner, an indexer, a backup agent) holds the file open.
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>

namespace simstack {

// The Windows errors such a process causes: ERROR_ACCESS_DENIED (5) and
// ERROR_SHARING_VIOLATION (32).
bool is_transient_file_error(std::uint32_t code);

struct RetryOutcome {
  std::uint32_t code = 0;  // 0, or the Windows error of the last try
  int attempts = 0;
};

inline constexpr int kFileRetryAttempts = 10;

// Runs `attempt` (0 when done, else a Windows error code) until it succeeds, fails with
// an error that is not transient, or has failed kFileRetryAttempts times. Between tries
// it calls `wait` with a delay that doubles from 10 ms up to 200 ms: about 1.1 s in all.
RetryOutcome retry_transient_file_error(const std::function<std::uint32_t()>& attempt,
                                        const std::function<void(std::chrono::milliseconds)>& wait);

}  // namespace simstack
