// The view tree, the stock and the editor's own controls, driven by synthetic
// window events through a CFrame with no window and no GL.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Helpers/DerivedControls.h"
#include "Helpers/KivEditorInterface.h"
#include "Helpers/KivEffect.h"
#include "Helpers/MouseMoveAwayHook.h"
#include "Helpers/OwnerDrawControls.h"
#include "platform/Clock.h"
#include "tests/support/FakeHost.h"
#include "tests/support/FrameEvents.h"
#include "vstgui/AEffGUIEditor.h"
#include "vstgui/CButtons.h"
#include "vstgui/CFrame.h"
#include "vstgui/CKnob.h"
#include "vstgui/COptionMenu.h"
#include "vstgui/CSlider.h"
#include "vstgui/CTextEdit.h"

using namespace VSTGUI;

namespace {

constexpr KivPresetValue QUIET[] = {{0, 0.25f}, {1, 0.75f}, {-1, 0.0f}};
constexpr KivPresetValue LOUD[] = {{0, 1.0f}, {-1, 0.0f}};
constexpr KivPresetValue NONE[] = {{-1, 0.0f}};

// Two stored presets and three factory programs.
class BrowserEffect : public KivEffect {
 public:
  explicit BrowserEffect(vst::HostCallback host) : KivEffect(host, 2, 2) { FinishConstruction(); }
  ~BrowserEffect() override { BeginDestruction(); }
  void processReplacing(float**, float**, std::int32_t) override {}
  void ParameterChanged(int) override {}
  int CreateFactoryPrograms() override {
    AddProgram(KivPreset{"Stored Quiet", QUIET}, true);
    AddProgram(KivPreset{"Stored Loud", LOUD}, true);
    AddProgram(KivPreset{"Alpha", NONE}, false);
    AddProgram(KivPreset{"Beta", LOUD}, false);
    AddProgram(KivPreset{"Gamma", QUIET}, false);
    return 3;
  }
};

// Records every edit and passes it on as the editors do: set the parameter
// and tell the host.
struct RecordingListener : CControlListener {
  explicit RecordingListener(vst::AudioEffect& fx) : effect(fx) {}
  void valueChanged(CControl* control) override {
    values.push_back(control->getValue());
    if (control->getTag() >= 0 && control->getTag() < effect.getAeffect()->numParams)
      effect.setParameterAutomated(static_cast<std::int32_t>(control->getTag()), control->getValue());
  }
  vst::AudioEffect& effect;
  std::vector<float> values;
};

// Takes every modifier click, so controls must leave them alone.
struct ModifierTakingListener : RecordingListener, CModifierClickListener {
  using RecordingListener::RecordingListener;
  bool controlModifierClicked(CControl*, long) override { return ++taken, true; }
  int taken = 0;
};

class ViewFramework : public ::testing::Test {
 protected:
  ViewFramework()
      : effect(host.Callback()), editor(&effect, CRect(0, 0, 600, 400)), listener(effect),
        frame(CRect(0, 0, 600, 400), nullptr, &editor) {}

  CTextDrag* AddDrag(ETextDragType type, float min, float max, float value) {
    auto* drag = new CTextDrag(CRect(10, 100, 110, 120), &listener, 1, 0.0f, type);
    drag->setMin(min);
    drag->setMax(max);
    drag->SetFormat("%.2f");
    drag->setValue(value);
    frame.addView(drag);
    return drag;
  }

  FakeHost host;
  BrowserEffect effect;
  AEffGUIEditor editor;
  RecordingListener listener;
  CFrame frame;
};

}  // namespace

