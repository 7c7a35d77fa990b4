// The widener's editor on an offscreen GL surface over a real effect: how
// the display state reaches the face (phase knob, meters and peak read-out,
// auto-level countdown, read-out area, rebuild on "Analysis", the copy
// button's images, the back title). The arithmetic of that state is tested
// in test_widener_face; the controls' places, clicks and "Dynamics" through a
// real window in test_widener_window.
#include <gtest/gtest.h>

#include <memory>

#include "platform/Clock.h"
#include "platform/GLSurface.h"
#include "tests/support/FakeHost.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CFrame.h"
#include "vstgui/CKnob.h"
#include "widener/ASpanora.h"
#include "widener/SpanoraEditor.h"
#include "widener/SpanoraParameters.h"

using namespace VSTGUI;
using namespace spanora;

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

TEST_F(WidenerEditorTest, PhaseKnobSetsInvertAndShiftAndFollowsThem) {
  CAnimKnob* knob = m_pEditor->GetPhaseKnob();
  ASSERT_NE(knob, nullptr);
  knob->setValue(1.0f / 101.0f);
  m_pEditor->valueChanged(knob);
  EXPECT_EQ(m_pEffect->getParameter(PARAM_INVERT), 0.0f);
  EXPECT_FLOAT_EQ(m_pEffect->getParameter(PARAM_SHIFT), 0.01f);
  EXPECT_EQ(m_pEditor->GetLastTouchedTag(), PARAM_SHIFT);
  m_pEffect->setParameter(PARAM_SHIFT, 0.5f);
  m_pEditor->UpdatePhaseShiftAndInvertKnob();
  EXPECT_EQ(knob->getFrameIndex(), 50);
}

TEST_F(WidenerEditorTest, MetersFallAndAClickOnOneShowsItsHeldPeak) {
  m_pEditor->UpdateLevelMeters(0.9f, 0.6f);
  m_pEditor->UpdateLevelMeters(0.2f, 0.1f);
  EXPECT_NEAR(m_pEditor->GetMeterKnob(0)->getValue(), 0.85f, 1e-6f);
  EXPECT_NEAR(m_pEditor->GetMeterKnob(1)->getValue(), 0.55f, 1e-6f);

  CControl* button = m_pEditor->GetMeterButton(0);
  button->setValue(1.0f);
  m_pEditor->valueChanged(button);
  EXPECT_EQ(m_pEditor->GetLastTouchedTag(), TAG_INPUT_PEAK);
  m_pEditor->ForceCallIdleInner();
  g_nNow = 100000;
  m_pEditor->UpdateLevelMeters(0.5f, 0.9f);  // the input's -30 dB, not the output's
  g_nNow += 1100;
  m_pEditor->UpdateLevelMeters(0.25f, 0.9f);  // a second later: the current -45 dB
  EXPECT_TRUE(m_pEditor->GetReadoutLabel()->isVisible());
  EXPECT_EQ(m_pEditor->GetReadoutLabel()->getFrameIndex(), 31);
  CAnimKnob* strip = m_pEditor->GetReadoutValue(READOUT_KIND_PEAK);
  EXPECT_TRUE(strip->isVisible());
  EXPECT_EQ(strip->getFrameIndex(), 38);  // -45 dB on the 0.4 dB scale
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
