// Cross-thread use of the signal-processing library: the spectrum hand-over
// between an audio-rate writer and an editor-rate reader, and transforms
// planned on several threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "Helpers/FFT.h"
#include "Helpers/FrequencyDataStore.h"

TEST(DspThreads, DataStoreHandsSpectraAcrossThreads) {
  constexpr int FFT_SIZE = 1024, BINS = FFT_SIZE / 2 + 1;
  CFrequencyDataStore store(FFT_SIZE);
  std::atomic<bool> stop{false};

  // Writer: one spectrum per 1024-sample frame at 44.1 kHz would be every
  // 23 ms; here back to back, to give the exchange far more chances to
  // collide. Powers are always in [0, 100].
  std::thread writer([&] {
    std::vector<Complex<float>> spectrum(BINS);
    int frame = 0;
    while (!stop.load()) {
      for (int k = 0; k < BINS; ++k) {
        const float amplitude = 10.0f * std::fabs(std::sin(0.01f * static_cast<float>(k + frame)));
        spectrum[k] = Complex<float>{amplitude * 0.6f, amplitude * 0.8f};
      }
      store.StoreValuesForGraph(spectrum.data(), BINS);
      ++frame;
      std::this_thread::yield();
    }
  });

  // Reader: the editor's frame, a private copy, and the occasional Clear.
  CFrequencyDataStore copy(FFT_SIZE);
  std::vector<double> power(BINS);
  int reads = 0;
  bool inRange = true;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(250);
  while (std::chrono::steady_clock::now() < end) {
    store.CatchUp();
    store.BeginRead().CopyTo(power.data());
    for (double p : power) inRange = inRange && p >= 0.0 && p <= 100.0001;
    copy.CopyFrom(&store);
    copy.CatchUp();
    copy.PeekFront().CopyTo(power.data());
    for (double p : power) inRange = inRange && p >= 0.0 && p <= 100.0001;
    if (++reads % 50 == 0) store.Clear();
    std::this_thread::yield();
  }
  stop.store(true);
  writer.join();

  EXPECT_TRUE(inRange);
  EXPECT_GT(store.GetPublishCounter(), 10);
  EXPECT_EQ(store.GetReadCounter(), reads);
}

TEST(DspThreads, TransformsPlannedOnSeveralThreadsAtOnce) {
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&failures, t] {
      for (int round = 0; round < 20; ++round) {
        const int n = 64 << ((round + t) % 6);
        FFT<float> f(n);
        FFT<double> d(n);
        std::vector<float> x(n, 0.0f), back(n);
        std::vector<Complex<float>> spectrum(n / 2 + 1);
        x[1] = 1.0f;
        f.Forward(spectrum.data(), x.data());
        f.Backward(spectrum.data(), back.data());
        if (!f.IsValid() || !d.IsValid() || std::fabs(back[1] - 1.0f) > 1e-5f) failures.fetch_add(1);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
}
