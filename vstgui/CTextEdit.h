#pragma once
// A line of text the user can type into, drawn with GL: a click takes the
// keyboard focus and places the caret; Return or a click elsewhere commits,
// Escape restores the text it had. Each commit tells the listener.
#include <string>

#include "vstgui/CParamDisplay.h"

namespace VSTGUI {

class CTextEdit : public CParamDisplay {
 public:
  static constexpr std::size_t MAX_TEXT = 1023;

  CTextEdit(const CRect& size, CControlListener* listener, long tag, const char* text = nullptr,
            CBitmap* background = nullptr);

  void setText(const char* text);
  const char* getText() const { return m_sText.c_str(); }
  void getDisplayText(char* text) const override;
  bool isEditingText() const { return m_bEditingText; }
  void setReadOnly(bool readOnly) { m_bReadOnly = readOnly; }

  void drawOGL() override;
  void mouse(CDrawContext* context, CPoint& where, long buttons) override;
  bool onKeyDown(const CKeyCode& key) override;
  void takeFocus() override;
  void looseFocus() override;

 private:
  std::size_t caretFromX(int x) const;
  void commit();

  std::string m_sText;
  std::string m_sEdit;  // what is being typed
  std::size_t m_nCaret = 0;
  bool m_bEditingText = false;
  bool m_bReadOnly = false;
};

}  // namespace VSTGUI
