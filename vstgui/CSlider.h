#pragma once
// Sliders: a handle bitmap (or a drawn handle) that travels between two
// positions. A click on the handle drags it from where it was taken; a click
// beside it moves the handle's centre to the pointer first. Shift drags finer
// by the zoom factor; Ctrl-click resets to the default; the wheel steps.
#include "vstgui/CControl.h"

namespace VSTGUI {

enum ESliderStyle : int { kLeft = 1 << 0, kRight = 1 << 1, kTop = 1 << 2, kBottom = 1 << 3 };

class CSlider : public CControl {
 public:
  // minPos and maxPos: where the handle's leading edge (left, or top) sits
  // at the two ends of its travel, in frame coordinates.
  CSlider(const CRect& size, CControlListener* listener, long tag, int minPos, int maxPos, CBitmap* handle,
          CBitmap* background, const CPoint& handleOffset, int style, bool horizontal);
  ~CSlider() override;

  void drawOGL() override;
  void mouse(CDrawContext* context, CPoint& where, long buttons) override;
  void mouseMove(CDrawContext* context, CPoint& where, long buttons) override;
  void mouseUp(CDrawContext* context, CPoint& where, long buttons) override;
  bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;

  void setZoomFactor(float factor) { m_fZoomFactor = factor > 0.0f ? factor : 1.0f; }
  float getZoomFactor() const { return m_fZoomFactor; }
  void setOffsetHandle(const CPoint& offset) { m_handleOffset = offset; }
  void setHandle(CBitmap* handle);
  // The handle's rectangle for the current value.
  CRect getHandleRect() const;
  int getStyle() const { return m_nStyle; }

 protected:
  // Value for a handle whose leading edge is at this coordinate.
  float valueAtHandlePosition(int position) const;
  int coordinate(const CPoint& p) const { return m_bHorizontal ? p.h : p.v; }
  int handleLength() const;

  int m_nMinPos, m_nMaxPos;
  CBitmap* m_pHandle = nullptr;
  CPoint m_handleOffset;
  int m_nStyle;
  bool m_bHorizontal;
  float m_fZoomFactor = 1.0f;
  int m_nGrip = 0;  // pointer offset from the handle's leading edge while dragging
  int m_nAnchor = 0;
  int m_nLast = 0;  // pointer coordinate of the previous event of the drag
  float m_fAnchorValue = 0.0f;
  bool m_bFine = false;
};

class CHorizontalSlider : public CSlider {
 public:
  CHorizontalSlider(const CRect& size, CControlListener* listener, long tag, int minPos, int maxPos,
                    CBitmap* handle, CBitmap* background, const CPoint& handleOffset = CPoint(), int style = kLeft)
      : CSlider(size, listener, tag, minPos, maxPos, handle, background, handleOffset, style, true) {}
};

class CVerticalSlider : public CSlider {
 public:
  CVerticalSlider(const CRect& size, CControlListener* listener, long tag, int minPos, int maxPos,
                  CBitmap* handle, CBitmap* background, const CPoint& handleOffset = CPoint(), int style = kBottom)
      : CSlider(size, listener, tag, minPos, maxPos, handle, background, handleOffset, style, false) {}
};

}  // namespace VSTGUI
