#pragma once
// Two-state buttons over a bitmap that holds the off state above the on
// state. COnOffButton toggles on each click; CKickButton is on only while
// it is held, and reports both the press and the release.
#include "vstgui/CControl.h"

namespace VSTGUI {

class COnOffButton : public CControl {
 public:
  COnOffButton(const CRect& size, CControlListener* listener, long tag, CBitmap* background);
  void drawOGL() override;
  void mouse(CDrawContext* context, CPoint& where, long buttons) override;

 protected:
  // Draws the half of the bitmap for the state (0 off, 1 on).
  void drawState(int state);
};

class CKickButton : public COnOffButton {
 public:
  using COnOffButton::COnOffButton;
  void mouse(CDrawContext* context, CPoint& where, long buttons) override;
  void mouseMove(CDrawContext* context, CPoint& where, long buttons) override;
  void mouseUp(CDrawContext* context, CPoint& where, long buttons) override;
};

}  // namespace VSTGUI
