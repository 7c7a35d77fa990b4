// The frequency graphs. CFreqGraph's extraction against plain references:
// where each point and band sits in frequency, smoothing, averaging, peak
// hold, freezing, the silence clear and the log frequency axis. Then the
// widener's half-disc display built on it: geometry, where the analysis puts
// each frequency's sprite (a synthetic stereo signal fed through the
// analysis), the trail's recording cadence across a wrapping tick count, the
// handle drag arithmetic, the balance strip, and the overlay's handles over
// a real effect.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <tuple>
#include <vector>

#include "Helpers/FreqGraphs.h"
#include "Helpers/FrequencyDataStore.h"
#include "Helpers/Vst/AudioEffectX.h"
#include "platform/Clock.h"
#include "platform/GLSurface.h"
#include "tests/support/FakeHost.h"
#include "tests/support/TestFlipEditor.h"
#include "tests/support/TestSignals.h"
#include "vstgui/AEffGUIEditor.h"
#include "vstgui/CFrame.h"
#include "widener/ASpanora.h"
#include "widener/SpanoraAnalysis.h"
#include "widener/SpanoraBalanceGraph.h"
#include "widener/SpanoraGraph.h"
#include "widener/SpanoraGraphGeometry.h"
#include "widener/SpanoraGraphOverlay.h"

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

// ---- The half-disc display ------------------------------------------------------

using namespace spanora_graph;

namespace {

// The editor's placement of the graph and the overlay.
constexpr CRect GRAPH_RECT(56, 53, 584, 349);
constexpr CRect OVERLAY_RECT(56, 53, 584, 351);
constexpr int DEPTH = 176;

CPoint At(const CHalfDisc& disc, float u, float v) {
  const SPointF p = disc.Place(CHalfDisc::Angle(u), disc.Radius(v));
  return CPoint(static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y)));
}

// Broadband stereo material: left and right gains over shared noise.
void Feed(CSpanoraAnalysis& analysis, float left, float right, int frames = 8192) {
  const std::vector<float> noise = Noise(frames, 7);
  std::vector<float> l(noise), r(noise);
  for (float& x : l) x *= left;
  for (float& x : r) x *= right;
  analysis.Feed(l.data(), r.data(), frames);
}

}  // namespace

TEST(SpanoraGraphGeometry, TheHalfDiscMapsAngleAndRadiusBothWays) {
  const CHalfDisc disc(GRAPH_RECT, DEPTH);
  EXPECT_EQ(disc.GetCentreX(), 320.0f);
  EXPECT_EQ(disc.Radius(0.0f), 120.0f);  // the band ends at the control's height
  EXPECT_EQ(disc.Radius(1.0f), 296.0f);
  const SPointF up = disc.Place(0.0f, 100.0f);
  EXPECT_FLOAT_EQ(up.x, 320.0f);
  EXPECT_FLOAT_EQ(up.y, 249.0f);
  const SPointF right = disc.Place(CHalfDisc::Angle(1.0f), 200.0f);  // 60 degrees right
  EXPECT_NEAR(right.x, 320.0f + 173.2f, 0.1f);
  EXPECT_NEAR(right.y, 349.0f - 100.0f, 0.1f);

  for (float u : {-1.0f, -0.4f, 0.0f, 0.3f, 1.0f}) {
    for (float v : {0.0f, 0.25f, 0.8f, 1.0f}) {
      EXPECT_NEAR(disc.AngleAt(At(disc, u, v)), u, 0.01f) << u << " " << v;
      EXPECT_NEAR(disc.RadiusAt(At(disc, u, v)), v, 0.01f) << u << " " << v;
    }
  }
  EXPECT_EQ(disc.AngleAt(CPoint(100, 349)), 0.0f);  // on or below the bottom edge
  EXPECT_EQ(disc.AngleAt(CPoint(-500, 348)), -1.0f);  // clamped
  EXPECT_EQ(disc.RadiusAt(CPoint(320, 0)), 1.0f);
  // The dead zone: within half the inner radius of the origin.
  EXPECT_TRUE(disc.InDeadZone(CPoint(320, 349 - 59)));
  EXPECT_FALSE(disc.InDeadZone(CPoint(320, 349 - 61)));
}

