// The view tree and the stock controls, driven by synthetic window events
// through CFrame with no window and no GL: drag arithmetic, slider travel,
// hit testing, gestures reaching the host, the mouse-away hook, text entry,
// option menus, idle throttling and the effect-to-editor hand-over.
#include <gtest/gtest.h>

#include <thread>
#include <utility>
#include <vector>

#include "Helpers/MouseMoveAwayHook.h"
#include "Helpers/OwnerDrawControls.h"
#include "Helpers/Vst/AudioEffectX.h"
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

class PlainEffect : public vst::AudioEffectX {
 public:
  explicit PlainEffect(vst::HostCallback host) : AudioEffectX(host, 1, 4) {}
  void processReplacing(float**, float**, std::int32_t) override {}
  void setParameter(std::int32_t index, float value) override { values[index] = value; }
  float getParameter(std::int32_t index) override { return values[index]; }
  float values[4] = {};
};

// Passes every edit on as the editors do: set the parameter and tell the host.
struct AutomatingListener : CControlListener {
  explicit AutomatingListener(vst::AudioEffect& fx) : effect(fx) {}
  void valueChanged(CControl* control) override {
    values.push_back(control->getValue());
    if (control->getTag() >= 0 && control->getTag() < 4)
      effect.setParameterAutomated(static_cast<std::int32_t>(control->getTag()), control->getValue());
  }
  vst::AudioEffect& effect;
  std::vector<float> values;
};

class ViewFramework : public ::testing::Test {
 protected:
  ViewFramework() : effect(host.Callback()), editor(&effect, CRect(0, 0, 400, 300)), listener(effect),
                    frame(CRect(0, 0, 400, 300), nullptr, &editor) {}

  void Press(int x, int y, std::uint32_t modifiers = 0) { PressAt(&frame, x, y, modifiers); }
  void Drag(int x, int y, std::uint32_t modifiers = 0) { MoveTo(&frame, x, y, modifiers); }
  void Release(int x, int y) { ReleaseAt(&frame, x, y); }
  void Move(int x, int y) { HoverAt(&frame, x, y); }
  void Wheel(int x, int y, float distance) { WheelAt(&frame, x, y, distance); }
  void Key(platform::EKey key, const char* text = "") { PressKey(&frame, key, text); }

  FakeHost host;
  PlainEffect effect;
  AEffGUIEditor editor;
  AutomatingListener listener;
  CFrame frame;
};

TEST_F(ViewFramework, KnobDragIsLinearWithFineShiftCtrlDefaultAndWheelAndReachesTheHostAsOneGesture) {
  auto* knob = new CKnob(CRect(10, 10, 50, 50), &listener, 2);
  knob->setZoomFactor(5.0f);
  knob->setDefaultValue(0.25f);
  knob->setValue(0.2f);
  frame.addView(knob);

  Press(30, 30);
  Drag(30, -70);  // 100 pixels up: half the range
  EXPECT_FLOAT_EQ(knob->getValue(), 0.7f);
  Drag(30, -70, platform::kShiftKey);  // Shift re-anchors: no jump
  EXPECT_FLOAT_EQ(knob->getValue(), 0.7f);
  Drag(80, -70, platform::kShiftKey);  // 50 pixels right, five times finer
  EXPECT_NEAR(knob->getValue(), 0.75f, 1e-6);
  Drag(80, -500);  // far beyond the top: clamped
  EXPECT_FLOAT_EQ(knob->getValue(), 1.0f);
  Release(80, -500);
  EXPECT_EQ(frame.getMouseCapture(), nullptr);

  ASSERT_EQ(host.beginEdits, std::vector<int>{2});
  ASSERT_EQ(host.endEdits, std::vector<int>{2});
  ASSERT_FALSE(host.automated.empty());
  EXPECT_FLOAT_EQ(host.automated.back().second, 1.0f);
  EXPECT_FLOAT_EQ(effect.values[2], 1.0f);

  Press(30, 30, platform::kControlKey);
  EXPECT_FLOAT_EQ(knob->getValue(), 0.25f);
  Release(30, 30);
  Wheel(30, 30, -1.0f);
  EXPECT_FLOAT_EQ(knob->getValue(), 0.15f);
  Wheel(200, 200, 1.0f);  // nothing under the pointer
  EXPECT_FLOAT_EQ(knob->getValue(), 0.15f);
  EXPECT_EQ(host.beginEdits.size(), host.endEdits.size());
}

