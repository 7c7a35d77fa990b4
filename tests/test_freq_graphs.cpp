// CFreqGraph's extraction against plain references: where each point and
// band sits in frequency, smoothing, averaging, peak hold, freezing, the
// silence clear and the log frequency axis.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Helpers/FreqGraphs.h"
#include "Helpers/FrequencyDataStore.h"
#include "Helpers/Vst/AudioEffectX.h"
#include "platform/Clock.h"
#include "tests/support/FakeHost.h"
#include "vstgui/AEffGUIEditor.h"
#include "widener/ASpanora.h"

using namespace VSTGUI;

namespace {

constexpr int FFT_SIZE = 1024;
constexpr int HALF = FFT_SIZE / 2;
constexpr float RATE = 44100.0f;
constexpr int POINTS = 44;

class RateEffect : public vst::AudioEffectX {
 public:
  explicit RateEffect(vst::HostCallback host) : AudioEffectX(host, 1, 1) { setSampleRate(RATE); }
  void processReplacing(float**, float**, std::int32_t) override {}
  void setParameter(std::int32_t, float) override {}
  float getParameter(std::int32_t) override { return 0.0f; }
};

std::uint32_t g_nNow = 1000;
std::uint32_t TestClock() { return g_nNow; }

class SilenceGraph : public CFreqGraph {
 public:
  using CFreqGraph::CFreqGraph;
  bool IsEffectSilent() override { return silent; }
  bool silent = false;
};

struct Rig {
  FakeHost host;
  RateEffect effect{host.Callback()};
  AEffGUIEditor editor{&effect, CRect(0, 0, 440, 100)};
  CFrequencyDataStore store{FFT_SIZE};
  SilenceGraph graph{CRect(0, 0, 440, 100), &editor, nullptr, POINTS};

  Rig() {
    g_nNow = 1000;
    graph.SetClock(&TestClock);
    graph.SetDataStore(0, &store);
  }
  // Stores a block whose bin i has power power[i].
  void Store(const std::vector<double>& power) {
    std::vector<Complex<double>> spectrum(HALF + 1);
    for (int i = 0; i <= HALF; ++i) spectrum[i] = {std::sqrt(power[i]), 0.0};
    store.StoreValuesForGraph(spectrum.data(), HALF + 1);
  }
  std::vector<float> Extract(bool smooth = false) {
    graph.ExtractGraphFromDataStore(0, smooth, false, false);
    auto values = graph.GetValues(0);
    return {values.begin(), values.end()};
  }
};

std::vector<double> Flat(double power) { return std::vector<double>(HALF + 1, power); }
std::vector<double> Spike(int bin, double power) {
  std::vector<double> p(HALF + 1, 0.0);
  p[bin] = power;
  return p;
}
double BinHz(int bin) { return bin * RATE / FFT_SIZE; }
// Point k covers [20 * 1100^(k/P), 20 * 1100^((k+1)/P)) Hz.
double PointLowHz(int k) { return 20.0 * std::pow(1100.0, static_cast<double>(k) / POINTS); }

}  // namespace

TEST(FreqGraphExtraction, ContinuousPointsCoverTheRangeFromBinOneUpToTheLastAnalysedBin) {
  Rig rig;
  rig.Store(Flat(4.0));
  const auto values = rig.Extract();
  // The last point reaches 22 kHz, past bin half - 1 at 44.1 kHz: nothing analysed there.
  for (int k = 0; k < POINTS - 1; ++k) EXPECT_NEAR(values[k], 2.0f, 1e-5f) << k;
  EXPECT_EQ(values[POINTS - 1], 0.0f);

  // DC is never used; bin 1 (43 Hz) is the first bin, and it lights the lowest points.
  rig.Store(Spike(0, 100.0));
  for (float v : rig.Extract()) EXPECT_EQ(v, 0.0f);
  rig.Store(Spike(1, 100.0));
  EXPECT_NEAR(rig.Extract()[0], 10.0f, 1e-4f);
}

