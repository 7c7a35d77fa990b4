#include "vstgui/COptionMenu.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Helpers/ErrorReport.h"
#include "vstgui/CDrawContext.h"
#include "vstgui/CFrame.h"
#include "vstgui/GLState.h"
#include "vstgui/COGLFonts.h"

namespace VSTGUI {

namespace {
constexpr int kFontPixels[kNumOGLFonts] = {9, 11, 14, 18};
const CColor kListBack{40, 40, 40, 245};
const CColor kListHover{90, 120, 170, 255};
const CColor kListFrame{150, 150, 150, 255};
}  // namespace

COptionMenu::COptionMenu(const CRect& size, CControlListener* listener, long tag, CBitmap* background)
    : CParamDisplay(size, background) {
  setListener(listener);
  setTag(tag);
  m_nAlign = kLeftText;
  m_fWheelInc = 1.0f;
}

bool COptionMenu::addEntry(const char* text) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    m_entries.emplace_back(text ? text : "");
    m_fMax = static_cast<float>(std::max<int>(1, getNbEntries() - 1));
    setDirty();
    return true;
  });
}

void COptionMenu::removeAllEntry() {
  closeList();
  m_entries.clear();
  m_fMax = 1.0f;
  setDirty();
}

const char* COptionMenu::getEntry(int index) const {
  return index >= 0 && index < getNbEntries() ? m_entries[static_cast<std::size_t>(index)].c_str() : nullptr;
}

int COptionMenu::getCurrentIndex() const {
  if (m_entries.empty() || std::isnan(m_fValue)) return -1;
  return std::clamp(static_cast<int>(m_fValue + 0.5f), 0, getNbEntries() - 1);
}

bool COptionMenu::setCurrent(int index) {
  if (index < 0 || index >= getNbEntries()) return false;
  setValue(static_cast<float>(index));
  return true;
}

void COptionMenu::getDisplayText(char* text) const {
  const char* entry = getEntry(getCurrentIndex());
  std::snprintf(text, TEXT_CAPACITY, "%s", entry ? entry : "");
}

int COptionMenu::lineHeight() const { return kFontPixels[std::clamp<int>(m_nFont, 0, kNumOGLFonts - 1)] + 6; }

CRect COptionMenu::getListRect() const {
  int width = m_size.width();
  for (const std::string& entry : m_entries) width = std::max(width, GetTextWidth(entry.c_str(), m_nFont) + 12);
  CRect list(m_size.left, m_size.bottom, m_size.left + width, m_size.bottom + getNbEntries() * lineHeight() + 2);
  if (const CFrame* frame = getFrame()) {
    const CRect& bounds = frame->getViewSize();
    if (list.bottom > bounds.bottom) list.offset(0, std::max(bounds.top, bounds.bottom - list.height()) - list.top);
    if (list.right > bounds.right) list.offset(std::max(bounds.left, bounds.right - list.width()) - list.left, 0);
  }
  return list;
}

int COptionMenu::entryAt(const CPoint& where) const {
  const CRect list = getListRect();
  if (!list.pointInside(where)) return -1;
  const int index = (where.v - list.top - 1) / lineHeight();
  return index >= 0 && index < getNbEntries() ? index : -1;
}

void COptionMenu::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    CParamDisplay::drawOGL();
    // A small arrow at the right says this is a menu.
    if (m_pBackground) return;
    const int x = m_size.right - 9, y = (m_size.top + m_size.bottom) / 2 - 2;
    SetGLColor(m_fontColor);
    for (int i = 0; i < 3; ++i) FillRect(CRect(x + i, y + i, x + 6 - i, y + i + 1));
  });
}

void COptionMenu::drawOGLModal() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bListOpen) return;
    const CRect list = getListRect();
    FillRect(list, kListBack);
    SetGLColor(kListFrame);
    FrameRect(list);
    for (int i = 0; i < getNbEntries(); ++i) {
      CRect line(list.left + 1, list.top + 1 + i * lineHeight(), list.right - 1, list.top + 1 + (i + 1) * lineHeight());
      if (i == m_nHover) FillRect(line, kListHover);
      line.inset(5, 0);
      SetGLColor(i == getCurrentIndex() ? CColor{255, 210, 90, 255} : kWhiteCColor);
      DrawTextInRect(line, m_entries[static_cast<std::size_t>(i)].c_str(), kLeftText, m_nFont);
    }
  });
}

bool COptionMenu::hitTest(const CPoint& where, long buttons) {
  // While open, every click is the list's: one outside closes it.
  return m_bListOpen || CParamDisplay::hitTest(where, buttons);
}

void COptionMenu::openList() {
  CFrame* frame = getFrame();
  if (!frame || m_entries.empty()) return;
  m_bListOpen = true;
  m_nHover = getCurrentIndex();
  frame->setModalView(this);
  frame->setFocusView(this);
  setDirty();
}

void COptionMenu::closeList() {
  if (!m_bListOpen) return;
  m_bListOpen = false;
  m_nHover = -1;
  if (CFrame* frame = getFrame()) {
    if (frame->getModalView() == this) frame->setModalView(nullptr);
    if (frame->getFocusView() == this) frame->setFocusView(nullptr);
    frame->invalid();
  }
}

void COptionMenu::choose(int index) {
  closeList();
  if (index < 0 || index == getCurrentIndex()) return;
  beginEdit();
  setValue(static_cast<float>(index));
  notifyValueChanged();
  endEdit();
}

void COptionMenu::mouse(CDrawContext*, CPoint& where, long buttons) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bMouseEnabled || !(buttons & kLButton)) return;
    if (!m_bListOpen) openList();
    else if (m_size.pointInside(where)) closeList();
    else choose(entryAt(where));
  });
}

void COptionMenu::mouseMove(CDrawContext*, CPoint& where, long) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bListOpen) return;
    const int hover = entryAt(where);
    if (hover != m_nHover) {
      m_nHover = hover;
      setDirty();
    }
  });
}

bool COptionMenu::onWheel(CDrawContext*, const CPoint&, float distance) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (m_bListOpen || m_entries.empty()) return m_bListOpen;
    // Wheel up moves towards the first entry, as in a list.
    const int step = distance > 0 ? -1 : (distance < 0 ? 1 : 0);
    choose(std::clamp(getCurrentIndex() + step, 0, getNbEntries() - 1));
    return true;
  });
}

bool COptionMenu::onKeyDown(const CKeyCode& key) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (!m_bListOpen) return false;
    using platform::EKey;
    switch (key.key) {
      case EKey::Up: m_nHover = std::max(0, m_nHover - 1); break;
      case EKey::Down: m_nHover = std::min(getNbEntries() - 1, m_nHover + 1); break;
      case EKey::Return: choose(m_nHover); return true;
      case EKey::Escape: closeList(); return true;
      default: return true;  // an open list takes every key
    }
    setDirty();
    return true;
  });
}

bool COptionMenu::removed(CView* parent) {
  closeList();
  return CParamDisplay::removed(parent);
}

}  // namespace VSTGUI
