// The widener face: layout against the drawn artwork, read-out strips against
// the parameter texts, the derived display state, and how that state reaches
// the editor offscreen. Clicks and "Dynamics": test_widener_window.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/GLSurface.h"
#include "resources/Resources.h"
#include "tests/support/FakeHost.h"
#include "tools/artgen/ReadoutTexts.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CFrame.h"
#include "vstgui/CKnob.h"
#include "vstgui/PngDecoder.h"
#include "widener/ASpanora.h"
#include "widener/SpanoraEditor.h"
#include "widener/SpanoraEditorLayout.h"
#include "widener/SpanoraFaceLogic.h"
#include "widener/SpanoraParameters.h"

using namespace spanora;

namespace {

struct SSize {
  int width = 0, height = 0;
};

SSize ImageSize(long id) {
  const resources::SResourceEntry* entry = resources::FindResource(static_cast<int>(id));
  if (!entry) return {};
  VSTGUI::SPixels pixels;
  std::string error;
  if (!VSTGUI::DecodePng(entry->data, entry->size, pixels, error)) return {};
  return {pixels.width, pixels.height};
}

struct SPlaced {
  std::string name;
  SRect rect;
  long bitmap;
  EFaceRole role;
};

// Images stacked in one file: knobs and state buttons by their frames,
// on/off and kick buttons two states.
int StackedImages(const SFaceControl& row) {
  if (row.eKind == EFaceControl::KNOB || row.eKind == EFaceControl::STATES) return row.nFrames;
  return row.eKind == EFaceControl::ON_OFF || row.eKind == EFaceControl::KICK ? 2 : 1;
}

void Place(const SFaceControl& row, int ox, int oy, long bitmap, std::vector<SPlaced>& out) {
  const std::string name = "bitmap " + std::to_string(bitmap) + " tag " + std::to_string(row.nTag);
  if (row.eKind == EFaceControl::SLIDER || row.eKind == EFaceControl::TEXT_EDIT) {
    out.push_back({name, {row.nX + ox, row.nY + oy, row.nRight + ox, row.nBottom + oy}, bitmap, row.eRole});
    return;
  }
  const SSize size = ImageSize(bitmap);
  const int height = size.height / StackedImages(row);
  out.push_back({name, {row.nX + ox, row.nY + oy, row.nX + ox + size.width, row.nY + oy + height}, bitmap, row.eRole});
  if (row.eRole == EFaceRole::INPUT_METER || row.eRole == EFaceRole::OUTPUT_METER) {
    const int left = row.nX + ox, top = row.nY + oy;
    out.push_back({"meter button", {left, top - 2, left + METER_BUTTON_WIDTH, top + height + 4}, 0, row.eRole});
  }
}

// Every control of the face as the editor places it, for both states of "Dynamics".
std::vector<SPlaced> PlacedFace(bool dynamicsOn) {
  std::vector<SPlaced> placed;
  for (const SFaceControl& row : TopStripControls()) Place(row, 0, 0, row.nBitmap, placed);
  for (const SFaceControl& row : FaceControls()) {
    const bool alt = row.eRole == EFaceRole::PLAIN && row.nBitmapAlt >= 0 && dynamicsOn;
    Place(row, FACE_ORIGIN_X, FACE_ORIGIN_Y, alt ? row.nBitmapAlt : row.nBitmap, placed);
  }
  return placed;
}

bool Overlap(const SRect& a, const SRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Pixels of `r` inside the half-disc band the width graph draws into.
int PixelsInDisplayBand(const SRect& r) {
  int inside = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      const double dx = x + 0.5 - 320.0, dy = 349.0 - (y + 0.5), radius = std::hypot(dx, dy);
      inside += dy > 0 && radius >= 120.0 && radius <= 296.0 && std::atan2(std::fabs(dx), dy) <= M_PI / 3;
    }
  }
  return inside;
}

}  // namespace

// ---- Layout against the artwork --------------------------------------------