TEST(SpanoraGraphTrail, SpritePlacementFollowsTheBalanceOfEachPoint) {
  // Equal curves and fully panned ones: through the analysis, below.
  const float s = 16.0f, cx = 320.0f;
  // Quieter than the threshold: centred, whatever the balance.
  STrailSprite sprite = PlaceTrailSprite(0.004f, 0.0f, 0.01f, s, cx);
  EXPECT_EQ(sprite.offset, 0.0f);
  EXPECT_EQ(sprite.halfSize, 0.0f);
  // Slightly louder left: grows on the centre line, then moves out at full size.
  const float full = 2 * s + cx - 13;
  sprite = PlaceTrailSprite(0.5f + 0.5f * 10.0f / full, 0.5f - 0.5f * 10.0f / full, 0.01f, s, cx);
  EXPECT_FLOAT_EQ(sprite.offset, 0.0f);
  EXPECT_NEAR(sprite.halfSize, 10.0f, 1e-3f);
  sprite = PlaceTrailSprite(0.5f + 0.5f * 100.0f / full, 0.5f - 0.5f * 100.0f / full, 0.01f, s, cx);
  EXPECT_NEAR(sprite.offset, -(100.0f - s), 1e-3f);
  EXPECT_FLOAT_EQ(sprite.halfSize, s);

  const std::vector<float> a(44, 0.0f), b(44, 0.0f);
  EXPECT_EQ(TrailThreshold(a, b), 0.001f);
  std::vector<float> loud(44, 0.0f);
  loud[7] = 8.8f;
  EXPECT_FLOAT_EQ(TrailThreshold(loud, b), 0.1f);  // half the loudest sum over 44 points
}

TEST(SpanoraGraphTrail, LayersAreRecordedEvery10MsAcrossATickWrap) {
  CTrailRing ring;
  std::uint32_t now = 0xFFFFFFFFu - 200u;
  int recorded = 0, longestGap = 0, sinceLast = 0;
  std::vector<int> layers;
  for (int step = 0; step < 500; ++step, ++now) {  // 1 ms steps through the wrap
    const int layer = ring.Advance(now);
    ++sinceLast;
    if (layer < 0) continue;
    layers.push_back(layer);
    longestGap = std::max(longestGap, sinceLast);
    sinceLast = 0;
    ++recorded;
  }
  EXPECT_GE(recorded, 48);
  EXPECT_LE(recorded, 50);
  EXPECT_LE(longestGap, 20);  // the wrap costs at most one extra interval
  for (std::size_t i = 0; i < layers.size(); ++i) EXPECT_EQ(layers[i], static_cast<int>(i % 10));

  // Age colouring: fresh layers at 255/1700, a layer "from the future" counts as fresh.
  EXPECT_FLOAT_EQ(CTrailRing::AgeScale(1000, 1000), 255.0f / 1700.0f);
  EXPECT_FLOAT_EQ(CTrailRing::AgeScale(1000, 1005), 255.0f / 1700.0f);
  EXPECT_FLOAT_EQ(CTrailRing::AgeScale(1000 + 10000, 1000), 229.0f / 1700.0f);
  EXPECT_EQ(CTrailRing::AgeScale(200000, 0), 0.0f);
}

TEST(SpanoraGraphOverlayDrag, HandlesSetWidthsAndBoundsWithTheLinkedPartnerFirst) {
  const CHalfDisc disc(OVERLAY_RECT, DEPTH);
  const SLinkOffsets none;
  // The IID width handle right of the centre line gives 0; left, its angle.
  SHandleDrag drag = ComputeHandleDrag(0, At(disc, 0.5f, 0.9f), disc, false, none);
  ASSERT_EQ(drag.count, 1);
  EXPECT_EQ(drag.changes[0].index, PARAM_IID_WIDTH);
  EXPECT_EQ(drag.changes[0].value, 0.0f);
  drag = ComputeHandleDrag(1, At(disc, -0.6f, 0.5f), disc, false, none);
  EXPECT_NEAR(drag.changes[0].value, 0.6f, 0.01f);
  // The ITD width handle left of the centre line gives 0.
  drag = ComputeHandleDrag(4, At(disc, -0.3f, 0.9f), disc, false, none);
  EXPECT_EQ(drag.changes[0].index, PARAM_ITD_WIDTH);
  EXPECT_EQ(drag.changes[0].value, 0.0f);
  drag = ComputeHandleDrag(5, At(disc, 0.7f, 0.2f), disc, false, none);
  EXPECT_NEAR(drag.changes[0].value, 0.7f, 0.01f);
  // Radius handles set their bound from the distance, whatever the angle.
  drag = ComputeHandleDrag(7, At(disc, -0.9f, 0.35f), disc, false, none);
  EXPECT_EQ(drag.changes[0].index, PARAM_ITD_LOW_BOUND);
  EXPECT_NEAR(drag.changes[0].value, 0.35f, 0.01f);
  drag = ComputeHandleDrag(8, At(disc, 0.0f, 0.75f), disc, true, none);
  ASSERT_EQ(drag.count, 1);  // the focus range has no partner
  EXPECT_EQ(drag.changes[0].index, PARAM_IID_FOCUS_UPPER);

  // Near the origin a width drag does nothing; a bound drag goes to 0.
  const CPoint nearOrigin(320, 351 - 30);
  EXPECT_EQ(ComputeHandleDrag(0, nearOrigin, disc, false, none).count, 0);
  drag = ComputeHandleDrag(2, nearOrigin, disc, false, none);
  ASSERT_EQ(drag.count, 1);
  EXPECT_EQ(drag.changes[0].value, 0.0f);

  // Linked, high-bound offset 0.2: IID High Bound to 0.1 sets ITD High Bound to 0, first.
  const SLinkOffsets offsets{0.3f, 0.2f, -0.1f};
  drag = ComputeHandleDrag(2, At(disc, -0.5f, 0.1f), disc, true, offsets);
  ASSERT_EQ(drag.count, 2);
  EXPECT_EQ(drag.changes[0].index, PARAM_ITD_HIGH_BOUND);
  EXPECT_EQ(drag.changes[0].value, 0.0f);
  EXPECT_EQ(drag.changes[1].index, PARAM_IID_HIGH_BOUND);
  EXPECT_NEAR(drag.changes[1].value, 0.1f, 0.01f);
  // The ITD width at 0.9 pulls the IID width to 1.2, clamped to 1.
  drag = ComputeHandleDrag(4, At(disc, 0.9f, 0.9f), disc, true, offsets);
  ASSERT_EQ(drag.count, 2);
  EXPECT_EQ(drag.changes[0].index, PARAM_IID_WIDTH);
  EXPECT_EQ(drag.changes[0].value, 1.0f);
  // The low bounds: ITD Low Bound = IID Low Bound + 0.1.
  drag = ComputeHandleDrag(3, At(disc, -0.2f, 0.5f), disc, true, offsets);
  EXPECT_EQ(drag.changes[0].index, PARAM_ITD_LOW_BOUND);
  EXPECT_NEAR(drag.changes[0].value, 0.6f, 0.01f);

  EXPECT_EQ(FocusBandCount(0.0f), 1);
  EXPECT_EQ(FocusBandCount(1.0f), 10);
  EXPECT_EQ(FocusBandCount(0.5f), 6);
}

