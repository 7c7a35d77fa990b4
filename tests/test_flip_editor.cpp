// The flip editor with the widener effect behind it and no display: a
// surface without a GL context lets the frame open and take synthetic
// events, so slots, tags, gestures, deadlines and faces are tested as the
// host drives them (events, then idle).
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "Helpers/DerivedControls.h"
#include "platform/Clock.h"
#include "tests/support/FakeHost.h"
#include "tests/support/TestFlipEditor.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CFrame.h"
#include "widener/ASpanora.h"

using namespace VSTGUI;

namespace {

CPoint Centre(const CRect& r) { return CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2); }

class FlipEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    effect = std::make_unique<ASpanora>(host.Callback());
    editor = OpenTestFlipEditor(*effect);
    ASSERT_NE(editor, nullptr);
  }
  void TearDown() override {
    if (editor) editor->close();
    effect.reset();  // deletes the editor
  }
  CFrame* Frame() const { return editor->getFrame(); }
  // Lets a requested face change fall due, then runs the host's idle.
  void IdleAfterDelay() {
    platform::SleepMs(FlipEditor::FACE_CHANGE_DELAY_MS + 15);
    editor->idle();
  }
  void Click(const CPoint& p) { ClickAt(Frame(), p.h, p.v); }

  FakeHost host;
  std::unique_ptr<ASpanora> effect;
  CTestFlipEditor* editor = nullptr;
};

// Loading each image once: the widener window test runs out of slots otherwise.
TEST_F(FlipEditorTest, CloseReleasesEverySlotAndImageForTheNextOpen) {
  ASSERT_GT(editor->GetGenericBitmapsAdded(), 0);
  editor->close();
  EXPECT_EQ(editor->GetGenericBitmapsAdded(), 0);
  EXPECT_EQ(editor->GetGenericControlsAdded(), 0);
}

// Host changes reaching the controls: the hand-over test below and the window test.
TEST_F(FlipEditorTest, AClosedEditorIgnoresParameterCalls) {
  editor->close();
  editor->hookCalls.clear();
  editor->setParameter(CTestFlipEditor::KNOB_TAG, 0.5f);
  EXPECT_TRUE(editor->hookCalls.empty());
}

// Persistent and transient values on the options page: the window test.
TEST_F(FlipEditorTest, AControlOnAParameterTakesItsValueAndTheProgramsDefault) {
  effect->setParameter(3, 1.0f);
  auto* control = new CControl(CRect(0, 0, 1, 1), editor);
  editor->AddControl(control, 3, true);
  EXPECT_EQ(control->getValue(), 1.0f);
  EXPECT_EQ(control->getDefaultValue(), effect->GetDefaultProgram().values[3]);
}

// Edits, undo, A/B, typing and the preset browser: the window test.
TEST_F(FlipEditorTest, StepButtonsWrapAndTheNameFieldFollowsTheProgram) {
  char current[64] = {};
  effect->setProgram(0);
  editor->idle();
  // Previous from the first program wraps to the last.
  Click(CPoint(CTestFlipEditor::PREV_POS.h + 10, CTestFlipEditor::PREV_POS.v + 10));
  EXPECT_EQ(effect->getProgram(), NUM_PROGRAMS - 1);
  Click(CPoint(CTestFlipEditor::NEXT_POS.h + 10, CTestFlipEditor::NEXT_POS.v + 10));
  EXPECT_EQ(effect->getProgram(), 0);
  editor->idle();
  effect->getProgramName(current);
  EXPECT_STREQ(editor->NameEdit()->getText(), current);
}

// The flip after its delay and the pages' buttons: the window test. Here
// what the screen cannot tell: the dimmed front controls take no mouse.
TEST_F(FlipEditorTest, TheDimmedFrontUnderTheBackTakesNoMouse) {
  Click(Centre(CTestFlipEditor::TITLE_RECT));
  IdleAfterDelay();
  ASSERT_FALSE(editor->IsFrontShowing());
  const float knobValue = effect->getParameter(CTestFlipEditor::KNOB_TAG);
  const CPoint knob(CTestFlipEditor::KNOB_POS.h + 16, CTestFlipEditor::KNOB_POS.v + 16);
  PressAt(Frame(), knob.h, knob.v);
  MoveTo(Frame(), knob.h, knob.v - 30);
  ReleaseAt(Frame(), knob.h, knob.v - 30);
  EXPECT_EQ(effect->getParameter(CTestFlipEditor::KNOB_TAG), knobValue);
}

TEST_F(FlipEditorTest, FlipsAndRebuildsWaitWhileAGestureIsOpen) {
  editor->beginEdit(CTestFlipEditor::KNOB_TAG);
  Click(Centre(CTestFlipEditor::TITLE_RECT));
  IdleAfterDelay();
  IdleAfterDelay();
  EXPECT_TRUE(editor->IsFrontShowing());
  const int builds = editor->frontBuilds;
  editor->endEdit(CTestFlipEditor::KNOB_TAG);
  editor->idle();
  EXPECT_FALSE(editor->IsFrontShowing());
  // The front controls stay, dimmed, under the back panel.
  EXPECT_EQ(editor->frontBuilds, builds + 1);
}

