// The audio path never allocates: every operator new on a thread that is
// inside processReplacing is counted, while another thread keeps changing
// parameters, programs and A/B sets.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>
#include <thread>
#include <vector>

#include "Helpers/KivEditorInterface.h"
#include "tests/support/FakeHost.h"
#include "widener/ASpanora.h"

namespace {
thread_local bool t_countAllocations = false;
std::atomic<long> g_audioAllocations{0};
}  // namespace

// Our operator new takes its memory from malloc, so free is the right release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  if (t_countAllocations) g_audioAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

class OpenEditor : public CKivEditorInterface {
 public:
  using CKivEditorInterface::CKivEditorInterface;
  bool isOpen() const override { return true; }
};

TEST(RealtimeSafety, TheAudioPathAllocatesNothingWhileAnotherThreadEditsEverything) {
  FakeHost host;
  ASpanora effect(host.Callback());
  effect.SetKivEditor(new OpenEditor(&effect));  // the analysis feed runs too
  effect.setParameter(PARAM_DYNAMICS, 1.0f);
  effect.setParameter(PARAM_SPLIT_DELAY_ENABLED, 1.0f);
  effect.setParameter(PARAM_HAAS_ENABLED, 1.0f);

  std::atomic<bool> done{false};
  std::thread editor([&] {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> index(0, 63);
    std::uniform_real_distribution<float> value(0.0f, 1.0f);
    for (int n = 0; !done.load(); ++n) {
      effect.setParameter(index(rng), value(rng));
      if (n % 50 == 0) effect.setProgram(n / 50 % 60);
      if (n % 70 == 0) effect.SwitchABProgram();
      if (n % 90 == 0) effect.StartAutoLevel();
      std::this_thread::yield();
    }
  });

  constexpr int kBlock = 512;
#ifdef SPANORA_SANITIZED
  constexpr int kBlocks = 44100 * 2 / kBlock;
#else
  constexpr int kBlocks = 44100 * 10 / kBlock;  // ten seconds of audio
#endif
  std::vector<float> left(kBlock), right(kBlock);
  std::mt19937 rng(9);
  std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
  for (int b = 0; b < kBlocks; ++b) {
    for (int i = 0; i < kBlock; ++i) {
      left[static_cast<std::size_t>(i)] = noise(rng);
      right[static_cast<std::size_t>(i)] = noise(rng);
    }
    float* io[2] = {left.data(), right.data()};
    t_countAllocations = true;
    effect.processReplacing(io, io, kBlock);
    t_countAllocations = false;
  }
  done.store(true);
  editor.join();
  EXPECT_EQ(g_audioAllocations.load(), 0);
}

}  // namespace
