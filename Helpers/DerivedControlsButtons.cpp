#include "Helpers/DerivedControlsButtons.h"

#include <cmath>

#include "Helpers/ErrorReport.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CDrawContext.h"
#include "vstgui/CFrame.h"
#include "vstgui/GLState.h"

using namespace VSTGUI;

namespace {
constexpr CColor HOVER_TINT{255, 255, 255, 48};

float Toggled(float value) { return value != 0.0f ? 0.0f : 1.0f; }
}  // namespace

// ---- CInvisibleButton -------------------------------------------------------

CInvisibleButton::CInvisibleButton(const CRect& size, CControlListener* listener, long tag, bool handCursor)
    : CControl(size, listener, tag), m_bHandCursor(handCursor) {}

void CInvisibleButton::mouse(CDrawContext*, CPoint&, long buttons) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bMouseEnabled || !(buttons & kLButton)) return;
    m_fValue = Toggled(m_fValue);
    notifyValueChanged();
  });
}

void CInvisibleButton::mouseMove(CDrawContext*, CPoint&, long) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_bHandCursor) SetCursorAndRegister(this, kCursorHand, true);
  });
}

// The frame puts the arrow back on the next move; nothing is drawn to undo.
void CInvisibleButton::MouseMovedAway(CDrawContext*) {}

// ---- CTextButton ------------------------------------------------------------

CTextButton::CTextButton(const CRect& size, CControlListener* listener, long tag, const char* text, EOGLFont font,
                         CHoriTxtAlign align)
    : CStaticText(size, listener, text, font, align) {
  setTag(tag);
  m_BackColor = kWhiteCColor;  // white: no back
}

void CTextButton::SetHoverText(const char* text) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_sHoverText.assign(text ? text : "");
    if (m_sHoverText.size() > MAX_TEXT) m_sHoverText.resize(MAX_TEXT);
    if (m_bHover) setDirty();
  });
}

const char* CTextButton::DisplayedText() const {
  return m_bHover && !m_sHoverText.empty() ? m_sHoverText.c_str() : m_sText.c_str();
}

void CTextButton::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    drawBackground();
    if (m_BackColor != kWhiteCColor && m_BackColor.alpha != 0) FillRect(m_size, m_BackColor);
    if (m_bHover) FillRect(m_size, HOVER_TINT);
    SetGLColor(m_TextColor);
    DrawTextInRect(m_size, DisplayedText(), m_nAlign, m_nFont);
  });
}

void CTextButton::mouse(CDrawContext*, CPoint&, long buttons) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bMouseEnabled || !(buttons & kLButton)) return;
    m_fValue = Toggled(m_fValue);
    notifyValueChanged();
  });
}

void CTextButton::mouseMove(CDrawContext*, CPoint&, long) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bHover) {
      m_bHover = true;
      setDirty();
    }
    SetCursorAndRegister(this, kCursorHand, true);
  });
}

void CTextButton::MouseMovedAway(CDrawContext*) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bHover) return;
    m_bHover = false;
    setDirty();
  });
}

// ---- CTextOnOffButton -------------------------------------------------------

void CTextOnOffButton::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    drawBackground();
    const bool on = m_fValue != 0.0f;
    // On: the back colour (a light fill for the white default); off: a
    // third of it, with an outline so the button still reads as one.
    CColor back = m_BackColor == kWhiteCColor ? CColor{255, 255, 255, 160} : m_BackColor;
    if (!on) back.alpha = static_cast<std::uint8_t>(back.alpha / 3);
    FillRect(m_size, back);
    if (!on) {
      SetGLColor(CColor{m_TextColor.red, m_TextColor.green, m_TextColor.blue, 96});
      FrameRect(m_size);
    }
    if (m_bHover) FillRect(m_size, HOVER_TINT);
    SetGLColor(m_TextColor);
    DrawTextInRect(m_size, DisplayedText(), m_nAlign, m_nFont);
  });
}

// ---- CFiniteStatesButton ----------------------------------------------------

