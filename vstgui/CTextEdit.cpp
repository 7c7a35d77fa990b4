#include "vstgui/CTextEdit.h"

#include <cstring>

#include "Helpers/ErrorReport.h"
#include "vstgui/CDrawContext.h"
#include "vstgui/CFrame.h"
#include "vstgui/GLState.h"
#include "vstgui/COGLFonts.h"

namespace VSTGUI {

namespace {
// Printable ASCII only: the fonts have glyphs for nothing else.
bool Typable(const char* text) { return text[0] >= 32 && text[0] < 127 && text[1] == '\0'; }
}  // namespace

CTextEdit::CTextEdit(const CRect& size, CControlListener* listener, long tag, const char* text, CBitmap* background)
    : CParamDisplay(size, background) {
  setListener(listener);
  setTag(tag);
  setText(text);
}

void CTextEdit::setText(const char* text) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_sText.assign(text ? text : "");
    if (m_sText.size() > MAX_TEXT) m_sText.resize(MAX_TEXT);
    setDirty();
  });
}

void CTextEdit::getDisplayText(char* text) const {
  const std::string& shown = m_bEditingText ? m_sEdit : m_sText;
  std::snprintf(text, TEXT_CAPACITY, "%s", shown.c_str());
}

void CTextEdit::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    drawPanel();
    char text[TEXT_CAPACITY];
    getDisplayText(text);
    if (!m_bEditingText) {
      drawText(text, m_size);
      return;
    }
    // While typing: left-aligned, with a caret after the caret's characters.
    FillRect(m_size, CColor{255, 255, 255, 40});
    CRect inner = m_size;
    inner.inset(2, 0);
    SetGLColor(m_fontColor);
    DrawTextInRect(inner, text, kLeftText, m_nFont);
    const std::string head = m_sEdit.substr(0, m_nCaret);
    const int x = inner.left + GetTextWidth(head.c_str(), m_nFont);
    FillRect(CRect(x, m_size.top + 2, x + 1, m_size.bottom - 2), m_fontColor);
  });
}

std::size_t CTextEdit::caretFromX(int x) const {
  int left = m_size.left + 2;
  std::string head;
  for (std::size_t i = 0; i < m_sEdit.size(); ++i) {
    head.push_back(m_sEdit[i]);
    const int right = m_size.left + 2 + GetTextWidth(head.c_str(), m_nFont);
    if (x < (left + right) / 2) return i;
    left = right;
  }
  return m_sEdit.size();
}

void CTextEdit::mouse(CDrawContext* context, CPoint& where, long buttons) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_bReadOnly || !m_bMouseEnabled || !(buttons & kLButton)) return;
    CFrame* frame = context ? context->getFrame() : getFrame();
    if (!m_bEditingText && frame) frame->setFocusView(this);
    m_nCaret = caretFromX(where.h);
    setDirty();
  });
}

void CTextEdit::takeFocus() {
  m_sEdit = m_sText;
  m_nCaret = m_sEdit.size();
  m_bEditingText = true;
  setDirty();
}

void CTextEdit::looseFocus() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_bEditingText) commit();
  });
}

void CTextEdit::commit() {
  m_bEditingText = false;
  const bool changed = m_sEdit != m_sText;
  m_sText = m_sEdit;
  setDirty();
  if (changed) notifyValueChanged();
}

bool CTextEdit::onKeyDown(const CKeyCode& key) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (!m_bEditingText) return false;
    using platform::EKey;
    CFrame* frame = getFrame();
    switch (key.key) {
      case EKey::Return:
        if (frame) frame->setFocusView(nullptr);  // commits through looseFocus
        else commit();
        return true;
      case EKey::Escape:
        m_sEdit = m_sText;
        if (frame) frame->setFocusView(nullptr);
        else m_bEditingText = false;
        return true;
      case EKey::BackSpace:
        if (m_nCaret > 0) m_sEdit.erase(--m_nCaret, 1);
        break;
      case EKey::Delete:
        if (m_nCaret < m_sEdit.size()) m_sEdit.erase(m_nCaret, 1);
        break;
      case EKey::Left: if (m_nCaret > 0) --m_nCaret; break;
      case EKey::Right: if (m_nCaret < m_sEdit.size()) ++m_nCaret; break;
      case EKey::Home: m_nCaret = 0; break;
      case EKey::End: m_nCaret = m_sEdit.size(); break;
      case EKey::None:
        if (!Typable(key.text) || m_sEdit.size() >= MAX_TEXT) return true;
        m_sEdit.insert(m_nCaret++, 1, key.text[0]);
        break;
      default: return false;
    }
    setDirty();
    return true;
  });
}

}  // namespace VSTGUI
