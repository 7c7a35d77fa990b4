#pragma once
// Time services of the host platform: a 32-bit millisecond tick count that
// wraps (about every 49.7 days), a millisecond sleep and a high-resolution
// counter. All are monotonic and safe to call from any thread.
#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary fixed point, truncated to 32 bits.
std::uint32_t GetTickCount() noexcept;
// The same count at the system timer's resolution (a few milliseconds, never
// ahead of GetTickCount), for a fraction of the cost: for stamps taken on
// every audio block.
std::uint32_t GetCoarseTickCount() noexcept;

// The tick value for a given number of milliseconds: the same truncation the
// live clock applies, exposed so wrap-around handling can be tested.
constexpr std::uint32_t TickCountFromMilliseconds(std::uint64_t ms) noexcept {
  return static_cast<std::uint32_t>(ms & 0xFFFFFFFFull);
}

// Milliseconds elapsed from `earlier` to `later`, correct across one wrap.
constexpr std::uint32_t TicksBetween(std::uint32_t earlier, std::uint32_t later) noexcept {
  return later - earlier;
}

// A cancellation point: a thread cancelled by CThread::Terminate unwinds from
// here, so it is deliberately not noexcept.
void SleepMs(std::uint32_t ms);

// High-resolution counter and its ticks per second (nanoseconds here).
std::int64_t QueryPerformanceCounter() noexcept;
std::int64_t QueryPerformanceFrequency() noexcept;

// The tick count at a performance-counter reading: both count the same clock,
// so a caller that has read the counter need not read the clock again.
constexpr std::uint32_t TickCountFromPerformanceCounter(std::int64_t counter) noexcept {
  return TickCountFromMilliseconds(static_cast<std::uint64_t>(counter / 1000000));
}

}  // namespace platform