// Clicking "Profiling Info" on and seeing its lines: the window test.
TEST_F(FlipEditorTest, TheOptionsPageSettingsTakeEffect) {
  // The profiling lines show the effect's own figures once a second of audio
  // has run; while they are off the audio path does not time itself.
  effect->setSampleRate(48000.0f);
  std::vector<float> left(100), right(100);
  float* io[2] = {left.data(), right.data()};
  for (int block = 0; block < 481; ++block) effect->processReplacing(io, io, 100);
  EXPECT_EQ(editor->GetProcessProfile().maxMs, 0.0);
  effect->setParameter(TRANSIENT_PARAM_BASE, 1.0f);  // "ProfilingInfo"
  for (int block = 0; block < 481; ++block) effect->processReplacing(io, io, 100);
  const FlipEditor::SProcessProfile profile = editor->GetProcessProfile();
  EXPECT_GT(profile.averageMs, 0.0);
  EXPECT_GE(profile.maxMs, profile.averageMs);
  EXPECT_EQ(profile.blockSize, 100);

  // "Cache Textures" takes effect when the editor opens again.
  const bool cached = CBitmap::GetCacheTextures();
  effect->setParameter(PERSISTENT_PARAM_BASE, cached ? 0.0f : 1.0f);
  EXPECT_EQ(CBitmap::GetCacheTextures(), cached);
  editor->close();
  ASSERT_TRUE(editor->open(std::make_unique<CNullSurface>(500, 440)));
  EXPECT_EQ(CBitmap::GetCacheTextures(), !cached);
  effect->setParameter(PERSISTENT_PARAM_BASE, 1.0f);
  editor->close();
  ASSERT_TRUE(editor->open(std::make_unique<CNullSurface>(500, 440)));
  EXPECT_TRUE(CBitmap::GetCacheTextures());
}

class IdleCountingEffect : public KivEffect {
 public:
  explicit IdleCountingEffect(vst::HostCallback host) : KivEffect(host, 2, 2) { FinishConstruction(); }
  ~IdleCountingEffect() override { BeginDestruction(); }
  void processReplacing(float**, float**, std::int32_t) override {}
  void ParameterChanged(int) override {}
  void OnIdle() override {
    ++passes;
    if (GetIdleSource() != FlipEditor::EDITOR_IDLE_SOURCE) ++otherSources;
  }
  std::atomic<int> passes{0};
  std::atomic<int> otherSources{0};
};

TEST(FlipEditorIdle, WhileOpenTheEditorDrivesTheEffectsIdleAtMostEvery100Ms) {
  FakeHost host;
  IdleCountingEffect effect(host.Callback());
  CTestFlipEditor* editor = OpenTestFlipEditor(effect);
  ASSERT_NE(editor, nullptr);
  platform::SleepMs(20);  // a worker pass begun before the open ends
  const int workerPasses = effect.otherSources.load();
  platform::SleepMs(300);  // the worker would idle in this time; it leaves that to the editor
  const int before = effect.passes.load();
  EXPECT_EQ(effect.otherSources.load(), workerPasses);
  const std::uint32_t start = platform::GetTickCount();
  const int innerBefore = editor->idleInnerCalls;
  while (platform::TicksBetween(start, platform::GetTickCount()) < 350) {
    editor->idle();
    platform::SleepMs(2);
  }
  const std::uint32_t elapsed = platform::TicksBetween(start, platform::GetTickCount());
  const int passes = effect.passes.load() - before;
  EXPECT_GE(passes, 1);
  EXPECT_LE(static_cast<std::uint32_t>(passes), elapsed / FlipEditor::EFFECT_IDLE_INTERVAL_MS + 1);
  EXPECT_EQ(effect.otherSources.load(), workerPasses);
  // IdleInner is throttled to the idle interval.
  const int inner = editor->idleInnerCalls - innerBefore;
  EXPECT_GE(inner, 1);
  EXPECT_LE(static_cast<std::uint32_t>(inner), elapsed / FlipEditor::GetIdleInterval() + 1);
  editor->close();  // the effect deletes the editor after stopping its worker
}

TEST_F(FlipEditorTest, HostParameterCallsWhileTheEditorIdlesOnAnotherThread) {
  std::atomic<bool> stop{false};
  std::thread automation([&] {
    for (int i = 0; !stop.load(); ++i) {
      effect->setParameter(CTestFlipEditor::KNOB_TAG, static_cast<float>(i % 100) / 100.0f);
      effect->setParameter(CTestFlipEditor::SECOND_KNOB_TAG, static_cast<float>(i % 7) / 7.0f);
    }
  });
  for (int i = 0; i < 200; ++i) editor->idle();
  stop.store(true);
  automation.join();
  effect->setParameter(CTestFlipEditor::KNOB_TAG, 0.5f);
  editor->idle();
  EXPECT_FLOAT_EQ(editor->GetGenericControl(0)->getValue(), 0.5f);
}

}  // namespace
