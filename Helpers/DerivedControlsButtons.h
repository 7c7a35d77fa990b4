#pragma once
// Buttons: an invisible click area, text buttons with a hover text, a
// bitmap button that cycles through n states, radio buttons that share a
// tag, and the on/off bitmap button with a hover state. Buttons that react
// to hovering show the hand cursor and register for mouse-away.
#include "Helpers/DerivedControlsStatic.h"
#include "Helpers/MouseMoveAwayHook.h"
#include "vstgui/CButtons.h"
#include "vstgui/CControl.h"

// Draws nothing; a left click toggles the value between 0 and 1.
class CInvisibleButton : public VSTGUI::CControl, public CMouseMoveAwayHook {
 public:
  CInvisibleButton(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, long tag, bool handCursor = true);

  void drawOGL() override {}
  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons) override;
  void mouseMove(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons) override;
  void MouseMovedAway(VSTGUI::CDrawContext* context) override;
  void SetHandCursor(bool hand) { m_bHandCursor = hand; }

 private:
  bool m_bHandCursor;
};

// A text on a back colour (none while it is the white default); a left click
// toggles the value between 0 and 1; while hovered it shows its hover text.
class CTextButton : public CStaticText, public CMouseMoveAwayHook {
 public:
  CTextButton(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, long tag, const char* text,
              VSTGUI::EOGLFont font = VSTGUI::kOGLFont11, VSTGUI::CHoriTxtAlign align = VSTGUI::kCenterText);

  void drawOGL() override;
  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons) override;
  void mouseMove(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons) override;
  void MouseMovedAway(VSTGUI::CDrawContext* context) override;

  // Shown instead of the text while the mouse is over the button; empty
  // (the default) keeps the text.
  void SetHoverText(const char* text);
  const char* GetHoverText() const { return m_sHoverText.c_str(); }
  bool IsHovered() const { return m_bHover; }

 protected:
  const char* DisplayedText() const override;

  std::string m_sHoverText;
  bool m_bHover = false;
};

// A text button whose back shows the value: lit while on, dimmed while off.
class CTextOnOffButton : public CTextButton {
 public:
  using CTextButton::CTextButton;
  void drawOGL() override;
};

// A bitmap of n states stacked top to bottom; each left click advances the
// state, wrapping to 0 after the last. Value = state / (n - 1).
class CFiniteStatesButton : public VSTGUI::CControl {
 public:
  CFiniteStatesButton(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, long tag, int numStates,
                      VSTGUI::CBitmap* bitmap);

  void drawOGL() override;
  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons) override;
  int GetState() const;
  int GetNumStates() const { return m_nNumStates; }

 private:
  int m_nNumStates;
};

// One member of a group of n buttons sharing a tag; the group's value is
// index / (n - 1). Clicking the selected member selects the toggle-off
// index instead, when one is set (-1: none).
class CRadioButton : public VSTGUI::CControl {
 public:
  CRadioButton(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, long tag, int numButtons, int index,
               VSTGUI::CBitmap* bitmap, int toggleOffIndex = -1);

  void drawOGL() override;
  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons) override;
  void SetToggleOffIndex(int index) { m_nToggleOffIndex = index; }
  int GetToggleOffIndex() const { return m_nToggleOffIndex; }
  // The selected member's index, from the shared value.
  int GetGroupIndex() const;
  int GetIndex() const { return m_nIndex; }

 private:
  float IndexToValue(int index) const;

  int m_nNumButtons;
  int m_nIndex;
  int m_nToggleOffIndex;
};

// The on/off bitmap button with a hover state. A bitmap four states high
// holds off, on, off-hovered and on-hovered; with the usual two states the
// hover state lightens the button.
class COnOffButtonExtended : public VSTGUI::COnOffButton, public CMouseMoveAwayHook {
 public:
  COnOffButtonExtended(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, long tag,
                       VSTGUI::CBitmap* bitmap);

  void drawOGL() override;
  void mouseMove(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons) override;
  void MouseMovedAway(VSTGUI::CDrawContext* context) override;
  bool IsHovered() const { return m_bHover; }

 private:
  bool m_bHover = false;
};
