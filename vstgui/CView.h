#pragma once
// The base of everything in the view tree: a rectangle that draws itself
// with OpenGL and may take the mouse. Mouse input is event driven: `mouse`
// on a button press; a view that wants the drag that follows takes the
// frame's mouse capture and then gets `mouseMove` and `mouseUp` until the
// last button is released.
#include <cstdint>

#include "platform/GLSurface.h"
#include "vstgui/Types.h"

namespace VSTGUI {

class CBitmap;
class CDrawContext;
class CFrame;
class CViewContainer;

// A key as views see it: a special key or UTF-8 text, and the modifiers.
struct CKeyCode {
  platform::EKey key = platform::EKey::None;
  char text[8] = {};
  long modifiers = 0;  // kShift, kControl, kAlt
};

class CView {
 public:
  explicit CView(const CRect& size);
  virtual ~CView();
  CView(const CView&) = delete;
  CView& operator=(const CView&) = delete;

  // Drawing. drawOGLOuter draws with every GL attribute and both matrices
  // saved and restored, then clears the dirty flag.
  virtual void drawOGL();
  void drawOGLOuter();
  // Drawn over everything else while the view is the frame's modal view
  // (pop-up lists and the like); nothing in the base.
  virtual void drawOGLModal() {}

  // Mouse and keyboard.
  virtual void mouse(CDrawContext* context, CPoint& where, long buttons);
  virtual void mouseMove(CDrawContext* context, CPoint& where, long buttons);
  virtual void mouseUp(CDrawContext* context, CPoint& where, long buttons);
  virtual bool onWheel(CDrawContext* context, const CPoint& where, float distance);
  virtual bool onKeyDown(const CKeyCode& key);
  virtual void takeFocus() {}
  virtual void looseFocus() {}
  virtual bool hitTest(const CPoint& where, long buttons = 0);
  // Called on the frame's idle pass while the view is attached.
  virtual void doIdleStuff();

  virtual void setDirty(bool dirty = true) { m_bDirty = dirty; }
  bool isDirty() const { return m_bDirty; }
  virtual void setVisible(bool visible);
  bool isVisible() const { return m_bVisible; }
  virtual void setBackground(CBitmap* background);
  CBitmap* getBackground() const { return m_pBackground; }
  void setTransparency(bool transparent) { m_bTransparent = transparent; }
  bool getTransparency() const { return m_bTransparent; }

  virtual bool attached(CView* parent);
  virtual bool removed(CView* parent);
  bool isAttached() const { return m_pParentView != nullptr; }
  virtual bool isContainer() const { return false; }

  const CRect& getViewSize() const { return m_size; }
  virtual void setViewSize(const CRect& size);
  const CRect& getMouseableArea() const { return m_mouseableArea; }
  void setMouseableArea(const CRect& area) { m_mouseableArea = area; }
  int getWidth() const { return m_size.width(); }
  int getHeight() const { return m_size.height(); }

  CFrame* getFrame() const { return m_pParentFrame; }
  void setParentFrame(CFrame* frame) { m_pParentFrame = frame; }
  CView* getParentView() const { return m_pParentView; }
  void setParentView(CView* parent) { m_pParentView = parent; }

 protected:
  // Draws the background bitmap, if any, at the view's top-left.
  void drawBackground();

  CRect m_size;
  CRect m_mouseableArea;
  CFrame* m_pParentFrame = nullptr;
  CView* m_pParentView = nullptr;
  bool m_bDirty = true;
  bool m_bVisible = true;
  bool m_bTransparent = false;
  CBitmap* m_pBackground = nullptr;  // remembered while set
};

}  // namespace VSTGUI