TEST_F(ViewFramework, AnimKnobShowsTheFrameOfItsValue) {
  CAnimKnob knob(CRect(0, 0, 20, 20), &listener, 0, 31, 20, nullptr);
  for (auto [value, index] : {std::pair{0.0f, 0}, {0.5f, 15}, {1.0f, 30}}) {
    knob.setValue(value);
    EXPECT_EQ(knob.getFrameIndex(), index) << value;
  }
}

TEST_F(ViewFramework, SliderHandleTravelsBetweenItsPositionsInEitherDirection) {
  // Drawn handle 8 pixels long, leading edge from x = 0 (value 0) to x = 100 (value 1).
  auto* slider = new CHorizontalSlider(CRect(0, 0, 108, 10), &listener, 1, 0, 100, nullptr, nullptr);
  slider->setZoomFactor(5.0f);
  frame.addView(slider);
  Press(54, 5);  // beside the handle: its centre jumps to the pointer
  EXPECT_FLOAT_EQ(slider->getValue(), 0.5f);
  Drag(79, 5);
  EXPECT_FLOAT_EQ(slider->getValue(), 0.75f);
  Drag(79, 5, platform::kShiftKey);
  Drag(129, 5, platform::kShiftKey);  // 50 pixels at a fifth of the speed
  EXPECT_FLOAT_EQ(slider->getValue(), 0.85f);
  Drag(400, 5);
  EXPECT_FLOAT_EQ(slider->getValue(), 1.0f);
  Release(400, 5);
  EXPECT_EQ(slider->getHandleRect(), CRect(100, 0, 108, 10));

  auto* reversed = new CVerticalSlider(CRect(200, 0, 210, 108), &listener, 3, 0, 100, nullptr, nullptr, CPoint(),
                                       kBottom);
  frame.addView(reversed);
  Press(205, 4);  // top of the travel is the maximum when the slider runs bottom to top
  EXPECT_FLOAT_EQ(reversed->getValue(), 1.0f);
  Release(205, 4);
}

TEST_F(ViewFramework, HitTestingFindsTheTopmostVisibleViewAndAModalViewTakesEverything) {
  auto* below = new COnOffButton(CRect(0, 0, 100, 100), &listener, 0, nullptr);
  auto* above = new COnOffButton(CRect(50, 50, 150, 150), &listener, 1, nullptr);
  frame.addView(below);
  frame.addView(above);
  EXPECT_EQ(frame.getViewAt(CPoint(75, 75)), above);
  EXPECT_EQ(frame.getViewAt(CPoint(25, 25)), below);
  EXPECT_EQ(frame.getViewAt(CPoint(100, 10)), nullptr);  // right edge is outside
  above->setVisible(false);
  EXPECT_EQ(frame.getViewAt(CPoint(75, 75)), below);
  above->setVisible(true);

  frame.setModalView(above);
  Press(25, 25);  // outside the modal view: nobody
  EXPECT_EQ(below->getValue(), 0.0f);
  frame.setModalView(nullptr);
  Press(25, 25);
  EXPECT_EQ(below->getValue(), 1.0f);

  frame.removeView(above);  // removing forgets it everywhere
  EXPECT_EQ(frame.getViewAt(CPoint(120, 120)), nullptr);
}

class HoverControl : public CControl, public CMouseMoveAwayHook {
 public:
  using CControl::CControl;
  void mouseMove(CDrawContext*, CPoint&, long) override { SetCursorAndRegister(this, kCursorHand, true); }
  void MouseMovedAway(CDrawContext*) override { ++awayCount; }
  int awayCount = 0;
};

