#include "Helpers/DerivedControlsStatic.h"

#include <cstdarg>
#include <cstdio>

#include "Helpers/ErrorReport.h"
#include "vstgui/CBitmap.h"
#include "vstgui/COGLFonts.h"
#include "vstgui/GLState.h"

using namespace VSTGUI;

namespace {
constexpr long NO_PARAMETER_TAG = 9999;  // as the effect numbers it
}  // namespace

CStaticText::CStaticText(const CRect& size, CControlListener* listener, const char* text, EOGLFont font,
                         CHoriTxtAlign align, CBitmap* background)
    : CControl(size, listener, NO_PARAMETER_TAG, background), m_nFont(font), m_nAlign(align) {
  CStaticText::SetText(text);
}

void CStaticText::SetText(const char* text) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    std::string next(text ? text : "");
    if (next.size() > MAX_TEXT) next.resize(MAX_TEXT);
    if (next == m_sText) return;
    m_sText.swap(next);
    setDirty();
  });
}

void CStaticText::sprintf(const char* format, ...) {
  if (!format) return;
  char text[MAX_TEXT + 1];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  SetText(text);
}

void CStaticText::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    drawBackground();
    if (m_BackColor.alpha != 0) FillRect(m_size, m_BackColor);
    SetGLColor(m_TextColor);
    DrawTextInRect(m_size, DisplayedText(), m_nAlign, m_nFont);
  });
}

CStaticRect::CStaticRect(const CRect& size, const CColor& color, CControlListener* listener)
    : CControl(size, listener, NO_PARAMETER_TAG), m_Color(color) {}

void CStaticRect::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] { FillRect(m_size, m_Color); });
}

CStaticBitmap::CStaticBitmap(const CRect& size, CBitmap* bitmap, CControlListener* listener)
    : CControl(size, listener, NO_PARAMETER_TAG, bitmap) {}

void CStaticBitmap::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] { drawBackground(); });
}
