#pragma once
// The preset browser: a panel listing the effect's stored presets and then
// its programs in columns; a click chosen on release loads the entry under
// the mouse, and the "Close" box hides the panel.
#include "Helpers/MouseMoveAwayHook.h"
#include "vstgui/CControl.h"

class FlipEditor;
class KivEffect;

class CPresetBrowser : public VSTGUI::CControl, public CMouseMoveAwayHook {
 public:
  static constexpr int MARGIN = 10;
  static constexpr int NUMBER_WIDTH = 20;
  static constexpr int NAME_GAP = 5;
  static constexpr int NAME_WIDTH = 140;
  static constexpr int COLUMN_WIDTH = 165;
  static constexpr int ROW_HEIGHT = 15;
  static constexpr int HIT_NONE = -1;
  static constexpr int HIT_CLOSE = -2;

  CPresetBrowser(const VSTGUI::CRect& size, FlipEditor* editor);

  void drawOGL() override;
  void drawOGLModal() override;
  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons) override;
  void mouseMove(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons) override;
  void mouseUp(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons) override;
  // While shown it holds the keyboard focus, and Escape closes it.
  void setVisible(bool visible) override;
  bool onKeyDown(const VSTGUI::CKeyCode& key) override;
  void MouseMovedAway(VSTGUI::CDrawContext* context) override;

  // The entry under a point, HIT_CLOSE for the close box, else HIT_NONE.
  int HitTestEntry(const VSTGUI::CPoint& where) const;
  int GetRowsPerColumn() const;
  VSTGUI::CRect GetCloseRect() const;
  // The number and name cells of an entry, by its place in the grid.
  VSTGUI::CRect GetEntryRect(int index) const;

  // Entries: the effect's stored presets first, then its programs. The
  // effect is the editor's (the frame's editor without one); without an
  // effect the counts set here are used (previews, layout checks).
  int GetPresetCount() const;
  int GetProgramCount() const;
  int GetEntryCount() const { return GetPresetCount() + GetProgramCount(); }
  void SetEntryCounts(int presets, int programs);

  // Loads entry `index` (a stored preset, or program index - preset count)
  // and closes the browser when close-on-choose is set.
  void ChooseEntry(int index);
  void SetCloseOnChoose(bool close) { m_bCloseOnChoose = close; }
  bool GetCloseOnChoose() const { return m_bCloseOnChoose; }
  int GetHoveredIndex() const { return m_nHovered; }

 private:
  KivEffect* Effect() const;
  void Close();
  void DrawPanel();
  void SetHovered(int index);

  FlipEditor* m_pEditor;
  int m_nHovered = HIT_NONE;
  int m_nPresetCount = 0;
  int m_nProgramCount = 0;
  bool m_bCloseOnChoose = true;
  bool m_bPressed = false;
};
