#pragma once
// Shows a value as text in a rectangle: font, colours, alignment, and an
// optional conversion from value to text (the default prints two decimals).
#include "vstgui/CControl.h"

namespace VSTGUI {

using CParamDisplayStringConvert = void (*)(float value, char* text, void* userData);

class CParamDisplay : public CControl {
 public:
  static constexpr int TEXT_CAPACITY = 256;

  CParamDisplay(const CRect& size, CBitmap* background = nullptr);

  void drawOGL() override;

  void setFont(EOGLFont font) { m_nFont = font; setDirty(); }
  EOGLFont getFont() const { return m_nFont; }
  void setFontColor(const CColor& color) { m_fontColor = color; setDirty(); }
  const CColor& getFontColor() const { return m_fontColor; }
  void setBackColor(const CColor& color) { m_backColor = color; setDirty(); }
  const CColor& getBackColor() const { return m_backColor; }
  void setFrameColor(const CColor& color) { m_frameColor = color; setDirty(); }
  void setHoriAlign(CHoriTxtAlign align) { m_nAlign = align; setDirty(); }
  CHoriTxtAlign getHoriAlign() const { return m_nAlign; }
  void setStringConvert(CParamDisplayStringConvert convert, void* userData = nullptr);
  // The text the display shows for its value.
  virtual void getDisplayText(char* text) const;

 protected:
  // Background (bitmap, or the back colour unless transparent) and frame.
  void drawPanel();
  void drawText(const char* text, const CRect& area);

  EOGLFont m_nFont = kOGLFont11;
  CColor m_fontColor = kWhiteCColor;
  CColor m_backColor = kBlackCColor;
  CColor m_frameColor = kTransparentCColor;
  CHoriTxtAlign m_nAlign = kCenterText;
  CParamDisplayStringConvert m_pConvert = nullptr;
  void* m_pConvertData = nullptr;
};

}  // namespace VSTGUI
