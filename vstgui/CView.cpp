#include "vstgui/CView.h"

#include "Helpers/ErrorReport.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CFrame.h"
#include "vstgui/GLState.h"

namespace VSTGUI {

CView::CView(const CRect& size) : m_size(size), m_mouseableArea(size) {}

CView::~CView() {
  if (m_pBackground) m_pBackground->forget();
}

void CView::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] { drawBackground(); });
}

void CView::drawOGLOuter() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    {
      CGLStateScope saved;
      drawOGL();
    }
    m_bDirty = false;
  });
}

void CView::drawBackground() {
  if (m_pBackground) m_pBackground->drawOGL(m_size.left, m_size.top);
}

void CView::mouse(CDrawContext*, CPoint&, long) {}
void CView::mouseMove(CDrawContext*, CPoint&, long) {}
void CView::mouseUp(CDrawContext*, CPoint&, long) {}
bool CView::onWheel(CDrawContext*, const CPoint&, float) { return false; }
bool CView::onKeyDown(const CKeyCode&) { return false; }

bool CView::hitTest(const CPoint& where, long) { return m_mouseableArea.pointInside(where); }

void CView::doIdleStuff() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_pParentFrame) m_pParentFrame->doIdleStuff();
  });
}

void CView::setVisible(bool visible) {
  if (m_bVisible == visible) return;
  m_bVisible = visible;
  // Something under the view shows again (or stops showing): redraw all.
  if (m_pParentFrame) m_pParentFrame->invalid();
}

void CView::setBackground(CBitmap* background) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (background == m_pBackground) return;
    if (background) background->remember();
    if (m_pBackground) m_pBackground->forget();
    m_pBackground = background;
    setDirty();
  });
}

bool CView::attached(CView* parent) {
  m_pParentView = parent;
  return true;
}

bool CView::removed(CView*) {
  m_pParentView = nullptr;
  m_pParentFrame = nullptr;
  return true;
}

void CView::setViewSize(const CRect& size) {
  const int dx = size.left - m_size.left, dy = size.top - m_size.top;
  m_size = size;
  m_mouseableArea.offset(dx, dy);
  setDirty();
}

}  // namespace VSTGUI
