#include "Helpers/DerivedControlsPresetBrowser.h"

#include <cstdio>

#include "Helpers/ErrorReport.h"
#include "Helpers/FlipEditor.h"
#include "Helpers/KivEffect.h"
#include "vstgui/CDrawContext.h"
#include "vstgui/CFrame.h"
#include "vstgui/COGLFonts.h"
#include "vstgui/GLState.h"

using namespace VSTGUI;

namespace {
constexpr int BOTTOM_RESERVE = 20;  // a column ends this far above the bottom
constexpr CColor BACKGROUND{64, 64, 64, 200};
constexpr CColor HIGHLIGHT{196, 188, 28, 200};
constexpr CColor PRESET_TEXT{200, 200, 255, 255};
constexpr EOGLFont ENTRY_FONT = kOGLFont11;
}  // namespace

CPresetBrowser::CPresetBrowser(const CRect& size, FlipEditor* editor)
    : CControl(size, editor, NO_PARAMETER_TAG), m_pEditor(editor) {}

// The effect of the editor given, or else of the frame's editor.
KivEffect* CPresetBrowser::Effect() const {
  const AEffGUIEditor* editor = m_pEditor;
  if (!editor && getFrame()) editor = getFrame()->getEditor();
  return editor ? dynamic_cast<KivEffect*>(editor->getEffect()) : nullptr;
}

int CPresetBrowser::GetPresetCount() const {
  const KivEffect* effect = Effect();
  return effect ? effect->GetUserProgramCount() : m_nPresetCount;
}

int CPresetBrowser::GetProgramCount() const { return Effect() ? NUM_PROGRAMS : m_nProgramCount; }

void CPresetBrowser::SetEntryCounts(int presets, int programs) {
  m_nPresetCount = presets < 0 ? 0 : presets;
  m_nProgramCount = programs < 0 ? 0 : programs;
  setDirty();
}

int CPresetBrowser::GetRowsPerColumn() const { return (m_size.height() - MARGIN - BOTTOM_RESERVE) / ROW_HEIGHT; }

CRect CPresetBrowser::GetCloseRect() const {
  return CRect(m_size.right - 74, m_size.bottom - 28, m_size.right - 32, m_size.bottom - 12);
}

CRect CPresetBrowser::GetEntryRect(int index) const {
  const int rows = GetRowsPerColumn();
  if (rows <= 0 || index < 0) return CRect();
  const int left = m_size.left + MARGIN + (index / rows) * COLUMN_WIDTH;
  const int top = m_size.top + MARGIN + (index % rows) * ROW_HEIGHT;
  return CRect(left, top, left + NUMBER_WIDTH + NAME_GAP + NAME_WIDTH, top + ROW_HEIGHT);
}

int CPresetBrowser::HitTestEntry(const CPoint& where) const {
  return kiv::Guard(KIV_SIGNATURE, static_cast<int>(HIT_NONE), [&] {
    const int dx = where.h - m_size.left - MARGIN, dy = where.v - m_size.top - MARGIN;
    const int rows = GetRowsPerColumn();
    if (dx >= 0 && dy >= 0 && rows > 0) {
      const int column = dx / COLUMN_WIDTH, row = dy / ROW_HEIGHT;
      const int index = rows * column + row;
      if (row < rows && index < GetEntryCount()) return index;
    }
    return GetCloseRect().pointInside(where) ? static_cast<int>(HIT_CLOSE) : static_cast<int>(HIT_NONE);
  });
}

void CPresetBrowser::SetHovered(int index) {
  if (index == m_nHovered) return;
  m_nHovered = index;
  setDirty();
}

void CPresetBrowser::ChooseEntry(int index) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    KivEffect* effect = Effect();
    if (!effect || index < 0 || index >= GetEntryCount()) return;
    const int presets = GetPresetCount();
    if (index < presets) effect->LoadUserProgram(index);
    else effect->setProgram(index - presets);
    effect->updateDisplay();
    if (m_bCloseOnChoose) Close();
  });
}