TEST(FreqGraphExtraction, ASingleBinShowsAtItsLogPositionWithItsFullAmplitude) {
  for (int bin : {20, 57, 100, 333, 400}) {
    Rig rig;
    rig.Store(Spike(bin, 9.0));
    const auto values = rig.Extract();
    const double f = BinHz(bin);
    for (int k = 0; k < POINTS; ++k) {
      // A point whose span lies more than one bin away sees nothing.
      if (PointLowHz(k + 1) < BinHz(bin - 1) || PointLowHz(k) > BinHz(bin + 2)) {
        EXPECT_EQ(values[k], 0.0f) << bin << " " << k;
      }
    }
    const int expected = static_cast<int>(std::log(f / 20.0) / std::log(1100.0) * POINTS);
    const auto top = std::max_element(values.begin(), values.end());
    EXPECT_NEAR(*top, 3.0f, 1e-5f) << bin;  // no peak is lost between points
    EXPECT_NEAR(static_cast<int>(top - values.begin()), expected, 1) << bin;
  }
}

TEST(FreqGraphExtraction, PointsInsideOneBinRiseSmoothlyInLogAmplitude) {
  Rig rig;
  std::vector<double> p(HALF + 1, 1.0);  // amplitude 1 ...
  for (int i = 2; i <= HALF; ++i) p[i] = 10000.0;  // ... then 100 from bin 2 on
  rig.Store(p);
  const auto values = rig.Extract();
  // The points below bin 2 (86 Hz) step through in between, strictly rising.
  int between = 0;
  for (int k = 1; k < POINTS && PointLowHz(k) < BinHz(3); ++k) {
    EXPECT_GE(values[k], values[k - 1]) << k;
    if (values[k] > 1.001f && values[k] < 99.9f) ++between;
  }
  EXPECT_GE(between, 2);
}

TEST(FreqGraphExtraction, EachBandResolutionFillsItsBandsWithTheBandsLargestPower) {
  for (int mode = CFreqGraph::kBandOctaves; mode < CFreqGraph::kNumBandResolutions; ++mode) {
    const auto& resolution = CFreqGraph::GetBandResolution(mode);
    // A flat spectrum: every point inside the bands at the amplitude, none outside.
    Rig rig;
    rig.graph.SetBandResolution(mode);
    rig.Store(Flat(16.0));
    auto values = rig.Extract();
    const auto table = CFreqGraph::GetBandTable(mode);
    const double lowest = table.empty() ? 0.0 : table.front();
    const double highest = table.empty() ? 1e9 : table.back();
    for (int k = 0; k < POINTS; ++k) {
      if (PointLowHz(k) >= lowest && PointLowHz(k + 1) <= highest) {
        EXPECT_NEAR(values[k], 4.0f, 1e-3f) << resolution.label << " " << k;
      }
      if (PointLowHz(k + 1) < lowest || PointLowHz(k) > highest) {
        EXPECT_EQ(values[k], 0.0f) << resolution.label << " " << k;
      }
    }
    EXPECT_GT(rig.graph.GetFirstBandWidth(), 0) << resolution.label;

    // A spike at 1 kHz lights its whole band and nothing beyond the band's edges.
    const int bin = static_cast<int>(std::lround(1000.0 / RATE * FFT_SIZE));
    double bandLow = 0, bandHigh = 0;
    if (resolution.ratio > 0.0f) {  // bands centred on A440 and its steps of the ratio
      const double n = std::round(std::log(BinHz(bin) / 440.0) / std::log(resolution.ratio));
      bandLow = 440.0 * std::pow(resolution.ratio, n - 0.5);
      bandHigh = 440.0 * std::pow(resolution.ratio, n + 0.5);
    } else {
      for (std::size_t j = 0; j + 1 < table.size(); ++j)
        if (table[j] <= BinHz(bin) && BinHz(bin) < table[j + 1]) bandLow = table[j], bandHigh = table[j + 1];
    }
    ASSERT_GT(bandHigh, bandLow) << resolution.label;
    rig.graph.SetBandResolution(mode);
    rig.Store(Spike(bin, 16.0));
    values = rig.Extract();
    int lit = 0;
    for (int k = 0; k < POINTS; ++k) {
      // One bin of slack on either side of the band edges.
      const bool inside = PointLowHz(k) >= bandLow + RATE / FFT_SIZE && PointLowHz(k + 1) <= bandHigh - RATE / FFT_SIZE;
      const bool outside = PointLowHz(k + 1) < bandLow - RATE / FFT_SIZE || PointLowHz(k) > bandHigh + RATE / FFT_SIZE;
      if (inside) {
        EXPECT_NEAR(values[k], 4.0f, 1e-3f) << resolution.label << " " << k;
      }
      if (outside) {
        EXPECT_EQ(values[k], 0.0f) << resolution.label << " " << k;
      }
      lit += values[k] > 0.0f;
    }
    EXPECT_GE(lit, 1) << resolution.label;
  }
}