TEST(WidenerFaceLayout, EveryImageExistsAndHoldsWholeFrames) {
  for (std::span<const SFaceControl> table : {TopStripControls(), FaceControls()}) {
    for (const SFaceControl& row : table) {
      for (long id : {row.nBitmap, row.nBitmapAlt}) {
        if (id < 0) continue;
        const SSize size = ImageSize(id);
        ASSERT_GT(size.width, 0) << "image " << id << " is missing or damaged";
        EXPECT_EQ(size.height % StackedImages(row), 0) << "image " << id << " does not hold whole frames";
      }
    }
  }
  for (long id : {BACKGROUND_BITMAP, BACK_TITLE_BITMAP, GRAPH_SPRITE_BITMAP, BALANCE_COMPANION_BITMAP, 267L, 268L, 269L}) {
    EXPECT_GT(ImageSize(id).width, 0) << "image " << id;
  }
  EXPECT_EQ(ImageSize(BALANCE_COMPANION_BITMAP).height % BALANCE_COMPANION_FRAMES, 0);
  // The sprite's size is the trail's half-size: square.
  EXPECT_EQ(ImageSize(GRAPH_SPRITE_BITMAP).width, ImageSize(GRAPH_SPRITE_BITMAP).height);
}

TEST(WidenerFaceLayout, ControlsFitTheFaceWithoutOverlapAndKeepOffTheDisplay) {
  const SSize face = ImageSize(BACKGROUND_BITMAP);
  for (bool dynamicsOn : {false, true}) {
    const std::vector<SPlaced> placed = PlacedFace(dynamicsOn);
    for (std::size_t i = 0; i < placed.size(); ++i) {
      const SPlaced& a = placed[i];
      EXPECT_TRUE(a.rect.left >= 0 && a.rect.top >= 0 && a.rect.right <= face.width && a.rect.bottom <= face.height)
          << a.name << " leaves the face";
      const bool readout = a.role == EFaceRole::READOUT_LABEL || a.role == EFaceRole::READOUT_VALUE;
      EXPECT_FALSE(readout && Overlap(a.rect, BALANCE_STRIP_RECT)) << a.name << " overlaps the balance strip";
      // The top bar lies under the top strip's controls by design.
      if (a.bitmap == 271) continue;
      // No control hides part of the half-disc band (the width gauge sits in
      // its hole); the Acuity knob's fixed corner lies just inside the band's
      // right edge, so it may reach in by a few pixels.
      const int area = (a.rect.right - a.rect.left) * (a.rect.bottom - a.rect.top);
      EXPECT_LE(PixelsInDisplayBand(a.rect), a.bitmap == 270 ? area / 2 : 0) << a.name << " covers the display";
      for (std::size_t j = i + 1; j < placed.size(); ++j) {
        const SPlaced& b = placed[j];
        if (b.bitmap == 271) continue;
        // The read-out strips share one place; the meter buttons lie over their meters.
        if (a.role == EFaceRole::READOUT_VALUE && b.role == EFaceRole::READOUT_VALUE) continue;
        if (a.role == b.role && (a.role == EFaceRole::INPUT_METER || a.role == EFaceRole::OUTPUT_METER)) continue;
        EXPECT_FALSE(Overlap(a.rect, b.rect)) << a.name << " overlaps " << b.name;
      }
    }
  }
}

// ---- Read-out strips against the parameter texts ----------------------------

// A strip missing for a kind fails the editor's read-out test.
TEST(WidenerFaceReadout, TableCoversEveryLabelOnce) {
  std::map<int, int> labels;
  for (const SReadoutRow& row : ReadoutRows()) {
    ++labels[row.nLabelFrame];
    EXPECT_STRNE(artgen::ReadoutLabel(row.nLabelFrame), "");
  }
  EXPECT_EQ(labels.size(), static_cast<std::size_t>(READOUT_LABEL_FRAMES));
}

TEST(WidenerFaceReadout, FrequencyStripShowsTheParameterTextOfItsStep) {
  // Every frame the read-out can land on shows the host's text of that frequency...
  for (int frame = 0; frame < READOUT_FREQUENCY_FRAMES; ++frame) {
    const float hz = static_cast<float>(artgen::FrequencyOfFrame(frame));
    EXPECT_EQ(artgen::FrequencyFrameText(frame), FrequencyString(hz, FREQUENCY_FORMAT_DEFAULT)) << frame;
  }
  // ...and a parameter value lands on the step at or below its frequency.
  for (float v = 0.0f; v <= 1.0f; v += 0.01f) {
    const float hz = RangeToFrequency(v);
    const int frame = static_cast<int>(FrequencyReadoutValue(hz) * (READOUT_FREQUENCY_FRAMES - 1) + 0.5f);
    const double shown = artgen::FrequencyOfFrame(frame);
    EXPECT_LE(shown, hz + 0.01) << v;
    EXPECT_GT(shown + (shown < 1000.0 ? 10.0 : 100.0), hz - 0.01) << v;
  }
}

