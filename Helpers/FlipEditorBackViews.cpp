// The back face's pages: the about page and the options page, laid out line
// by line with the back cursor moving down the grey panel.
#include "Helpers/FlipEditorBackViews.h"

#include "Helpers/DerivedControls.h"
#include "Helpers/ErrorReport.h"
#include "Helpers/FlipEditor.h"
#include "Helpers/KivEffect.h"
#include "vstgui/CFrame.h"
#include "vstgui/COGLFonts.h"

using namespace VSTGUI;
using namespace backviews;

CStaticText* FlipEditor::AddBackText(const char* text, EOGLFont font, CHoriTxtAlign alignment) {
  CFrame* frame = getFrame();
  const int width = frame ? frame->getWidth() : m_BackCursor.right;
  // Centred lines span the panel so that long lines are not cut to the title's width.
  const CRect line(0, m_BackCursor.top, width, m_BackCursor.top + LINE_SPACING);
  return AddBackText(alignment == kCenterText ? line : m_BackCursor, text, font, alignment);
}

CStaticText* FlipEditor::AddBackText(const CRect& rect, const char* text, EOGLFont font, CHoriTxtAlign alignment) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<CStaticText*>(nullptr), [&] {
    CStaticText* label = AddStaticText(rect, text, font, alignment);
    if (label) label->SetTextColor(PAGE_TEXT_COLOUR);
    return label;
  });
}

CTextButton* FlipEditor::AddBackTextButton(const char* text, int buttonSlot, EOGLFont font, const CColor& colour) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<CTextButton*>(nullptr), [&] {
    const int centre = (m_BackCursor.left + m_BackCursor.right) / 2;
    const int half = GetTextWidth(text, font) / 2 + TEXT_BUTTON_PADDING;
    const CRect rect(centre - half, m_BackCursor.top, centre + half, m_BackCursor.top + LINE_SPACING);
    CTextButton* button = AddTextButton(rect, text, font, NO_PARAMETER_TAG);
    if (button) {
      button->SetBackColor(colour);
      button->SetTextColor(PAGE_TEXT_COLOUR);
    }
    if (buttonSlot >= 0 && buttonSlot < NUM_BACK_BUTTONS) m_pBackButtons[buttonSlot] = button;
    return button;
  });
}

CTextOnOffButton* FlipEditor::AddOption(const char* label, long tag, bool requiresReopen) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<CTextOnOffButton*>(nullptr), [&]() -> CTextOnOffButton* {
    const int centre = (m_BackCursor.left + m_BackCursor.right) / 2;
    const int top = m_BackCursor.top;
    const int bottom = top + LINE_SPACING;
    const int labelWidth = GetTextWidth(label, PAGE_FONT);
    AddBackText(CRect(centre - OPTION_GAP - labelWidth - 4, top, centre - OPTION_GAP, bottom), label, PAGE_FONT,
                kRightText);
    const CRect buttonRect(centre + OPTION_GAP, top, centre + OPTION_GAP + OPTION_BUTTON_WIDTH, bottom);
    auto* button = new CTextOnOffButton(Place(buttonRect), this, tag, "", PAGE_FONT);
    button->SetTextColor(PAGE_TEXT_COLOUR);
    button->SetBackColor(BUTTON_BACK_COLOUR);
    // Bound by tag: it shows the setting and changes it through the
    // ordinary parameter path.
    AddControl(button, tag, true);
    if (requiresReopen) {
      const int left = buttonRect.right + NOTE_GAP;
      AddBackText(CRect(left, top, left + GetTextWidth(REQUIRES_REOPEN_TEXT, PAGE_FONT) + 4, bottom),
                  REQUIRES_REOPEN_TEXT, PAGE_FONT, kLeftText);
    }
    m_BackCursor.offset(0, LINE_SPACING);
    return button;
  });
}

void FlipEditor::AddBackViewTitle() {}

void FlipEditor::AddBackViewTypeContent() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    AddBackViewTitle();
    if (m_nBackViewType == BACK_VIEW_OPTIONS) AddBackOptions();
    else AddBackAbout();
  });
}

void FlipEditor::AddBackAbout() {
  AddBackText(m_szTitle, PAGE_FONT, kCenterText);
  m_BackCursor.offset(0, LINE_SPACING);
  AddBackText(ABOUT_TECHNOLOGY_LINE, PAGE_FONT, kCenterText);
  m_BackCursor.offset(0, LINE_SPACING);
  AddBackTextButton(RETURN_TEXT, BACK_BUTTON_RETURN, PAGE_FONT, BUTTON_BACK_COLOUR);
  m_BackCursor.offset(0, LINE_SPACING);
  if (m_bOptionsButton) {
    AddBackTextButton(OPTIONS_TEXT, BACK_BUTTON_OPTIONS, PAGE_FONT, BUTTON_BACK_COLOUR);
    m_BackCursor.offset(0, LINE_SPACING);
  }
}

void FlipEditor::AddBackOptions() {
  AddBackText(OPTIONS_TEXT, PAGE_FONT, kCenterText);
  m_BackCursor.offset(0, LINE_SPACING);
  AddBackOptionsInner();
  AddBackTextButton(RETURN_TEXT, BACK_BUTTON_RETURN, PAGE_FONT, BUTTON_BACK_COLOUR);
  m_BackCursor.offset(0, LINE_SPACING);
}

void FlipEditor::AddBackOptionsInner() {
  KivEffect* fx = GetEffect();
  // Only settings the effect declares get a row.
  if (!fx || fx->GetParameterClass(PERSISTENT_PARAM_BASE) == PARAM_CLASS_PERSISTENT)
    AddOption(CACHE_TEXTURES_LABEL, PERSISTENT_PARAM_BASE, true);
  if (!fx || fx->GetParameterClass(TRANSIENT_PARAM_BASE) == PARAM_CLASS_TRANSIENT)
    AddOption(PROFILING_INFO_LABEL, TRANSIENT_PARAM_BASE, false);
}

void FlipEditor::valueChangedBackControl(CControl* control) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!control) return;
    if (control == m_pBackButtons[BACK_BUTTON_RETURN]) {
      // Back to the front face 100 ms from now; never inside this callback.
      RequestFlip();
    } else if (control == m_pBackButtons[BACK_BUTTON_OPTIONS]) {
      GotoBackViewType(BACK_VIEW_OPTIONS);
    }
  });
}
