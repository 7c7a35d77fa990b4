#pragma once
// Controls without a parameter (tag 9999) that only draw: a text label, a
// filled rectangle and a bitmap.
#include <string>

#include "vstgui/CControl.h"

class CStaticText : public VSTGUI::CControl {
 public:
  static constexpr std::size_t MAX_TEXT = 256;

  CStaticText(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, const char* text,
              VSTGUI::EOGLFont font = VSTGUI::kOGLFont11, VSTGUI::CHoriTxtAlign align = VSTGUI::kLeftText,
              VSTGUI::CBitmap* background = nullptr);

  void drawOGL() override;

  // Replace the text (cut at MAX_TEXT characters) and mark the label dirty.
  virtual void SetText(const char* text);
  void sprintf(const char* format, ...) __attribute__((format(printf, 2, 3)));
  const char* GetText() const { return m_sText.c_str(); }

  void SetFont(VSTGUI::EOGLFont font) { m_nFont = font; setDirty(); }
  VSTGUI::EOGLFont GetFont() const { return m_nFont; }
  void SetAlign(VSTGUI::CHoriTxtAlign align) { m_nAlign = align; setDirty(); }
  VSTGUI::CHoriTxtAlign GetAlign() const { return m_nAlign; }
  void SetTextColor(const VSTGUI::CColor& color) { m_TextColor = color; setDirty(); }
  const VSTGUI::CColor& GetTextColor() const { return m_TextColor; }
  // A fill under the text; transparent (none) by default.
  void SetBackColor(const VSTGUI::CColor& color) { m_BackColor = color; setDirty(); }
  const VSTGUI::CColor& GetBackColor() const { return m_BackColor; }

 protected:
  // The text as drawn: buttons swap in their hover text.
  virtual const char* DisplayedText() const { return m_sText.c_str(); }

  std::string m_sText;
  VSTGUI::EOGLFont m_nFont;
  VSTGUI::CHoriTxtAlign m_nAlign;
  VSTGUI::CColor m_TextColor = VSTGUI::kBlackCColor;
  VSTGUI::CColor m_BackColor = VSTGUI::kTransparentCColor;
};

class CStaticRect : public VSTGUI::CControl {
 public:
  CStaticRect(const VSTGUI::CRect& size, const VSTGUI::CColor& color, VSTGUI::CControlListener* listener = nullptr);
  void drawOGL() override;
  void SetColor(const VSTGUI::CColor& color) { m_Color = color; setDirty(); }
  const VSTGUI::CColor& GetColor() const { return m_Color; }
  // Decoration only: clicks fall through to what lies under it.
  bool hitTest(const VSTGUI::CPoint&, long = 0) override { return false; }

 private:
  VSTGUI::CColor m_Color;
};

class CStaticBitmap : public VSTGUI::CControl {
 public:
  // Holds a reference to the bitmap while it lives.
  CStaticBitmap(const VSTGUI::CRect& size, VSTGUI::CBitmap* bitmap, VSTGUI::CControlListener* listener = nullptr);
  void drawOGL() override;
  bool hitTest(const VSTGUI::CPoint&, long = 0) override { return false; }
};
