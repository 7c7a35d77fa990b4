#include "vstgui/CParamDisplay.h"

#include <cstdio>

#include "Helpers/ErrorReport.h"
#include "vstgui/CBitmap.h"
#include "vstgui/GLState.h"
#include "vstgui/COGLFonts.h"

namespace VSTGUI {

CParamDisplay::CParamDisplay(const CRect& size, CBitmap* background) : CControl(size, nullptr, 0, background) {}

void CParamDisplay::setStringConvert(CParamDisplayStringConvert convert, void* userData) {
  m_pConvert = convert;
  m_pConvertData = userData;
  setDirty();
}

void CParamDisplay::getDisplayText(char* text) const {
  if (m_pConvert) {
    text[0] = '\0';
    m_pConvert(m_fValue, text, m_pConvertData);
    text[TEXT_CAPACITY - 1] = '\0';
  } else {
    std::snprintf(text, TEXT_CAPACITY, "%.2f", static_cast<double>(m_fValue));
  }
}

void CParamDisplay::drawPanel() {
  if (m_pBackground) drawBackground();
  else if (!m_bTransparent) FillRect(m_size, m_backColor);
  if (m_frameColor.alpha != 0) {
    SetGLColor(m_frameColor);
    FrameRect(m_size);
  }
}

void CParamDisplay::drawText(const char* text, const CRect& area) {
  CRect inner = area;
  inner.inset(2, 0);
  SetGLColor(m_fontColor);
  DrawTextInRect(inner, text, m_nAlign, m_nFont);
}

void CParamDisplay::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    drawPanel();
    char text[TEXT_CAPACITY];
    getDisplayText(text);
    drawText(text, m_size);
  });
}

}  // namespace VSTGUI
