#include "simstack/state_file/transient_retry.h"

#include <algorithm>

namespace simstack {

namespace {
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorSharingViolation = 32;
constexpr std::chrono::milliseconds kFirstDelay{10};
constexpr std::chrono::milliseconds kLongestDelay{200};
}  // namespace

bool is_transient_file_error(std::uint32_t code) {
  return code == kErrorAccessDenied || code == kErrorSharingViolation;
}

RetryOutcome retry_transient_file_error(const std::function<std::uint32_t()>& attempt,
                                        const std::function<void(std::chrono::milliseconds)>& wait) {
  RetryOutcome outcome;
  std::chrono::milliseconds delay = kFirstDelay;
  for (;;) {
    outcome.code = attempt();
    ++outcome.attempts;
    if (!is_transient_file_error(outcome.code) || outcome.attempts == kFileRetryAttempts) return outcome;
    wait(delay);
    delay = std::min(delay * 2, kLongestDelay);
  }
}

}  // namespace simstack