TEST_F(ViewFramework, KnobDragIsFinerWithShiftAndControlClickResets) {
  auto* knob = new CKnob(CRect(10, 10, 50, 50), &listener, 2);
  knob->setZoomFactor(5.0f);
  knob->setDefaultValue(0.25f);
  knob->setValue(0.2f);
  frame.addView(knob);

  PressAt(&frame, 30, 30);
  MoveTo(&frame, 30, -70);  // 100 pixels up: half the range
  EXPECT_FLOAT_EQ(knob->getValue(), 0.7f);
  MoveTo(&frame, 30, -70, platform::kShiftKey);  // Shift re-anchors: no jump
  EXPECT_FLOAT_EQ(knob->getValue(), 0.7f);
  MoveTo(&frame, 80, -70, platform::kShiftKey);  // 50 pixels right, five times finer
  EXPECT_NEAR(knob->getValue(), 0.75f, 1e-6);
  ReleaseAt(&frame, 80, -70);

  PressAt(&frame, 30, 30, platform::kControlKey);
  EXPECT_FLOAT_EQ(knob->getValue(), 0.25f);
  ReleaseAt(&frame, 30, 30);
  WheelAt(&frame, 30, 30, -1.0f);
  EXPECT_FLOAT_EQ(knob->getValue(), 0.15f);
  EXPECT_EQ(host.beginEdits.size(), host.endEdits.size());
}

TEST_F(ViewFramework, SliderHandleCentreJumpsToThePointerAndFollowsIt) {
  // Drawn handle 8 pixels long, leading edge from x = 0 (value 0) to x = 100 (value 1).
  auto* slider = new CHorizontalSlider(CRect(0, 0, 108, 10), &listener, 1, 0, 100, nullptr, nullptr);
  slider->setZoomFactor(5.0f);
  frame.addView(slider);
  PressAt(&frame, 54, 5);  // beside the handle: its centre jumps to the pointer
  EXPECT_FLOAT_EQ(slider->getValue(), 0.5f);
  MoveTo(&frame, 79, 5);
  EXPECT_FLOAT_EQ(slider->getValue(), 0.75f);
  ReleaseAt(&frame, 79, 5);
}

// Hit testing itself is left to the widener window's clicks and the overlay drag.
TEST_F(ViewFramework, AModalViewTakesEveryClick) {
  auto* below = new COnOffButton(CRect(0, 0, 100, 100), &listener, 0, nullptr);
  auto* modal = new COnOffButton(CRect(50, 50, 150, 150), &listener, 1, nullptr);
  frame.addView(below);
  frame.addView(modal);
  frame.setModalView(modal);
  PressAt(&frame, 25, 25);  // outside the modal view: nobody
  EXPECT_EQ(below->getValue(), 0.0f);
  frame.setModalView(nullptr);
  PressAt(&frame, 25, 25);
  EXPECT_EQ(below->getValue(), 1.0f);
}

namespace {
class HoverControl : public CControl, public CMouseMoveAwayHook {
 public:
  using CControl::CControl;
  void mouseMove(CDrawContext*, CPoint&, long) override { SetCursorAndRegister(this, kCursorHand, true); }
  void MouseMovedAway(CDrawContext*) override { ++awayCount; }
  int awayCount = 0;
};
}  // namespace

TEST_F(ViewFramework, MouseAwayHookHearsOfLeavingOnlyWhenTheMouseReallyLeft) {
  auto* a = new HoverControl(CRect(0, 0, 50, 50));
  auto* b = new HoverControl(CRect(60, 0, 110, 50));
  frame.addView(a);
  frame.addView(b);
  HoverAt(&frame, 10, 10);
  HoverAt(&frame, 20, 20);  // within a: it registers again
  EXPECT_EQ(a->awayCount, 0);
  EXPECT_EQ(frame.getCursor(), kCursorHand);
  HoverAt(&frame, 70, 10);  // to b
  EXPECT_EQ(a->awayCount, 1);
  EXPECT_EQ(b->awayCount, 0);
  HoverAt(&frame, 200, 200);  // to nothing: the cursor goes back to the arrow
  EXPECT_EQ(b->awayCount, 1);
  EXPECT_EQ(frame.getCursor(), kCursorDefault);

  HoverAt(&frame, 70, 10);
  frame.removeView(b);  // a deleted hook is forgotten, not called
  EXPECT_EQ(CMouseMoveAwayHook::GetCurrentHook(), nullptr);
  HoverAt(&frame, 10, 10);
  EXPECT_EQ(CMouseMoveAwayHook::GetCurrentHook(), static_cast<CMouseMoveAwayHook*>(a));
  LeaveFrame(&frame);
  EXPECT_EQ(a->awayCount, 2);
}

