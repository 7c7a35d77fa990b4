#pragma once
// A complete face made of the stock controls: knobs with value read-outs,
// sliders, buttons, a text field, an option menu and bitmaps. Our own host's
// editor tests, the editor benchmark and the screenshot tool all draw it, so
// they exercise the same path a real editor takes. Parameter i of the effect
// is bound to the control with tag i.
#include "vstgui/AEffGUIEditor.h"
#include "vstgui/CControl.h"

namespace editordemo {

class CDemoEditor : public VSTGUI::AEffGUIEditor, public VSTGUI::CControlListener {
 public:
  static constexpr int WIDTH = 640;
  static constexpr int HEIGHT = 480;
  static constexpr int NUM_KNOBS = 16;
  // Parameters: the knobs, then two sliders, four switches and the menu.
  static constexpr int NUM_PARAMS = NUM_KNOBS + 2 + 4 + 1;
  static constexpr long TAG_NAME = 9999;

  explicit CDemoEditor(vst::AudioEffect* effect);

  void valueChanged(VSTGUI::CControl* control) override;

 protected:
  bool OnFrameOpened(VSTGUI::CFrame* frame) override;
};

}  // namespace editordemo
