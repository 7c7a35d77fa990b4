#pragma once
// Knobs. Dragging is linear: up or right raises the value, 200 pixels cover
// the whole range, and Shift divides the speed by the zoom factor. The wheel
// steps by the wheel increment; Ctrl-click resets to the default value.
// CKnob draws its background and a pointer; CAnimKnob shows one frame of a
// filmstrip of subPixmaps frames stacked vertically.
#include "vstgui/CControl.h"

namespace VSTGUI {

class CKnob : public CControl {
 public:
  static constexpr int LINEAR_RANGE_PIXELS = 200;

  CKnob(const CRect& size, CControlListener* listener, long tag, CBitmap* background = nullptr);

  void drawOGL() override;
  void mouse(CDrawContext* context, CPoint& where, long buttons) override;
  void mouseMove(CDrawContext* context, CPoint& where, long buttons) override;
  void mouseUp(CDrawContext* context, CPoint& where, long buttons) override;
  bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;

  void setZoomFactor(float factor) { m_fZoomFactor = factor > 0.0f ? factor : 1.0f; }
  float getZoomFactor() const { return m_fZoomFactor; }
  void setColorHandle(const CColor& color) { m_handleColor = color; }

 protected:
  // The value the drag gives at this point (clamped). Pressing or releasing
  // Shift re-anchors the drag at the previous point, so the value neither
  // jumps nor loses the movement that came with the key change.
  float dragValue(const CPoint& where, long buttons);

  float m_fZoomFactor = 1.0f;
  CColor m_handleColor{255, 255, 255, 255};
  CPoint m_dragAnchor;
  CPoint m_lastPoint;
  float m_fAnchorValue = 0.0f;
  bool m_bAnchorFine = false;
};

class CAnimKnob : public CKnob {
 public:
  CAnimKnob(const CRect& size, CControlListener* listener, long tag, int subPixmaps, int heightOfOneImage,
            CBitmap* background);

  void drawOGL() override;
  int getFrameIndex() const;
  int getNumSubPixmaps() const { return m_nSubPixmaps; }

 private:
  int m_nSubPixmaps;
  int m_nHeightOfOneImage;
};

}  // namespace VSTGUI
