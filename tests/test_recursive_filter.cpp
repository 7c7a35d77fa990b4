#include "Helpers/RecursiveFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <vector>

#include "tests/support/TestSignals.h"

namespace {

// Steady-state peak amplitude of the filter's response to cos(2 pi f n).
float SteadyAmplitude(CRecursiveFilterCore& filter, double cyclesPerSample) {
  filter.ClearHistory();
  float peak = 0.0f;
  for (int n = 0; n < 20000; ++n) {
    const float y = filter.Process(static_cast<float>(std::cos(6.283185307179586 * cyclesPerSample * n)));
    if (n >= 10000) peak = std::max(peak, std::fabs(y));
  }
  return peak;
}

}  // namespace

// A notch and a band-pass act at their frequency and sum to the input:
// exactly on paper; in single precision the sharp poles amplify coefficient
// rounding towards DC. Worst seen on 50000 samples of unit noise: below 4e-5
// for f >= 0.01 (both bandwidths), 2.7e-4 at f = 0.002, 4.3e-3 at
// f = 0.00045 (20 Hz at 44.1 kHz) with bw = 0.01.
TEST(RecursiveFilterCore, NarrowBandDesignsActAtTheirFrequencyAndSumToTheInput) {
  CRecursiveFilterCore notch(2, 2), bandPass(2, 2);
  notch.DesignNotch(0.05f, 0.01f);
  bandPass.DesignBandPass(0.05f, 0.01f);
  EXPECT_LT(SteadyAmplitude(notch, 0.05), 1e-2f);
  EXPECT_NEAR(SteadyAmplitude(bandPass, 0.05), 1.0f, 1e-2f);
  EXPECT_NEAR(SteadyAmplitude(notch, 0.2), 1.0f, 1e-2f);
  EXPECT_LT(SteadyAmplitude(bandPass, 0.2), 0.1f);

  const std::vector<float> x = Noise(50000);
  const struct {
    float f, bound;
  } cases[] = {{0.00045f, 1e-2f}, {0.002f, 1e-3f}, {0.01f, 5e-5f}, {0.05f, 5e-5f}, {0.3f, 5e-5f}, {0.45f, 5e-5f}};
  for (float bw : {0.001f, 0.01f}) {
    for (const auto& c : cases) {
      notch.DesignNotch(c.f, bw);
      bandPass.DesignBandPass(c.f, bw);
      notch.ClearHistory();
      bandPass.ClearHistory();
      float worst = 0.0f;
      for (float v : x) worst = std::max(worst, std::fabs(notch.Process(v) + bandPass.Process(v) - v));
      EXPECT_LT(worst, c.bound) << "f=" << c.f << " bw=" << bw;
    }
  }
}

TEST(RecursiveFilterCore, CookbookLowAndHighPassMagnitudes) {
  const float fs = 44100.0f, fc = 2000.0f;
  const double fcNorm = fc / fs;
  CRecursiveFilterCore low(2, 2), high(2, 2);
  low.DesignBiquad(fc, 1.0f, fs, 1.0f, CRecursiveFilterCore::BIQUAD_LOWPASS);
  high.DesignBiquad(fc, 1.0f, fs, 1.0f, CRecursiveFilterCore::BIQUAD_HIGHPASS);
  // At the cut-off a cookbook section has gain Q (1 here): 0 dB.
  EXPECT_NEAR(SteadyAmplitude(low, 0.0), 1.0f, 1e-3f);
  EXPECT_NEAR(SteadyAmplitude(low, fcNorm), 1.0f, 1e-3f);
  EXPECT_LT(SteadyAmplitude(low, 0.5), 1e-3f);
  EXPECT_LT(SteadyAmplitude(high, 0.0), 1e-3f);
  EXPECT_NEAR(SteadyAmplitude(high, fcNorm), 1.0f, 1e-3f);
  EXPECT_NEAR(SteadyAmplitude(high, 0.5), 1.0f, 1e-3f);
}