TEST_F(ViewFramework, MouseAwayHookHearsOfLeavingOnlyWhenTheMouseReallyLeft) {
  auto* a = new HoverControl(CRect(0, 0, 50, 50));
  auto* b = new HoverControl(CRect(60, 0, 110, 50));
  frame.addView(a);
  frame.addView(b);
  Move(10, 10);
  Move(20, 20);  // within a: it registers again
  EXPECT_EQ(a->awayCount, 0);
  EXPECT_EQ(frame.getCursor(), kCursorHand);
  Move(70, 10);  // to b
  EXPECT_EQ(a->awayCount, 1);
  EXPECT_EQ(b->awayCount, 0);
  Move(200, 200);  // to nothing: the cursor goes back to the arrow
  EXPECT_EQ(b->awayCount, 1);
  EXPECT_EQ(frame.getCursor(), kCursorDefault);

  Move(70, 10);
  frame.removeView(b);  // a deleted hook is forgotten, not called
  EXPECT_EQ(CMouseMoveAwayHook::GetCurrentHook(), nullptr);
  Move(10, 10);
  EXPECT_EQ(CMouseMoveAwayHook::GetCurrentHook(), static_cast<CMouseMoveAwayHook*>(a));
  LeaveFrame(&frame);
  EXPECT_EQ(a->awayCount, 2);
}

TEST_F(ViewFramework, TextEditTypesCommitsOnReturnAndRestoresOnEscape) {
  auto* edit = new CTextEdit(CRect(0, 0, 200, 20), &listener, 9999, "Init");
  frame.addView(edit);
  Press(190, 10);  // focus, caret at the end
  EXPECT_TRUE(edit->isEditingText());
  Key(platform::EKey::BackSpace);
  Key(platform::EKey::None, "!");
  Key(platform::EKey::None, "\xC3\xA9");  // no glyph for it: ignored
  Key(platform::EKey::Return);
  EXPECT_FALSE(edit->isEditingText());
  EXPECT_STREQ(edit->getText(), "Ini!");
  EXPECT_EQ(listener.values.size(), 1u);

  Press(5, 10);
  Key(platform::EKey::None, "X");
  Key(platform::EKey::Escape);
  EXPECT_STREQ(edit->getText(), "Ini!");
  EXPECT_EQ(listener.values.size(), 1u);

  Press(1, 10);  // caret before the first character
  Key(platform::EKey::Delete);
  Press(300, 200);  // a click elsewhere commits
  EXPECT_STREQ(edit->getText(), "ni!");
  EXPECT_EQ(listener.values.size(), 2u);
}

TEST_F(ViewFramework, OptionMenuOpensAsAModalListAndChoosesByClickKeyOrWheel) {
  auto* menu = new COptionMenu(CRect(10, 10, 110, 30), &listener, 1);
  for (const char* entry : {"Off", "Low", "High"}) menu->addEntry(entry);
  auto* button = new COnOffButton(CRect(10, 40, 110, 60), &listener, 0, nullptr);
  frame.addView(menu);
  frame.addView(button);
  EXPECT_EQ(menu->getMax(), 2.0f);

  Press(20, 20);
  ASSERT_TRUE(menu->isListOpen());
  EXPECT_EQ(frame.getModalView(), menu);
  const CRect list = menu->getListRect();
  Press(list.left + 5, list.top + list.height() * 5 / 6);  // third entry, over the button
  EXPECT_FALSE(menu->isListOpen());
  EXPECT_EQ(menu->getCurrentIndex(), 2);
  EXPECT_EQ(button->getValue(), 0.0f);  // the click was the list's
  EXPECT_FLOAT_EQ(effect.values[1], 2.0f);

  Press(20, 20);
  Key(platform::EKey::Up);
  Key(platform::EKey::Return);
  EXPECT_EQ(menu->getCurrentIndex(), 1);

  Press(20, 20);
  Press(300, 250);  // outside: closes, changes nothing
  EXPECT_FALSE(menu->isListOpen());
  EXPECT_EQ(menu->getCurrentIndex(), 1);
  Wheel(20, 20, -1.0f);
  EXPECT_EQ(menu->getCurrentIndex(), 2);
  EXPECT_EQ(host.beginEdits.size(), host.endEdits.size());
}

TEST_F(ViewFramework, KickButtonIsOnOnlyWhileHeld) {
  auto* kick = new CKickButton(CRect(0, 0, 20, 20), &listener, 0, nullptr);
  frame.addView(kick);
  Press(10, 10);
  EXPECT_EQ(kick->getValue(), 1.0f);
  Release(10, 10);
  EXPECT_EQ(kick->getValue(), 0.0f);
  EXPECT_EQ(listener.values, (std::vector<float>{1.0f, 0.0f}));
}

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
  PlainEffect effect(host.Callback());
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
