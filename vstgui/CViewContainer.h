#pragma once
// An ordered list of subviews: insertion order is drawing order, and the
// last view added is the first to be hit by the mouse. Owns its subviews.
#include <vector>

#include "vstgui/CView.h"

namespace VSTGUI {

class CViewContainer : public CView {
 public:
  explicit CViewContainer(const CRect& size);
  ~CViewContainer() override;

  virtual void addView(CView* view);
  // Removes the view; deletes it when asked.
  virtual void removeView(CView* view, bool deleteView = true);
  virtual void removeAll(bool deleteViews = true);
  bool isChild(const CView* view) const;
  int getNbViews() const { return static_cast<int>(m_views.size()); }
  CView* getView(int index) const;
  // The topmost visible view under the point that takes the mouse, looking
  // into nested containers; null for none.
  CView* getViewAt(const CPoint& where, long buttons = 0) const;

  void drawOGL() override;
  bool isContainer() const override { return true; }
  // Marks every subview (recursively) dirty or clean.
  void setDirty(bool dirty = true) override;
  // True when this container or anything in it needs drawing.
  bool isAnyDirty() const;

  virtual void setModalView(CView* view) { m_pModalView = view; }
  CView* getModalView() const { return m_pModalView; }
  virtual void setFocusView(CView* view);
  CView* getFocusView() const { return m_pFocusView; }

  void forEachView(void (*fn)(CView*, void*), void* user);

 protected:
  // Forgets pointers to a view that leaves the tree.
  virtual void forgetView(CView* view);
  void drawSubViews();

  std::vector<CView*> m_views;
  CView* m_pModalView = nullptr;
  CView* m_pFocusView = nullptr;
};

}  // namespace VSTGUI