TEST(FreqGraphExtraction, SubdividedScalesAreEvenOnTheirScale) {
  const auto barks = CFreqGraph::GetBandTable(CFreqGraph::kBandBarks);
  ASSERT_EQ(barks.size(), 25u);
  EXPECT_EQ(barks.front(), 100.0f);
  EXPECT_EQ(barks.back(), 20500.0f);
  auto bark = [](double f) { return 26.81 * f / (1960.0 + f) - 0.53; };
  auto mel = [](double f) { return 2595.0 * std::log10(1.0 + f / 700.0); };
  const auto thirds = CFreqGraph::GetBandTable(CFreqGraph::kBandBarkThirds);
  for (std::size_t j = 1; j < thirds.size(); ++j) EXPECT_NEAR(bark(thirds[j]) - bark(thirds[j - 1]), 1.0 / 3.0, 1e-3);
  const auto mels = CFreqGraph::GetBandTable(CFreqGraph::kBandMels);
  const auto melThirds = CFreqGraph::GetBandTable(CFreqGraph::kBandMelThirds);
  EXPECT_EQ(mels.size(), 34u);
  EXPECT_EQ(melThirds.size(), 3 * mels.size());
  for (std::size_t j = 1; j < mels.size(); ++j) EXPECT_NEAR(mel(mels[j]) - mel(mels[j - 1]), mel(mels[0]), 0.05);
  for (std::size_t j = 0; j < mels.size(); ++j) EXPECT_NEAR(mels[j], melThirds[3 * j + 2], 0.01 * mels[j]);
  EXPECT_GT(thirds.size(), 60u);
  EXPECT_LE(thirds.back(), 20500.0f);
  EXPECT_NEAR(mels.back(), 20500.0f, 1.0f);
}

TEST(FreqGraphSmoothing, RiseFallAveragingAndPeakHold) {
  Rig rig;
  // Without smoothing two extractions of the same data agree.
  rig.Store(Flat(4.0));
  const auto once = rig.Extract();
  rig.Store(Flat(4.0));
  EXPECT_EQ(rig.Extract(), once);

  // Rise 0.5, fall 0.75 against the previous value 2.
  rig.graph.SetSmoothing(0.5f, 0.75f);
  rig.Store(Flat(36.0));  // amplitude 6
  EXPECT_NEAR(rig.Extract(true)[5], 0.5f * 6 + 0.5f * 2, 1e-5f);
  rig.Store(Flat(0.0));
  EXPECT_NEAR(rig.Extract(true)[5], 0.75f * 4, 1e-5f);

  // Averaging: the k-th pass weighs its amplitude by 1/k, in both directions.
  rig.graph.SetAveraging(true);
  const float amplitudes[] = {3.0f, 9.0f, 1.0f, 7.0f};
  float sum = 0.0f;
  for (int k = 0; k < 4; ++k) {
    rig.Store(Flat(amplitudes[k] * amplitudes[k]));
    sum += amplitudes[k];
    EXPECT_NEAR(rig.Extract(true)[5], sum / (k + 1), 1e-4f) << k;
  }
  rig.graph.SetAveraging(false);

  // Peaks hold for the hold time, then follow the curve down.
  rig.graph.SetSmoothing(0.0f, 0.0f);
  rig.graph.SetPeakHoldTime(100);
  rig.graph.ClearGraphPeaks(0);
  rig.Store(Flat(25.0));
  rig.Extract();
  g_nNow += 50;
  rig.Store(Flat(1.0));
  rig.Extract();
  EXPECT_NEAR(rig.graph.GetPeaks(0)[5], 5.0f, 1e-5f);
  g_nNow += 60;
  rig.Store(Flat(4.0));
  rig.Extract();
  EXPECT_NEAR(rig.graph.GetPeaks(0)[5], 2.0f, 1e-5f);
  rig.graph.ClearGraphPeaks(0);
  EXPECT_EQ(rig.graph.GetPeaks(0)[5], 0.0f);
}