TEST(WidenerFaceReadout, BalanceAndPhaseStripsMatchTheParameterTexts) {
  for (int frame = 0; frame <= 200; ++frame) {
    const float v = frame / 200.0f;
    EXPECT_EQ(artgen::BalanceText(frame / 200.0), LRPanString(v)) << frame;
  }
  EXPECT_EQ(artgen::PhaseText(0), artgen::PhaseText(101));  // both ends invert
}

// ---- Derived display state --------------------------------------------------

TEST(WidenerFaceLogic, PhaseKnobFoldsInvertAndShift) {
  // Either end inverts with no shift.
  for (float v : {0.0f, 1.0f, 0.004f}) {
    EXPECT_EQ(PhaseFromKnob(v).invert, 1.0f) << v;
    EXPECT_EQ(PhaseFromKnob(v).shift, 0.0f) << v;
  }
  // One position in from either end: the smallest shift, and the largest (limited to 0.99).
  EXPECT_FLOAT_EQ(PhaseFromKnob(1.0f / 101).shift, 0.01f);
  EXPECT_FLOAT_EQ(PhaseFromKnob(100.0f / 101).shift, 0.99f);
  // Shown again, a shift lands on its own position.
  for (int position = 1; position <= 100; ++position) {
    const SPhaseSetting s = PhaseFromKnob(position / 101.0f);
    const float shown = PhaseKnobValue(s.invert, s.shift, 0.5f);
    EXPECT_EQ(static_cast<int>(shown * 101 + 0.5f), std::min(position, 99)) << position;
  }
  // With the invert on the knob stays at the end it is nearer.
  EXPECT_EQ(PhaseKnobValue(1.0f, 0.3f, 0.8f), 1.0f);
  EXPECT_EQ(PhaseKnobValue(1.0f, 0.3f, 0.2f), 0.0f);
}

TEST(WidenerFaceLogic, PeakHoldKeepsTheHighestForOneSecond) {
  CPeakHold hold;
  EXPECT_FLOAT_EQ(hold.Update(0.5f, 10000), -30.0f);    // first value is held at once
  EXPECT_FLOAT_EQ(hold.Update(0.25f, 10500), -30.0f);   // lower: kept
  EXPECT_FLOAT_EQ(hold.Update(0.75f, 10600), -15.0f);   // higher: replaces, restarts the second
  EXPECT_FLOAT_EQ(hold.Update(0.25f, 11600), -15.0f);   // exactly one second: still held
  EXPECT_FLOAT_EQ(hold.Update(0.25f, 11601), -45.0f);   // older: the current value
  hold.Clear();
  EXPECT_FLOAT_EQ(hold.Update(0.0f, 11602), -60.0f);
  // The tick counter wraps without freezing the hold.
  CPeakHold wrapped;
  wrapped.Update(0.9f, 0xFFFFFF00u);
  EXPECT_FLOAT_EQ(wrapped.Update(0.1f, 0x00000400u), -54.0f);
}

TEST(WidenerFaceLogic, SpriteIsPremultipliedByItsAlpha) {
  VSTGUI::SPixels pixels;
  pixels.width = pixels.stride = 2;
  pixels.height = pixels.rows = 1;
  pixels.rgba = {200, 100, 50, 128, 255, 255, 255, 0};
  PremultiplyAlpha(pixels);
  EXPECT_EQ(pixels.rgba, (std::vector<std::uint8_t>{100, 50, 25, 128, 0, 0, 0, 0}));
}

// ---- The editor over a real effect --------------------------------------------

using namespace VSTGUI;

