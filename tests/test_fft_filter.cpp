#include "Helpers/FftFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "tests/support/TestSignals.h"

namespace {

// Runs the owner's per-block sequence over the whole input.
std::vector<float> RunBlocks(FftFilter<float>& filter, const std::vector<float>& in, int block) {
  std::vector<float> out(in.size());
  for (size_t pos = 0; pos < in.size(); pos += block) {
    const int n = static_cast<int>(std::min<size_t>(block, in.size() - pos));
    filter.ValuesIn(in.data() + pos, n);
    filter.CompleteProcessing();
    filter.ValuesOut(out.data() + pos, n);
  }
  return out;
}

// out[i] == gain * in[i - delay] (silence before), within the round trip error.
void ExpectDelayed(const std::vector<float>& in, const std::vector<float>& out, int delay, float gain = 1.0f) {
  for (size_t i = 0; i < out.size(); ++i) {
    const float expected = static_cast<int>(i) < delay ? 0.0f : gain * in[i - delay];
    ASSERT_NEAR(out[i], expected, 2e-6f) << "sample " << i << ", delay " << delay;
  }
}

class ScaleBins : public FftFilterCallBack<float> {
 public:
  void Apply(int n, Complex<float>* spectrum) override {
    ++frames;
    length = n;
    for (int k = 0; k <= n / 2; ++k) {
      const float g = k >= firstZeroBin ? 0.0f : gain;
      spectrum[k].re *= g;
      spectrum[k].im *= g;
    }
  }
  int frames = 0;
  int length = 0;
  int firstZeroBin = 1 << 30;
  float gain = 1.0f;
};

}  // namespace

TEST(FftFilter, PassesInputDelayedByOneFrameEvenWhenBlocksOverrunTheFrame) {
  FftFilter<float> filter(1024, nullptr), overrun(1024, nullptr);
  const std::vector<float> in = Noise(9000, 2);
  ExpectDelayed(in, RunBlocks(filter, in, 256), 1024);
  // 300 does not divide 1024: the rest of each overrunning block waits as
  // pending input until ValuesOut.
  ExpectDelayed(in, RunBlocks(overrun, in, 300), 1024);
}

TEST(FftFilter, ClearSilencesTheNextHop) {
  FftFilter<float> filter(1024, nullptr);
  std::vector<float> in(5000);
  for (size_t i = 0; i < in.size(); ++i) in[i] = 0.5f + 0.25f * std::sin(0.01f * i);
  std::vector<float> out = RunBlocks(filter, in, 256);
  EXPECT_NE(out.back(), 0.0f);
  filter.Clear();
  out = RunBlocks(filter, in, 256);
  ExpectDelayed(in, out, 1024);
}

TEST(FftFilter, CallbackShapesTheOutput) {
  ScaleBins callback;
  callback.gain = 2.0f;
  FftFilter<float> doubler(1024, &callback);
  const std::vector<float> in = Noise(4096, 5);
  ExpectDelayed(in, RunBlocks(doubler, in, 256), 1024, 2.0f);
  EXPECT_EQ(callback.frames, 4);
  EXPECT_EQ(callback.length, 1024);

  // DC plus a tone exactly on bin 100: removing bins from 50 up leaves DC.
  ScaleBins lowPass;
  lowPass.firstZeroBin = 50;
  FftFilter<float> filter(1024, &lowPass);
  std::vector<float> tone(4096);
  for (size_t i = 0; i < tone.size(); ++i)
    tone[i] = 0.25f + std::sin(6.283185307179586 * 100.0 * static_cast<double>(i) / 1024.0);
  const std::vector<float> out = RunBlocks(filter, tone, 256);
  for (size_t i = 1024; i < out.size(); ++i) ASSERT_NEAR(out[i], 0.25f, 1e-5f) << i;
}