TEST(FreqGraphFreeze, AFrozenDisplayShowsItsPrivateCopyOnlyWhenForced) {
  Rig rig;
  rig.Store(Flat(4.0));
  rig.graph.SetFreezeDisplay(true);
  rig.Store(Flat(100.0));  // the live store moves on
  EXPECT_EQ(rig.Extract()[5], 0.0f);  // not forced: nothing happens
  rig.graph.ExtractGraphFromDataStore(0, false, false, true);
  EXPECT_NEAR(rig.graph.GetValues(0)[5], 2.0f, 1e-5f);
  rig.graph.SetForceExtract(true);
  EXPECT_NEAR(rig.Extract()[5], 2.0f, 1e-5f);
  rig.graph.SetForceExtract(false);

  rig.graph.SetFreezeDisplay(false);
  EXPECT_NEAR(rig.Extract()[5], 10.0f, 1e-5f);
}

TEST(FreqGraphSilence, AnEffectSilentForHalfASecondClearsTheStoreAndTheCurve) {
  Rig rig;
  rig.Store(Flat(4.0));
  rig.graph.silent = true;
  for (float v : rig.Extract()) EXPECT_EQ(v, 0.0f);
  EXPECT_EQ(rig.store.PeekFront()[10], 0.0);

  // The effect's side: processing stamps the time, the query compares it.
  FakeHost host;
  ASpanora effect(host.Callback());
  EXPECT_FALSE(effect.HasProcessedAudioWithin(500, platform::GetTickCount()));
  std::vector<float> in(256, 0.1f), out(256);
  float* inputs[] = {in.data(), in.data()};
  float* outputs[] = {out.data(), out.data()};
  effect.processReplacing(inputs, outputs, 256);
  const std::uint32_t now = platform::GetTickCount();
  EXPECT_TRUE(effect.HasProcessedAudioWithin(500, now));
  EXPECT_TRUE(effect.HasProcessedAudioWithin(500, now - 5));  // stamped just after the caller's clock
  EXPECT_FALSE(effect.HasProcessedAudioWithin(500, now + 600));
}

TEST(FreqGraphAxis, FrequencyToXAndTheChromaticSnap) {
  Rig rig;
  EXPECT_EQ(rig.graph.FrequencyToX(20.0f), 0);
  EXPECT_NEAR(rig.graph.FrequencyToX(static_cast<float>(std::sqrt(20.0 * 22000.0))), 220, 1);
  EXPECT_NEAR(rig.graph.FrequencyToX(22000.0f), 440, 1);
  EXPECT_EQ(rig.graph.FrequencyToX(2000.0f), 289);  // 289.34
  rig.graph.SetFreqRange(100.0f, 10000.0f, true);
  EXPECT_EQ(rig.graph.FrequencyToX(3000.0f), 324);  // 324.97
  EXPECT_EQ(rig.graph.FrequencyToX(50.0f), -66);

  EXPECT_EQ(rig.graph.SnapFrequency(450.0f), 450.0f);  // only in "Chromatic"
  rig.graph.SetBandResolution(CFreqGraph::kBandChromatic);
  EXPECT_NEAR(rig.graph.SnapFrequency(450.0f), 440.0f, 1e-3f);
  EXPECT_NEAR(rig.graph.SnapFrequency(460.0f), 466.1638f, 1e-3f);
  EXPECT_NEAR(rig.graph.SnapFrequency(100.0f), 97.9989f, 1e-3f);  // G2, below A440
  EXPECT_NEAR(rig.graph.SnapFrequency(54.0f), 55.0f, 1e-3f);
  EXPECT_STREQ(CFreqGraph::GetBandResolution(CFreqGraph::kBandChromatic).label, "Chromatic");
}