namespace {

std::uint32_t g_nNow = 50000;
std::uint32_t FakeClock() { return g_nNow; }

// A control the face does not have, to touch parameters by tag.
class CProbe : public CControl {
 public:
  CProbe(long tag, float value) : CControl(CRect(0, 0, 1, 1), nullptr, tag) { setValue(value); }
  void drawOGL() override {}
};

class WidenerEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallSpanoraEditor();
    m_pEffect = std::make_unique<ASpanora>(m_Host.Callback());
    m_pEffect->SetAutoLevelClock(&FakeClock);
    m_pEditor = dynamic_cast<SpanoraEditor*>(m_pEffect->GetKivEditor());
    ASSERT_NE(m_pEditor, nullptr);
    m_pEditor->SetClock(&FakeClock);
    std::string error;
    auto surface = platform::CreateOffscreenSurface(640, 460, error);
    if (!surface) GTEST_SKIP() << "no offscreen GL: " << error;
    ASSERT_TRUE(m_pEditor->open(std::move(surface)));
  }
  void TearDown() override {
    if (m_pEditor && m_pEditor->IsEditorOpen()) m_pEditor->close();
  }

  // Idle steps as the host gives them, far enough apart for the editor's own work.
  void Idle(int steps = 2) {
    for (int i = 0; i < steps; ++i) {
      platform::SleepMs(FlipEditor::GetIdleInterval() + 2);
      m_pEditor->idle();
    }
  }

  void Touch(long tag, float value) {
    CProbe probe(tag, value);
    m_pEditor->valueChanged(&probe);
    m_pEditor->ForceCallIdleInner();
  }

  FakeHost m_Host;
  std::unique_ptr<ASpanora> m_pEffect;
  SpanoraEditor* m_pEditor = nullptr;
};

long BitmapOf(const CControl* control) {
  return control && control->getBackground() ? control->getBackground()->getResourceId() : -1;
}

}  // namespace

TEST_F(WidenerEditorTest, AnalysisAlwaysRebuildsAndWithoutItTheFaceHasNoGraph) {
  m_pEditor->setParameter(PARAM_DYNAMICS, m_pEffect->getParameter(PARAM_DYNAMICS));  // the same value: nothing
  EXPECT_FALSE(m_pEditor->IsRebuildPending());
  m_pEditor->setParameter(PARAM_ANALYSIS, m_pEffect->GetAnyParameter(PARAM_ANALYSIS));
  EXPECT_TRUE(m_pEditor->IsRebuildPending());
  ASSERT_NE(m_pEditor->GetGraph(), nullptr);
  ASSERT_NE(m_pEditor->GetBalanceStrip(), nullptr);
  m_pEffect->setParameter(PARAM_ANALYSIS, 0.0f);  // as host automation arrives
  Idle(3);
  EXPECT_FALSE(m_pEditor->IsRebuildPending());
  EXPECT_EQ(m_pEditor->GetGraph(), nullptr);
  EXPECT_EQ(m_pEditor->GetBalanceStrip(), nullptr);
  EXPECT_NE(m_pEditor->GetOverlay(), nullptr);
  EXPECT_NE(m_pEditor->GetPhaseKnob(), nullptr);  // the rebuilt face has its controls again
}

TEST_F(WidenerEditorTest, MetersFallAndAClickOnOneShowsItsHeldPeak) {
  m_pEditor->UpdateLevelMeters(0.9f, 0.6f);
  m_pEditor->UpdateLevelMeters(0.2f, 0.1f);
  EXPECT_NEAR(m_pEditor->GetMeterKnob(0)->getValue(), 0.85f, 1e-6f);
  EXPECT_NEAR(m_pEditor->GetMeterKnob(1)->getValue(), 0.55f, 1e-6f);
  for (int update = 0; update < 40; ++update) m_pEditor->UpdateLevelMeters(0.2f, 0.1f);
  EXPECT_FLOAT_EQ(m_pEditor->GetMeterKnob(0)->getValue(), 0.2f);  // rests at the level, not below

  CControl* button = m_pEditor->GetMeterButton(0);
  button->setValue(1.0f);
  m_pEditor->valueChanged(button);
  m_pEditor->ForceCallIdleInner();
  g_nNow = 100000;
  m_pEditor->UpdateLevelMeters(0.5f, 0.9f);  // the input's -30 dB, not the output's
  g_nNow += 1100;
  m_pEditor->UpdateLevelMeters(0.25f, 0.9f);  // a second later: the current -45 dB
  EXPECT_TRUE(m_pEditor->GetReadoutLabel()->isVisible());
  EXPECT_EQ(m_pEditor->GetReadoutLabel()->getFrameIndex(), 31);
  CAnimKnob* strip = m_pEditor->GetReadoutValue(READOUT_KIND_PEAK);
  EXPECT_TRUE(strip->isVisible());
  EXPECT_EQ(artgen::PeakText(strip->getFrameIndex()), "-44.8dB");  // -45 dB to the strip's 0.4 dB step
}