// The block forms (filters side by side, two in series) are bit-identical to
// their single-sample steps.
TEST(RecursiveFilterCore, BlockFormsAreBitIdenticalToSingleSamples) {
  const std::vector<float> x = Noise(3825, 3);
  CRecursiveFilterCore singles[4], grouped[4];
  for (int j = 0; j < 4; ++j) {
    singles[j].DesignBandPass(0.01f + 0.05f * j, 0.01f);
    grouped[j].DesignBandPass(0.01f + 0.05f * j, 0.01f);
  }
  std::vector<float> got[4] = {x, x, x, x};
  size_t pos = 0;
  for (; pos + 300 <= x.size(); pos += 300) {
    CRecursiveFilterCore* const filters[4] = {&grouped[0], &grouped[1], &grouped[2], &grouped[3]};
    const float* const ins[4] = {x.data() + pos, x.data() + pos, x.data() + pos, x.data() + pos};
    float* const outs[4] = {got[0].data() + pos, got[1].data() + pos, got[2].data() + pos, got[3].data() + pos};
    CRecursiveFilterCore::ProcessGroup<4>(filters, ins, outs, 300);
  }
  for (int j = 0; j < 4; ++j) {
    for (size_t i = 0; i < pos; ++i) ASSERT_EQ(got[j][i], singles[j].Process(x[i])) << j << " " << i;
  }

  CRecursiveFilterCore lowA, highA, lowB, highB;
  for (CRecursiveFilterCore* low : {&lowA, &lowB}) low->DesignBiquad(5000.0f, 1.0f, 44100.0f, 1.0f, CRecursiveFilterCore::BIQUAD_LOWPASS);
  for (CRecursiveFilterCore* high : {&highA, &highB}) high->DesignBiquad(300.0f, 1.0f, 44100.0f, 1.0f, CRecursiveFilterCore::BIQUAD_HIGHPASS);
  std::vector<float> series(x);
  for (pos = 0; pos < x.size(); pos += 1000) {
    const int n = static_cast<int>(std::min<size_t>(1000, x.size() - pos));
    CRecursiveFilterCore::ProcessSeries(lowB, highB, series.data() + pos, series.data() + pos, n);
  }
  for (size_t i = 0; i < x.size(); ++i) ASSERT_EQ(series[i], highA.Process(lowA.Process(x[i]))) << i;
}

template <class T>
class FractionalDelay : public ::testing::Test {};
using SampleTypes = ::testing::Types<float, double>;
TYPED_TEST_SUITE(FractionalDelay, SampleTypes);

// The four-point Hermite form reproduces quadratics at any delay, a cubic
// only midway between two samples. Below one sample of delay the newest
// neighbour is not there yet, so exactness starts at a delay of 1.
TYPED_TEST(FractionalDelay, HermiteInterpolation) {
  using T = TypeParam;
  const auto quadratic = [](double t) { return 0.5 + 0.25 * t - 0.01 * t * t; };
  const auto cubic = [](double t) { return 0.001 * t * t * t - 0.02 * t * t + 0.1 * t; };
  const double tolerance = std::is_same_v<T, float> ? 1e-3 : 1e-9;
  for (float d : {1.0f, 1.25f, 2.5f, 5.0f, 10.125f}) {
    CFloatDelayFilter<T> q(64, false), c(64, false);
    q.SetDelay(d);
    c.SetDelay(d);
    for (int n = 0; n < 100; ++n) {
      const T yq = q.Process(static_cast<T>(quadratic(n)));
      const T yc = c.Process(static_cast<T>(cubic(n)));
      if (n < 20) continue;  // until the line holds the signal on both sides
      EXPECT_NEAR(yq, quadratic(n - d), tolerance) << "d=" << d;
      if (d == 2.5f) {
        EXPECT_NEAR(yc, cubic(n - d), tolerance);
      }
    }
  }
}