TEST_F(ViewFramework, TextEditTypesCommitsOnReturnAndRestoresOnEscape) {
  auto* edit = new CTextEdit(CRect(0, 0, 200, 20), &listener, 9999, "Init");
  frame.addView(edit);
  PressAt(&frame, 190, 10);  // focus, caret at the end
  PressKey(&frame, platform::EKey::BackSpace);
  PressKey(&frame, platform::EKey::None, "!");
  PressKey(&frame, platform::EKey::None, "\xC3\xA9");  // no glyph for it: ignored
  PressKey(&frame, platform::EKey::Return);
  EXPECT_STREQ(edit->getText(), "Ini!");
  EXPECT_EQ(listener.values.size(), 1u);

  PressAt(&frame, 5, 10);
  PressKey(&frame, platform::EKey::None, "X");
  PressKey(&frame, platform::EKey::Escape);
  EXPECT_STREQ(edit->getText(), "Ini!");
  EXPECT_EQ(listener.values.size(), 1u);

  PressAt(&frame, 1, 10);  // caret before the first character
  PressKey(&frame, platform::EKey::Delete);
  PressAt(&frame, 300, 200);  // a click elsewhere commits
  EXPECT_STREQ(edit->getText(), "ni!");
  EXPECT_EQ(listener.values.size(), 2u);
}

TEST_F(ViewFramework, OptionMenuOpensAsAModalListAndChoosesByClickOrWheel) {
  auto* menu = new COptionMenu(CRect(10, 10, 110, 30), &listener, 1);
  for (const char* entry : {"Off", "Low", "High"}) menu->addEntry(entry);
  auto* button = new COnOffButton(CRect(10, 40, 110, 60), &listener, 0, nullptr);
  frame.addView(menu);
  frame.addView(button);

  PressAt(&frame, 20, 20);
  ASSERT_TRUE(menu->isListOpen());
  EXPECT_EQ(frame.getModalView(), menu);
  const CRect list = menu->getListRect();
  PressAt(&frame, list.left + 5, list.top + list.height() * 5 / 6);  // third entry, over the button
  EXPECT_FALSE(menu->isListOpen());
  EXPECT_EQ(menu->getCurrentIndex(), 2);
  EXPECT_EQ(button->getValue(), 0.0f);  // the click was the list's
  EXPECT_FLOAT_EQ(listener.values.back(), 2.0f);

  PressAt(&frame, 20, 20);
  PressAt(&frame, 300, 250);  // outside: closes, changes nothing
  EXPECT_FALSE(menu->isListOpen());
  EXPECT_EQ(menu->getCurrentIndex(), 2);
  WheelAt(&frame, 20, 20, 1.0f);
  EXPECT_EQ(menu->getCurrentIndex(), 1);
}

