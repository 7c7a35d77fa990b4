// The frequency graph base as the width graph uses it (continuous extraction
// against plain references, silence), then the widener's half-disc display.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "Helpers/FreqGraphs.h"
#include "Helpers/FrequencyDataStore.h"
#include "Helpers/Vst/AudioEffectX.h"
#include "platform/Clock.h"
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

  Rig() { graph.SetDataStore(0, &store); }
  // Stores a block whose bin i has power power[i].
  void Store(const std::vector<double>& power) {
    std::vector<Complex<double>> spectrum(HALF + 1);
    for (int i = 0; i <= HALF; ++i) spectrum[i] = {std::sqrt(power[i]), 0.0};
    store.StoreValuesForGraph(spectrum.data(), HALF + 1);
  }
  std::vector<float> Extract() {
    graph.ExtractGraphFromDataStore(0, false, false, false);
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
  EXPECT_TRUE(effect.HasProcessedAudioWithin(500, now - 5));  // stamped just after the caller's clock
  EXPECT_FALSE(effect.HasProcessedAudioWithin(500, now + 600));
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

// Angle and radius inside the band: every handle drag below.
TEST(SpanoraGraphGeometry, TheHalfDiscClampsOutsideTheBandAndHasADeadZone) {
  const CHalfDisc disc(GRAPH_RECT, DEPTH);
  EXPECT_EQ(disc.AngleAt(CPoint(100, 349)), 0.0f);  // on or below the bottom edge
  EXPECT_EQ(disc.AngleAt(CPoint(-500, 348)), -1.0f);
  EXPECT_EQ(disc.RadiusAt(CPoint(320, 0)), 1.0f);
  // Within half the inner radius of the origin.
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

  // Age colouring across the wrap: a layer "from the future" counts as fresh.
  EXPECT_EQ(CTrailRing::AgeScale(1000, 1005), CTrailRing::AgeScale(1000, 1000));
  EXPECT_EQ(CTrailRing::AgeScale(200000, 0), 0.0f);
}

TEST(SpanoraGraphOverlayDrag, HandlesSetWidthsAndBoundsWithTheLinkedPartnerFirst) {
  const CHalfDisc disc(OVERLAY_RECT, DEPTH);
  const SLinkOffsets none, offsets{0.3f, 0.2f, -0.1f};
  const struct {
    int handle;
    float u, v;
    bool linked;
    int count, first;
    float value;  // of the first change
  } cases[] = {
      {0, 0.5f, 0.9f, false, 1, PARAM_IID_WIDTH, 0.0f},  // IID width right of the centre line: 0
      {1, -0.6f, 0.5f, false, 1, PARAM_IID_WIDTH, 0.6f},  // left: its angle
      {4, -0.3f, 0.9f, false, 1, PARAM_ITD_WIDTH, 0.0f},  // ITD width mirrored
      {7, -0.9f, 0.35f, false, 1, PARAM_ITD_LOW_BOUND, 0.35f},  // bounds from the distance only
      {8, 0.0f, 0.75f, true, 1, PARAM_IID_FOCUS_UPPER, 0.75f},  // the focus range has no partner
      // Linked: the partner first (the editor test drags a high bound).
      {4, 0.9f, 0.9f, true, 2, PARAM_IID_WIDTH, 1.0f},  // 0.9 + 0.3, clamped
      {3, -0.2f, 0.5f, true, 2, PARAM_ITD_LOW_BOUND, 0.6f},
  };
  for (const auto& c : cases) {
    const SHandleDrag drag = ComputeHandleDrag(c.handle, At(disc, c.u, c.v), disc, c.linked, c.linked ? offsets : none);
    ASSERT_EQ(drag.count, c.count) << c.handle;
    EXPECT_EQ(drag.changes[0].index, c.first) << c.handle;
    EXPECT_NEAR(drag.changes[0].value, c.value, 0.01f) << c.handle;
  }
  // Near the origin a width drag does nothing; a bound drag goes to 0.
  const CPoint nearOrigin(320, 351 - 30);
  EXPECT_EQ(ComputeHandleDrag(0, nearOrigin, disc, false, none).count, 0);
  const SHandleDrag bound = ComputeHandleDrag(2, nearOrigin, disc, false, none);
  ASSERT_EQ(bound.count, 1);
  EXPECT_EQ(bound.changes[0].value, 0.0f);
}

TEST(SpanoraBalanceGraph, EachLevelPairMovesTheTrailAndTheSmoothedBarFollows) {
  CSpanoraBalanceGraph strip(CRect(44, 405, 594, 428), nullptr);  // centre 319, 275 either side
  const struct {
    float left, right, position;
  } pushes[] = {{0.0f, 1.0f, 594.0f}, {0.0f, 0.0f, 319.0f}, {0.75f, 0.25f, 319.0f - 137.5f}};
  for (const auto& push : pushes) {
    strip.PushLevels(push.left, push.right);
    EXPECT_FLOAT_EQ(strip.GetHistory(strip.GetHistoryIndex()), push.position) << push.left << " " << push.right;
  }
  for (int i = 0; i < 59; ++i) strip.PushLevels(1.0f, 1.0f);
  EXPECT_FLOAT_EQ(strip.GetHistory(strip.GetHistoryIndex() - 59), 319.0f - 137.5f);  // 60 entries, wrapping
  for (int i = 0; i < 2000; ++i) strip.PushLevels(0.0f, 1.0f);
  EXPECT_NEAR(strip.GetSmoothedPosition(), 594.0f, 0.5f);
}

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

// A linked drag is one gesture whose partner change comes first: the order
// decides the effect's correction.
TEST(SpanoraGraphOverlayEditor, DraggingALinkedBoundIsOneGestureSettingItsPartnerFirst) {
  FakeHost host;
  ASpanora effect(host.Callback());
  CTestFlipEditor* editor = OpenTestFlipEditor(effect, std::make_unique<CNullSurface>(640, 440));
  ASSERT_NE(editor, nullptr);
  CFrame* frame = editor->getFrame();
  auto* overlay = new CSpanoraGraphOverlay(OVERLAY_RECT, editor, DEPTH);
  frame->addView(overlay);
  effect.setParameter(PARAM_IID_HIGH_BOUND, 0.9f);
  effect.setParameter(PARAM_ITD_HIGH_BOUND, 0.7f);
  effect.setParameter(PARAM_LINK_RANGES, 1.0f);
  overlay->drawOGL();  // the first draw sets the points and the link offsets up from the parameters
  ASSERT_EQ(overlay->GetNumControlPoints(), NUM_HANDLES);

  const SControlPoint& high = overlay->GetControlPoint(2);
  host.automated.clear();
  host.beginEdits.clear();
  host.endEdits.clear();
  PressAt(frame, static_cast<int>(high.x), static_cast<int>(high.y));
  const CPoint low = At(overlay->GetDisc(), -0.8f, 0.1f);
  MoveTo(frame, low.h, low.v);
  ReleaseAt(frame, low.h, low.v);
  EXPECT_NEAR(effect.getParameter(PARAM_IID_HIGH_BOUND), 0.1f, 0.01f);
  EXPECT_EQ(host.beginEdits.size(), 1u);
  EXPECT_EQ(host.endEdits.size(), 1u);
  EXPECT_TRUE(overlay->TakeGraphChanged());
  // The partner is set to 0 (clamped, not 0.1 - 0.2) before the dragged bound
  // moves; the effect then holds the ITD pair its 0.08 apart.
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
  EXPECT_NEAR(effect.getParameter(PARAM_ITD_HIGH_BOUND), 0.08f, 1e-5f);
  editor->close();
}
