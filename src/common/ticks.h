// Tick arithmetic of the fax engine: timers and time-outs count ticks of
// 55 ms (18.2 per second).
//
// Seconds become ticks as seconds * 1675 / 92 and ticks become seconds as
// (ticks + 9) * 92 / 1675, both in integer arithmetic (so 6 s = 109 ticks,
// 10 s = 182 ticks, 109 ticks = 6 s). Thread-safe.
#pragma once

namespace qln {

// Longest timer length in ticks; the tick count wraps at this value for
// timer expiry tests.
inline constexpr long kMaxTicks = 39045157;

inline constexpr long secsToTicks(long seconds) { return seconds * 1675 / 92; }
inline constexpr long ticksToSecs(long ticks) { return (ticks + 9) * 92 / 1675; }

// Milliseconds of the monotonic clock divided by 55.
long tickCount();

}  // namespace qln