TEST_F(ViewFramework, TextDragStepsEveryThreePixelsWithFineShiftAndIsOneGesture) {
  CTextDrag* drag = AddDrag(kTextDragLinear, 0.0f, 1.0f, 0.5f);
  PressAt(&frame, 50, 110);
  EXPECT_EQ(frame.getCursor(), kCursorVSize);
  MoveTo(&frame, 50, 108);  // two pixels: less than a step
  EXPECT_FLOAT_EQ(drag->getValue(), 0.5f);
  EXPECT_TRUE(listener.values.empty());
  MoveTo(&frame, 50, 101);  // nine pixels up: three steps of 0.01
  EXPECT_FLOAT_EQ(drag->getValue(), 0.53f);
  MoveTo(&frame, 50, 80, platform::kShiftKey);  // ten steps, a tenth each
  EXPECT_FLOAT_EQ(drag->getValue(), 0.51f);
  MoveTo(&frame, 50, 500);  // far down: clamped at the minimum
  EXPECT_FLOAT_EQ(drag->getValue(), 0.0f);
  ReleaseAt(&frame, 50, 500);
  EXPECT_EQ(listener.values.size(), 3u);
  EXPECT_EQ(host.beginEdits, std::vector<int>{1});
  EXPECT_EQ(host.endEdits, std::vector<int>{1});
}

TEST_F(ViewFramework, TextDragOctaveAndLogTypes) {
  CTextDrag octave(CRect(0, 0, 10, 10), nullptr, 1, 0.0f, kTextDragOctaveSteps);
  octave.setMin(0.0f);
  octave.setMax(20000.0f);
  // From 0 the grid index is -1: a count that leaves it negative stays at 0.
  EXPECT_EQ(octave.DraggedValue(0.0f, 1, false), 0.0f);
  EXPECT_EQ(octave.DraggedValue(1000.0f, 10, false), 477.0f);   // index 89: trunc(2^8.9)
  EXPECT_EQ(octave.DraggedValue(1000.0f, -200, false), 20000.0f);
  octave.SetStep(1.0f);
  EXPECT_EQ(octave.DraggedValue(1000.0f, -7, true), 1007.0f);  // Shift: linear, whole steps

  CTextDrag log(CRect(0, 0, 10, 10), nullptr, 1, 0.0f, kTextDragLog);
  log.setMin(20.0f);
  log.setMax(20000.0f);
  EXPECT_NEAR(log.DraggedValue(20.0f, -10, false), 20.0f * std::pow(1000.0f, 0.1f), 1e-3);
  EXPECT_NEAR(log.DraggedValue(20.0f, -10, true), 20.0f * std::pow(1000.0f, 0.01f), 1e-3);
  EXPECT_NEAR(log.ConvertParamToValue(0.5f), std::sqrt(20.0f * 20000.0f), 1e-2);
}

// A double click opening it for typing, and the typed value reaching the
// host through the scale: the flip editor window test.
TEST_F(ViewFramework, TextDragClampsATypedNumberShownThroughItsScale) {
  CTextDrag* drag = AddDrag(kTextDragLinear, 0.0f, 100.0f, 25.0f);
  drag->SetScale(10.0f);  // shows value x 10
  frame.setFocusView(drag);
  TypeAndReturn(&frame, "e3");  // appended to "250.00": far above the maximum
  EXPECT_FLOAT_EQ(drag->getValue(), 100.0f);
  EXPECT_STREQ(drag->getText(), "1000.00");
  EXPECT_EQ(listener.values.size(), 1u);
}

TEST_F(ViewFramework, TextDragControlClickResetsAndTheWheelStepsUnlessAListenerTakesTheClick) {
  CTextDrag* drag = AddDrag(kTextDragLinear, 0.0f, 1.0f, 0.8f);
  drag->setDefaultValue(0.3f);
  ClickAt(&frame, 50, 110, platform::kControlKey);
  EXPECT_FLOAT_EQ(drag->getValue(), 0.3f);
  EXPECT_EQ(host.beginEdits.size(), 1u);
  EXPECT_EQ(host.endEdits.size(), 1u);
  WheelAt(&frame, 50, 110, 2.0f);
  EXPECT_FLOAT_EQ(drag->getValue(), 0.32f);
  WheelAt(&frame, 50, 110, -10.0f, platform::kShiftKey);  // a tenth of a step per notch
  EXPECT_FLOAT_EQ(drag->getValue(), 0.31f);
  EXPECT_EQ(listener.values.size(), 3u);

  ModifierTakingListener taker(effect);
  drag->setListener(&taker);
  drag->setValue(0.9f);
  platform::SleepMs(CControl::getDoubleClickInterval() + 20);  // not a double click
  ClickAt(&frame, 50, 110, platform::kControlKey);
  EXPECT_EQ(taker.taken, 1);
  EXPECT_FLOAT_EQ(drag->getValue(), 0.9f);
}

