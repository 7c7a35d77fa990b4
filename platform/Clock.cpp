#include "platform/Clock.h"

#include <chrono>
#include <ctime>
#include <cerrno>

namespace platform {

std::uint32_t GetTickCount() noexcept {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
  return TickCountFromMilliseconds(static_cast<std::uint64_t>(ms));
}

std::uint32_t GetCoarseTickCount() noexcept {
  timespec now{};
  if (clock_gettime(CLOCK_MONOTONIC_COARSE, &now) != 0) return GetTickCount();
  const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
  return TickCountFromMilliseconds(ms);
}

void SleepMs(std::uint32_t ms) {
  timespec request{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  timespec remaining{};
  while (nanosleep(&request, &remaining) != 0 && errno == EINTR) request = remaining;
}

std::int64_t QueryPerformanceCounter() noexcept {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
}

std::int64_t QueryPerformanceFrequency() noexcept { return 1000000000LL; }

}  // namespace platform
