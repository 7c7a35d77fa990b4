// What a busy session costs outside the audio path: the CPU that idle
// effects burn while nothing plays, how long destroying a fresh effect
// takes, and the time and peak memory of restoring an oversized state.
// Prints figures; run by hand (bench_lifecycle [instances] [idle seconds]).
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Helpers/KeyedChunk.h"
#include "widener/ASpanora.h"

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long ContextSwitches() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_nvcsw + usage.ru_nivcsw;
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void IdleCost(int instances, int seconds) {
  std::vector<std::unique_ptr<ASpanora>> effects;
  for (int i = 0; i < instances; ++i) effects.push_back(std::make_unique<ASpanora>(nullptr));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // past the workers' start-up
  auto workerWakeups = [&] {
    std::uint64_t wakeups = 0, misses = 0;
    for (const auto& effect : effects) {
      wakeups += effect->GetWorkerWakeups();
      misses += effect->GetWorkerIdleMisses();
    }
    return std::pair{wakeups, misses};
  };
  const auto [wakeups0, misses0] = workerWakeups();
  const double cpu0 = CpuSeconds();
  const long switches0 = ContextSwitches();
  const auto wall0 = Clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const double cpu = CpuSeconds() - cpu0;
  const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
  const auto [wakeups1, misses1] = workerWakeups();
  const double perInstance = wall * instances;
  std::printf("idle: %d instances use %.2f%% of one core, %.0f context switches per instance and second\n", instances,
              100.0 * cpu / wall, static_cast<double>(ContextSwitches() - switches0) / perInstance);
  std::printf("idle: the worker wakes %.1f times per instance and second, %.1f of them with no idle pass due\n",
              static_cast<double>(wakeups1 - wakeups0) / perInstance, static_cast<double>(misses1 - misses0) / perInstance);
}

void DestroyTime(int instances) {
  double total = 0.0, worst = 0.0;
  for (int i = 0; i < instances; ++i) {
    auto effect = std::make_unique<ASpanora>(nullptr);
    const auto start = Clock::now();
    effect.reset();
    const double ms = Milliseconds(Clock::now() - start);
    total += ms;
    worst = std::max(worst, ms);
  }
  std::printf("destroy right after creation: %.2f ms on average, %.2f ms at worst (%d runs)\n", total / instances,
              worst, instances);
}

// A well-formed state of `bytes`: filler keys, then the real keys at the end.
void LargeRestore(std::size_t bytes) {
  ASpanora effect(nullptr);
  CKeyedChunkEncoder encoder;
  effect.SaveStateChunk(encoder);
  std::vector<std::uint8_t> data{1, 1, 1, 1};
  const std::uint8_t filler[] = {'f', '_', 'X', 0, 0x3F, 0, 0, 0};  // f_X = 0.5
  while (data.size() + sizeof filler + encoder.Size() - 4 <= bytes) {
    data.insert(data.end(), std::begin(filler), std::end(filler));
  }
  data.insert(data.end(), encoder.Data() + 4, encoder.Data() + encoder.Size());
  const long peak0 = PeakKilobytes();
  const auto start = Clock::now();
  const int result = effect.RestoreStateChunk(data.data(), data.size());
  const double ms = Milliseconds(Clock::now() - start);
  std::printf("restore of a %.2f MB state: %.1f ms, peak memory +%ld MB (%s)\n",
              static_cast<double>(data.size()) / (1 << 20), ms, (PeakKilobytes() - peak0) / 1024,
              result == 0 ? "applied" : "refused");
}

}  // namespace

int main(int argc, char** argv) {
  const int instances = argc > 1 ? std::atoi(argv[1]) : 50;
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 5;
  IdleCost(instances, seconds);
  DestroyTime(20);
  LargeRestore(64u << 20);
  LargeRestore(MAX_STATE_CHUNK_BYTES);
  return 0;
}