TEST(SpanoraBalanceGraph, PeakHoldsMoveTheTrailAndTheSmoothedBar) {
  CSpanoraBalanceGraph strip(CRect(44, 405, 594, 428), nullptr);  // centre 319, 275 either side
  CControl companion(CRect(0, 0, 10, 10));
  strip.SetCompanion(&companion);

  strip.PushLevels(0.0f, 1.0f);  // right only
  EXPECT_EQ(strip.GetHistory(strip.GetHistoryIndex()), 594.0f);
  EXPECT_NEAR(strip.GetSmoothedPosition(), 319.0f * 0.99f + 594.0f * 0.00999999f, 1e-3f);
  strip.PushLevels(0.0f, 0.0f);  // both silent: the centre
  EXPECT_EQ(strip.GetHistory(strip.GetHistoryIndex()), 319.0f);
  strip.PushLevels(0.75f, 0.25f);  // louder left: half way to the left edge
  EXPECT_FLOAT_EQ(strip.GetHistory(strip.GetHistoryIndex()), 319.0f - 137.5f);
  for (int i = 0; i < 59; ++i) strip.PushLevels(1.0f, 1.0f);
  EXPECT_FLOAT_EQ(strip.GetHistory(strip.GetHistoryIndex() - 59), 319.0f - 137.5f);  // 60 entries, wrapping
  EXPECT_EQ(strip.GetHistoryIndex(), 62 % 60);
  for (int i = 0; i < 2000; ++i) strip.PushLevels(0.0f, 1.0f);
  EXPECT_NEAR(strip.GetSmoothedPosition(), 594.0f, 0.5f);
}

