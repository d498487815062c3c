#include "simstack/state_file/transient_retry.h"

#include <gtest/gtest.h>

#include <vector>

using namespace std::chrono_literals;

namespace {

// An operation that fails with the given errors in turn, then succeeds; the waits are
// recorded instead of slept.
struct FakeOperation {
  explicit FakeOperation(std::vector<std::uint32_t> fail_with) : errors(std::move(fail_with)) {}
  std::vector<std::uint32_t> errors;
  int calls = 0;
  std::vector<std::chrono::milliseconds> waits;

  simstack::RetryOutcome run() {
    return simstack::retry_transient_file_error(
        [&]() -> std::uint32_t {
          std::size_t at = static_cast<std::size_t>(calls++);
          return at < errors.size() ? errors[at] : 0;
        },
        [&](std::chrono::milliseconds d) { waits.push_back(d); });
  }
};

}  // namespace

TEST(TransientRetry, SharingViolationAndAccessDeniedAreRetriedUntilTheyPass) {
  FakeOperation op({32, 5, 32});
  auto outcome = op.run();
  EXPECT_EQ(outcome.code, 0u);
  EXPECT_EQ(outcome.attempts, 4);
  EXPECT_EQ(op.waits, (std::vector<std::chrono::milliseconds>{10ms, 20ms, 40ms}));
}

TEST(TransientRetry, GivesUpAfterABoundedNumberOfTries) {
  FakeOperation op(std::vector<std::uint32_t>(50, 32));
  auto outcome = op.run();
  EXPECT_EQ(outcome.code, 32u);
  EXPECT_EQ(outcome.attempts, simstack::kFileRetryAttempts);
  EXPECT_EQ(op.calls, simstack::kFileRetryAttempts);
  ASSERT_EQ(op.waits.size(), static_cast<std::size_t>(simstack::kFileRetryAttempts - 1));
  EXPECT_EQ(op.waits.back(), 200ms);  // the back-off stops growing
  std::chrono::milliseconds total{};
  for (auto w : op.waits) total += w;
  EXPECT_LT(total, 2s);
}

TEST(TransientRetry, OtherErrorsFailAtOnce) {
  FakeOperation op({3});  // ERROR_PATH_NOT_FOUND
  auto outcome = op.run();
  EXPECT_EQ(outcome.code, 3u);
  EXPECT_EQ(outcome.attempts, 1);
  EXPECT_TRUE(op.waits.empty());
}
