// A 64-bit millisecond count made from the 32-bit tick count, which wraps every 49.7
// days: what GetTickCount64 gives where the system has no GetTickCount64.
#pragma once
#include <atomic>
#include <cstdint>

namespace win {

// `state` holds the wraps seen so far (high half) and the last tick read (low half); a
// tick lower than the last one means the count wrapped in between. Any thread may
// call this with a shared state, which advances only by compare-and-swap on a tick
// read after the state it replaces; a wrap is seen if the count is read at least once
// in each 49.7 days.
template <typename ReadTick>
std::uint64_t extend_tick_count(std::atomic<std::uint64_t>& state, ReadTick read_tick) {
  std::uint64_t seen = state.load();
  for (;;) {
    std::uint32_t tick = read_tick();
    std::uint64_t wraps = seen >> 32;
    if (tick < static_cast<std::uint32_t>(seen)) ++wraps;
    std::uint64_t now = (wraps << 32) | tick;
    if (state.compare_exchange_weak(seen, now)) return now;
  }
}

}  // namespace win
