#pragma once
// A choice among entries, shown as the chosen entry's text. A click opens a
// GL-drawn list below it (moved up when the frame ends); the list is the
// frame's modal view until an entry is chosen, a click lands outside, or
// Escape. Up, Down and Return work while it is open; the wheel steps
// through the entries while it is closed. The value is the entry's index.
#include <string>
#include <vector>

#include "vstgui/CParamDisplay.h"

namespace VSTGUI {

class COptionMenu : public CParamDisplay {
 public:
  COptionMenu(const CRect& size, CControlListener* listener, long tag, CBitmap* background = nullptr);

  bool addEntry(const char* text);
  void removeAllEntry();
  int getNbEntries() const { return static_cast<int>(m_entries.size()); }
  const char* getEntry(int index) const;
  int getCurrentIndex() const;
  bool setCurrent(int index);
  bool isListOpen() const { return m_bListOpen; }
  // Where the list shows while it is open.
  CRect getListRect() const;

  void getDisplayText(char* text) const override;
  void drawOGL() override;
  void drawOGLModal() override;
  void mouse(CDrawContext* context, CPoint& where, long buttons) override;
  void mouseMove(CDrawContext* context, CPoint& where, long buttons) override;
  bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
  bool onKeyDown(const CKeyCode& key) override;
  bool hitTest(const CPoint& where, long buttons = 0) override;
  bool removed(CView* parent) override;

 private:
  void openList();
  void closeList();
  void choose(int index);
  int lineHeight() const;
  int entryAt(const CPoint& where) const;

  std::vector<std::string> m_entries;
  bool m_bListOpen = false;
  int m_nHover = -1;
};

}  // namespace VSTGUI
