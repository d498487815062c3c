#include "win/tick_count_extension.h"

#include <gtest/gtest.h>

#include <vector>

// The 32-bit tick count wraps every 49.7 days; the extended count keeps rising.
TEST(TickCountExtension, CarriesEachWrapIntoTheHighHalf) {
  std::vector<std::uint32_t> ticks{5, 0xFFFFFFF0u, 0xFFFFFFFFu, 0x10, 0x20, 0x8, 0x8};
  std::vector<std::uint64_t> expected{5, 0xFFFFFFF0u, 0xFFFFFFFFu, 0x100000010u, 0x100000020u, 0x200000008u,
                                      0x200000008u};
  std::atomic<std::uint64_t> state{0};
  std::size_t next = 0;
  for (std::uint64_t want : expected) EXPECT_EQ(win::extend_tick_count(state, [&] { return ticks[next++]; }), want);
}