void CPresetBrowser::Close() {
  if (m_pEditor) {
    m_pEditor->ShowPresetBrowser(false);
    return;
  }
  setVisible(false);
  if (CFrame* frame = getFrame(); frame && frame->getModalView() == this) frame->setModalView(nullptr);
}

void CPresetBrowser::mouse(CDrawContext* context, CPoint& where, long buttons) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bMouseEnabled || !(buttons & kLButton)) return;
    // The choice is made where the button goes up, so a press can be
    // dragged to another entry or off the panel to cancel it.
    m_bPressed = true;
    SetHovered(HitTestEntry(where));
    if (CFrame* frame = context ? context->getFrame() : getFrame()) frame->setMouseCapture(this);
  });
}

void CPresetBrowser::mouseMove(CDrawContext*, CPoint& where, long) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    SetHovered(HitTestEntry(where));
    RegisterMouseMoveAway();
  });
}

void CPresetBrowser::mouseUp(CDrawContext*, CPoint& where, long) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bPressed) return;
    m_bPressed = false;
    const int hit = HitTestEntry(where);
    if (hit >= 0) ChooseEntry(hit);
    else if (hit == HIT_CLOSE) Close();
    notifyValueChanged();
    setDirty();
  });
}

void CPresetBrowser::setVisible(bool visible) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    CControl::setVisible(visible);
    CFrame* frame = getFrame();
    if (!frame) return;
    if (visible) frame->setFocusView(this);
    else if (frame->getFocusView() == this) frame->setFocusView(nullptr);
  });
}

bool CPresetBrowser::onKeyDown(const CKeyCode& key) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (key.key != platform::EKey::Escape || !isVisible()) return false;
    Close();
    return true;
  });
}

void CPresetBrowser::MouseMovedAway(CDrawContext*) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bPressed) SetHovered(HIT_NONE);
  });
}

void CPresetBrowser::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    // While modal the frame draws it on top of everything instead.
    CFrame* frame = getFrame();
    if (frame && frame->getModalView() == this) return;
    DrawPanel();
  });
}

void CPresetBrowser::drawOGLModal() {
  kiv::Guard(KIV_SIGNATURE, [&] { DrawPanel(); });
}

void CPresetBrowser::DrawPanel() {
  FillRect(m_size, BACKGROUND);
  const KivEffect* effect = Effect();
  const int presets = GetPresetCount(), count = GetEntryCount();
  char name[PROGRAM_NAME_FIELD];
  char number[16];
  for (int i = 0; i < count; ++i) {
    const CRect cell = GetEntryRect(i);
    if (cell.isEmpty() || cell.right > m_size.right) break;  // no room for more columns
    if (i == m_nHovered) FillRect(cell, HIGHLIGHT);
    const CRect numberCell(cell.left, cell.top, cell.left + NUMBER_WIDTH, cell.bottom);
    const CRect nameCell(numberCell.right + NAME_GAP, cell.top, cell.right, cell.bottom);
    name[0] = '\0';
    if (i < presets) {
      if (effect) std::snprintf(name, sizeof name, "%s", effect->GetUserProgramRecord(i).name);
      SetGLColor(PRESET_TEXT);
    } else {
      const int program = i - presets;
      if (effect) std::snprintf(name, sizeof name, "%s", effect->GetProgramRecord(program).name);
      std::snprintf(number, sizeof number, "%02i", program + 1);
      SetGLColor(kWhiteCColor);
      DrawTextInRect(numberCell, number, kRightText, ENTRY_FONT);
    }
    DrawTextInRect(nameCell, name, kLeftText, ENTRY_FONT);
  }
  const CRect close = GetCloseRect();
  if (m_nHovered == HIT_CLOSE) FillRect(close, HIGHLIGHT);
  SetGLColor(kWhiteCColor);
  FrameRect(close);
  DrawTextInRect(close, "Close", kCenterText, ENTRY_FONT);
}