TEST_F(ViewFramework, FiniteStatesButtonWrapsPastItsLastState) {
  auto* states = new CFiniteStatesButton(CRect(60, 0, 80, 20), &listener, 5, 3, nullptr);
  frame.addView(states);
  ClickAt(&frame, 70, 10);
  EXPECT_FLOAT_EQ(states->getValue(), 0.5f);
  ClickAt(&frame, 70, 10);
  ClickAt(&frame, 70, 10);
  EXPECT_FLOAT_EQ(states->getValue(), 0.0f);
}

TEST_F(ViewFramework, TextEditValueIsItsNumber) {
  auto* edit = new CTextEditExtended(CRect(0, 0, 100, 20), &listener, 9999, "42.5 dB");
  frame.addView(edit);
  EXPECT_FLOAT_EQ(edit->getValue(), 42.5f);
  edit->setText("name");
  EXPECT_FLOAT_EQ(edit->getValue(), 0.0f);
}

TEST_F(ViewFramework, PresetBrowserLoadsTheEntryUnderTheReleaseAndCloses) {
  auto* browser = new CPresetBrowser(CRect(0, 0, 600, 400), nullptr);
  browser->setListener(&listener);
  frame.addView(browser);
  ASSERT_EQ(browser->GetPresetCount(), 2);

  // Pressed on a program, released on another: the release decides.
  PressAt(&frame, 20, 10 + 2 * 15 + 5);
  MoveTo(&frame, 20, 10 + 4 * 15 + 5);
  ReleaseAt(&frame, 20, 10 + 4 * 15 + 5);
  EXPECT_EQ(effect.getProgram(), 2);  // entry 4: program 4 - 2 stored presets
  EXPECT_FALSE(browser->isVisible());  // closes on choosing

  browser->setVisible(true);
  browser->SetCloseOnChoose(false);
  ClickAt(&frame, 20, 10 + 1 * 15 + 5);  // the second stored preset, over the current program
  EXPECT_EQ(effect.getProgram(), 2);
  EXPECT_FLOAT_EQ(effect.getParameter(0), 1.0f);
  EXPECT_TRUE(browser->isVisible());
  ClickAt(&frame, 540, 380);  // the close box
  EXPECT_FALSE(browser->isVisible());
  browser->setVisible(true);
  PressKey(&frame, platform::EKey::Escape);
  EXPECT_FALSE(browser->isVisible());
}

namespace {
// Two points: one inside, one just past the right edge; records its drag passes.
class TwoPoints : public CControlPointsControl {
 public:
  TwoPoints() : CControlPointsControl(CRect(100, 100, 300, 200), nullptr, nullptr, nullptr, 5.0f) {
    SControlPoint p;
    p.x = 150.0f;
    p.y = 150.0f;
    AddControlPoint(p);
    p.x = 320.0f;
    p.y = 120.0f;
    AddControlPoint(p);
  }
  void mouseInner(CPoint& where) override {
    dragged.push_back(where);
    GetControlPoint(GetDraggedIndex()).x = static_cast<float>(where.h);
    GetControlPoint(GetDraggedIndex()).y = static_cast<float>(where.v);
  }
  std::vector<CPoint> dragged;
};
}  // namespace