CFiniteStatesButton::CFiniteStatesButton(const CRect& size, CControlListener* listener, long tag, int numStates,
                                         CBitmap* bitmap)
    : CControl(size, listener, tag, bitmap), m_nNumStates(numStates < 1 ? 1 : numStates) {}

int CFiniteStatesButton::GetState() const {
  if (m_nNumStates < 2) return 0;
  const int state = static_cast<int>(std::lround(m_fValue * static_cast<float>(m_nNumStates - 1)));
  return state < 0 ? 0 : state >= m_nNumStates ? m_nNumStates - 1 : state;
}

void CFiniteStatesButton::mouse(CDrawContext*, CPoint&, long buttons) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bMouseEnabled || !(buttons & kLButton)) return;
    int state = GetState() + 1;
    if (state >= m_nNumStates) state = 0;
    beginEdit();
    m_fValue = m_nNumStates < 2 ? 0.0f : static_cast<float>(state) / static_cast<float>(m_nNumStates - 1);
    notifyValueChanged();
    endEdit();
  });
}

void CFiniteStatesButton::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_pBackground) return;
    const int slice = m_pBackground->getHeight() / m_nNumStates;
    m_pBackground->drawOGL(m_size.left, m_size.top, 0, GetState() * slice, m_size.width(), slice);
  });
}

// ---- CRadioButton -----------------------------------------------------------

CRadioButton::CRadioButton(const CRect& size, CControlListener* listener, long tag, int numButtons, int index,
                           CBitmap* bitmap, int toggleOffIndex)
    : CControl(size, listener, tag, bitmap),
      m_nNumButtons(numButtons < 1 ? 1 : numButtons),
      m_nIndex(index),
      m_nToggleOffIndex(toggleOffIndex) {}

float CRadioButton::IndexToValue(int index) const {
  return m_nNumButtons < 2 ? 0.0f : static_cast<float>(index) / static_cast<float>(m_nNumButtons - 1);
}

int CRadioButton::GetGroupIndex() const {
  return static_cast<int>(std::lround(m_fValue * static_cast<float>(m_nNumButtons - 1)));
}

void CRadioButton::mouse(CDrawContext*, CPoint&, long buttons) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bMouseEnabled || !(buttons & kLButton)) return;
    const bool toggleOff = GetGroupIndex() == m_nIndex && m_nToggleOffIndex >= 0 && m_nToggleOffIndex < m_nNumButtons;
    beginEdit();
    m_fValue = IndexToValue(toggleOff ? m_nToggleOffIndex : m_nIndex);
    notifyValueChanged();
    endEdit();
  });
}

void CRadioButton::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    const bool on = GetGroupIndex() == m_nIndex;
    if (!m_pBackground) {
      FillRect(m_size, on ? CColor{230, 180, 40, 255} : CColor{70, 70, 70, 255});
      return;
    }
    const int half = m_pBackground->getHeight() / 2;
    m_pBackground->drawOGL(m_size.left, m_size.top, 0, on ? half : 0, m_size.width(), half);
  });
}

// ---- COnOffButtonExtended ---------------------------------------------------

COnOffButtonExtended::COnOffButtonExtended(const CRect& size, CControlListener* listener, long tag, CBitmap* bitmap)
    : COnOffButton(size, listener, tag, bitmap) {}

void COnOffButtonExtended::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    const int state = m_fValue != m_fMin ? 1 : 0;
    const int h = m_size.height();
    if (m_pBackground && h > 0 && m_pBackground->getHeight() >= 4 * h) {
      m_pBackground->drawOGL(m_size.left, m_size.top, 0, (state + (m_bHover ? 2 : 0)) * h, m_size.width(), h);
      return;
    }
    drawState(state);
    if (m_bHover) FillRect(m_size, HOVER_TINT);
  });
}

void COnOffButtonExtended::mouseMove(CDrawContext*, CPoint&, long) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bHover) {
      m_bHover = true;
      setDirty();
    }
    RegisterMouseMoveAway();
  });
}

void COnOffButtonExtended::MouseMovedAway(CDrawContext*) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bHover) return;
    m_bHover = false;
    setDirty();
  });
}
