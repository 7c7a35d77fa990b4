#include "vstgui/CViewContainer.h"

#include <algorithm>

#include "Helpers/ErrorReport.h"
#include "vstgui/CFrame.h"

namespace VSTGUI {

CViewContainer::CViewContainer(const CRect& size) : CView(size) {}

CViewContainer::~CViewContainer() { removeAll(true); }

void CViewContainer::addView(CView* view) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (view == nullptr || isChild(view)) return;
    m_views.push_back(view);
    view->setParentFrame(getFrame() ? getFrame() : dynamic_cast<CFrame*>(this));
    view->attached(this);
    view->setDirty();
  });
}

void CViewContainer::removeView(CView* view, bool deleteView) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    auto it = std::find(m_views.begin(), m_views.end(), view);
    if (it == m_views.end()) return;
    m_views.erase(it);
    forgetView(view);
    view->removed(this);
    if (deleteView) delete view;
    setDirty();
  });
}

void CViewContainer::removeAll(bool deleteViews) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    // Detach the whole list first so no view is reached through the tree
    // while its neighbours are being deleted.
    std::vector<CView*> views;
    views.swap(m_views);
    for (CView* view : views) {
      forgetView(view);
      view->removed(this);
    }
    if (deleteViews)
      for (CView* view : views) delete view;
    m_pModalView = nullptr;
    m_pFocusView = nullptr;
  });
}

void CViewContainer::forgetView(CView* view) {
  if (m_pModalView == view) m_pModalView = nullptr;
  if (m_pFocusView == view) m_pFocusView = nullptr;
}

bool CViewContainer::isChild(const CView* view) const {
  return std::find(m_views.begin(), m_views.end(), view) != m_views.end();
}

CView* CViewContainer::getView(int index) const {
  return index >= 0 && index < getNbViews() ? m_views[static_cast<std::size_t>(index)] : nullptr;
}

CView* CViewContainer::getViewAt(const CPoint& where, long buttons) const {
  for (auto it = m_views.rbegin(); it != m_views.rend(); ++it) {
    CView* view = *it;
    if (!view->isVisible() || !view->hitTest(where, buttons)) continue;
    if (view->isContainer()) {
      if (CView* inner = static_cast<CViewContainer*>(view)->getViewAt(where, buttons)) return inner;
    }
    return view;
  }
  return nullptr;
}

void CViewContainer::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    drawBackground();
    drawSubViews();
  });
}

void CViewContainer::drawSubViews() {
  for (CView* view : m_views)
    if (view->isVisible()) view->drawOGLOuter();
}

void CViewContainer::setDirty(bool dirty) {
  CView::setDirty(dirty);
  for (CView* view : m_views) view->setDirty(dirty);
}

bool CViewContainer::isAnyDirty() const {
  if (isDirty()) return true;
  for (const CView* view : m_views) {
    if (!view->isVisible()) continue;
    if (view->isContainer() ? static_cast<const CViewContainer*>(view)->isAnyDirty() : view->isDirty()) return true;
  }
  return false;
}

void CViewContainer::setFocusView(CView* view) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (view == m_pFocusView) return;
    CView* previous = m_pFocusView;
    m_pFocusView = view;
    if (previous) previous->looseFocus();
    if (view) view->takeFocus();
  });
}

void CViewContainer::forEachView(void (*fn)(CView*, void*), void* user) {
  for (CView* view : m_views) {
    fn(view, user);
    if (view->isContainer()) static_cast<CViewContainer*>(view)->forEachView(fn, user);
  }
}

}  // namespace VSTGUI