TEST_F(ViewFramework, ControlPointsHoverAndDragWithinTheGrownAreaAsOneGesture) {
  auto* points = new TwoPoints;
  frame.addView(points);

  HoverAt(&frame, 322, 118);  // past the view's edge, inside the grown area
  EXPECT_EQ(points->GetHoveredIndex(), 1);
  HoverAt(&frame, 200, 150);  // nowhere near a point: the hook clears the hover
  EXPECT_EQ(points->GetHoveredIndex(), -1);

  PressAt(&frame, 153, 148);
  EXPECT_EQ(points->GetDraggedIndex(), 0);
  ASSERT_EQ(points->dragged.size(), 1u);  // the first pass runs at once
  MoveTo(&frame, 153, 148);  // no movement: no call
  MoveTo(&frame, 180, 160);
  MoveTo(&frame, 400, 300);  // a captured drag follows outside the area too
  EXPECT_EQ(points->dragged.size(), 3u);
  ReleaseAt(&frame, 400, 300);
  EXPECT_EQ(points->GetDraggedIndex(), -1);
  EXPECT_EQ(host.beginEdits, std::vector<int>{9999});
  EXPECT_EQ(host.endEdits, std::vector<int>{9999});
}

namespace {

// Counts the frame's idle work that controls forward.
class CountingFrame : public CFrame {
 public:
  CountingFrame() : CFrame(CRect(0, 0, 100, 100), nullptr, nullptr) {}
  void doIdleStuff() override {
    ++count;
    if (reenter) reenter->doIdleStuff();
  }
  int count = 0;
  CView* reenter = nullptr;
};

TEST(OwnerDrawControl, IdleReachesTheFrameAtMostEvery20MsAndNeverReentrantly) {
  CountingFrame frame;
  auto* control = new COwnerDrawControl(CRect(0, 0, 10, 10), nullptr, nullptr, nullptr);
  frame.addView(control);
  frame.reenter = control;  // the frame's idle work calls back into the control
  control->doIdleStuff();
  control->doIdleStuff();
  EXPECT_EQ(frame.count, 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(25));
  control->doIdleStuff();
  EXPECT_EQ(frame.count, 2);
}

// The recorders as the effect calls them; the editor applies on its thread.
class RecordingEditor : public CKivEditorInterface {
 public:
  using CKivEditorInterface::CKivEditorInterface;
  using CKivEditorInterface::ApplyRecordedCalls;
  void OnParameterChanged(int index, float value) override { applied.emplace_back(index, value); }
  void OnReloadAllControls() override { ++reloads; }
  void OnUndoRedoDisplay(bool canUndo, bool canRedo) override { undoRedo = (canUndo ? 1 : 0) | (canRedo ? 2 : 0); }
  std::vector<std::pair<int, float>> applied;
  int reloads = 0;
  int undoRedo = -1;
};

TEST(EditorHandOver, CallsFromOtherThreadsOnlyRecordAndTheLatestValueIsApplied) {
  FakeHost host;
  BrowserEffect effect(host.Callback());
  RecordingEditor editor(&effect);
  std::thread audio([&] {
    for (int i = 0; i <= 1000; ++i) editor.UpdateParameter(3, static_cast<float>(i) / 1000.0f);
    editor.UpdateParameter(9001, 0.5f);
    editor.UpdateParameter(5000, 0.5f);  // not a recorded index: dropped
    editor.ReloadAllControls();
    editor.UpdateUndoRedoDisplay(true, false);
  });
  audio.join();
  EXPECT_TRUE(editor.applied.empty());  // nothing happened on the recording thread
  editor.ApplyRecordedCalls();
  EXPECT_EQ(editor.applied, (std::vector<std::pair<int, float>>{{3, 1.0f}, {9001, 0.5f}}));
  EXPECT_EQ(editor.reloads, 1);
  EXPECT_EQ(editor.undoRedo, 1);
  editor.applied.clear();
  editor.ApplyRecordedCalls();  // each record is applied once
  EXPECT_TRUE(editor.applied.empty());
  EXPECT_EQ(editor.reloads, 1);
}

}  // namespace