TEST_F(WidenerEditorTest, AutoLevelButtonCountsDownWhileMeasuring) {
  CControl* button = m_pEditor->GetAutoLevelButton();
  ASSERT_NE(button, nullptr);
  g_nNow = 200000;
  button->setValue(0.25f);  // state 1: start
  m_pEditor->valueChanged(button);
  EXPECT_TRUE(m_pEffect->IsAutoLevelRunning());
  m_pEditor->ForceCallIdleInner();
  EXPECT_EQ(button->getValue(), 1.0f);  // "3"
  g_nNow += 1200;
  m_pEditor->ForceCallIdleInner();
  EXPECT_EQ(button->getValue(), 0.75f);  // "2"
  g_nNow += 1000;
  m_pEditor->ForceCallIdleInner();
  EXPECT_EQ(button->getValue(), 0.5f);  // "1"
  g_nNow += 3000;
  m_pEditor->ForceCallIdleInner();
  EXPECT_EQ(button->getValue(), 0.5f);  // overdue: "1" until the result
}

TEST_F(WidenerEditorTest, ReadoutShowsTheLastTouchedParameterOrNothing) {
  Touch(PARAM_BALANCE, 0.75f);
  EXPECT_EQ(m_pEditor->GetReadoutLabel()->getFrameIndex(), 28);
  for (int kind = 0; kind < READOUT_KINDS; ++kind)
    EXPECT_EQ(m_pEditor->GetReadoutValue(kind)->isVisible(), kind == 4) << kind;
  EXPECT_EQ(m_pEditor->GetReadoutValue(4)->getFrameIndex(), 150);  // R50

  Touch(PARAM_SPLIT_DELAY_LPF, 0.5f);  // about 663 Hz: the 660 Hz step
  EXPECT_TRUE(m_pEditor->GetReadoutValue(READOUT_KIND_FREQUENCY)->isVisible());
  EXPECT_EQ(m_pEditor->GetReadoutValue(READOUT_KIND_FREQUENCY)->getFrameIndex(), 64);

  Touch(PARAM_DEPRECATED1, 1.0f);  // no read-out for it
  EXPECT_FALSE(m_pEditor->GetReadoutLabel()->isVisible());
  for (int kind = 0; kind < READOUT_KINDS; ++kind) EXPECT_FALSE(m_pEditor->GetReadoutValue(kind)->isVisible());
}

TEST_F(WidenerEditorTest, CopyButtonShowsTheDirectionOfTheActiveSet) {
  for (long image : {261, 263, 261}) {
    EXPECT_EQ(BitmapOf(m_pEditor->GetCopyButton()), image);
    m_pEffect->SwitchABProgram();
    m_pEditor->UpdateABControls();
  }
}

TEST_F(WidenerEditorTest, BackFaceCarriesTheTitleImage) {
  m_pEditor->GotoBackViewType(BACK_VIEW_ABOUT);
  platform::SleepMs(FlipEditor::FACE_CHANGE_DELAY_MS + 20);
  Idle(2);
  ASSERT_FALSE(m_pEditor->IsFrontShowing());
  int centredTitles = 0;
  for (int i = 0; i < m_pEditor->GetGenericControlsAdded(); ++i) {
    const CControl* c = m_pEditor->GetGenericControl(i);
    centredTitles += BitmapOf(c) == BACK_TITLE_BITMAP && c->getViewSize().left + c->getViewSize().width() / 2 == 320;
  }
  EXPECT_EQ(centredTitles, 1);
}