// The analysis path: a synthetic stereo signal through the widener's analysis
// filters and stores lands on the graph where its balance says.
TEST(SpanoraGraphAnalysis, FullLeftFullRightAndCentredSignalsLandWhereTheyShould) {
  FakeHost host;
  RateEffect effect(host.Callback());
  AEffGUIEditor editor(&effect, CRect(0, 0, 640, 440));
  struct Case {
    float left, right;
    int side;  // -1 left, 0 centre line, +1 right
  };
  for (const Case& c : {Case{1.0f, 0.0f, -1}, Case{0.0f, 1.0f, 1}, Case{0.5f, 0.5f, 0}}) {
    CSpanoraAnalysis analysis;
    CSpanoraGraph graph(GRAPH_RECT, &editor, DEPTH, 4, CSpanoraGraph::SPRITE_BITMAP);
    ASSERT_EQ(graph.GetPointCount(), 44);
    graph.SetDataStore(0, &analysis.Store(0));
    graph.SetDataStore(1, &analysis.Store(1));
    Feed(analysis, c.left, c.right);
    graph.ExtractGraphFromDataStore(0, false, false, false);
    graph.ExtractGraphFromDataStore(1, false, false, false);
    const float threshold = TrailThreshold(graph.GetValues(0), graph.GetValues(1));
    const float s = graph.GetSpriteHalfSize();
    ASSERT_GE(s, 13.0f);  // fully panned sprites shrink to 13 pixels at the arc's end
    for (int k = 0; k < 43; ++k) {  // the top point lies past the analysed band
      const CSpanoraGraph::SSprite sprite = graph.ComputeSprite(k, threshold);
      const float radius = 296.0f - static_cast<float>(44 - k) * 4.0f;
      if (c.side == 0) {
        EXPECT_EQ(sprite.centre.x, 320.0f) << k;
        EXPECT_EQ(sprite.halfSize, 0.0f) << k;
        EXPECT_EQ(sprite.centre.y, 53.0f + std::trunc(296.0f - radius)) << k;
      } else {
        // At the arc's end: 60 degrees to the side, at the point's radius.
        EXPECT_NEAR(sprite.centre.x, std::trunc(320.0f + c.side * 0.8660254f * radius), 1.0f) << k;
        EXPECT_NEAR(sprite.centre.y, 53.0f + std::trunc(296.0f - 0.5f * radius), 1.0f) << k;
        EXPECT_FLOAT_EQ(sprite.halfSize, 13.0f) << k;
      }
    }
  }
}

// The overlay over a real effect: a drag on a handle is one gesture that
// reaches the host, with the linked partner set before the dragged handle.
TEST(SpanoraGraphOverlayEditor, DraggingHandlesSetsTheEffectsParametersLinkedPartnerFirst) {
  FakeHost host;
  auto effect = std::make_unique<ASpanora>(host.Callback());
  CTestFlipEditor* editor = OpenTestFlipEditor(*effect, std::make_unique<CNullSurface>(640, 440));
  ASSERT_NE(editor, nullptr);
  CFrame* frame = editor->getFrame();
  auto* overlay = new CSpanoraGraphOverlay(OVERLAY_RECT, editor, DEPTH);
  frame->addView(overlay);

  effect->setParameter(PARAM_IID_WIDTH, 0.5f);
  effect->setParameter(PARAM_ITD_WIDTH, 0.2f);
  effect->setParameter(PARAM_IID_HIGH_BOUND, 0.9f);
  effect->setParameter(PARAM_ITD_HIGH_BOUND, 0.7f);
  overlay->drawOGL();  // the first draw sets the points up from the parameters
  ASSERT_EQ(overlay->GetNumControlPoints(), NUM_HANDLES);
  const CHalfDisc& disc = overlay->GetDisc();
  // (The window test drags the IID width handle where its parameter puts it.)
  EXPECT_NEAR(overlay->GetControlPoint(6).y, At(disc, 0.2f, 0.7f).v, 2.0f);  // ITD High Bound

  // The drag arithmetic itself is covered above; here the overlay takes the
  // link offsets from the effect (high bounds 0.9 - 0.7 = 0.2): IID High
  // Bound dragged to 0.1 is one gesture that sets ITD High Bound to 0 first.
  effect->setParameter(PARAM_LINK_RANGES, 1.0f);
  overlay->drawOGL();
  const SControlPoint& high = overlay->GetControlPoint(2);
  host.automated.clear();
  host.beginEdits.clear();
  host.endEdits.clear();
  PressAt(frame, static_cast<int>(high.x), static_cast<int>(high.y));
  const CPoint low = At(disc, -0.8f, 0.1f);
  MoveTo(frame, low.h, low.v);
  ReleaseAt(frame, low.h, low.v);
  EXPECT_NEAR(effect->getParameter(PARAM_IID_HIGH_BOUND), 0.1f, 0.01f);
  EXPECT_EQ(host.beginEdits.size(), 1u);
  EXPECT_EQ(host.endEdits.size(), 1u);
  EXPECT_TRUE(overlay->TakeGraphChanged());
  EXPECT_FALSE(overlay->TakeGraphChanged());
  // The partner is set to 0 (clamped, not -0.1) before the dragged bound moves;
  // the effect then holds the ITD pair its 0.08 apart.
  const auto find = [&](int index, float value) {
    return std::find_if(host.automated.begin(), host.automated.end(), [&](const auto& change) {
      return change.first == index && std::fabs(change.second - value) < 0.01f;
    });
  };
  const auto partner = find(PARAM_ITD_HIGH_BOUND, 0.0f);
  const auto dragged = find(PARAM_IID_HIGH_BOUND, 0.1f);
  ASSERT_NE(partner, host.automated.end());
  ASSERT_NE(dragged, host.automated.end());
  EXPECT_LT(partner - host.automated.begin(), dragged - host.automated.begin());
  EXPECT_NEAR(effect->getParameter(PARAM_ITD_HIGH_BOUND), 0.08f, 1e-5f);

  editor->close();
  effect.reset();
}
