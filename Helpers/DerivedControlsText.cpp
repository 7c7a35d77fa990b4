#include "Helpers/DerivedControlsText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "Helpers/ErrorReport.h"
#include "platform/Clock.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CDrawContext.h"
#include "vstgui/CFrame.h"

using namespace VSTGUI;

bool OfferModifierClick(CControl* control, long buttons) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    auto* handler = control ? dynamic_cast<CModifierClickListener*>(control->getListener()) : nullptr;
    return handler && handler->controlModifierClicked(control, buttons);
  });
}

namespace {
// The number at the start of a text; 0 when there is none.
double ReadNumber(const char* text) {
  if (!text) return 0.0;
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  return end == text || !std::isfinite(value) ? 0.0 : value;
}

// Silences the listener for the scope: the base edit's commit would report
// the text before this control has read its value from it.
class CListenerMute {
 public:
  explicit CListenerMute(CControl* control) : m_pControl(control), m_pListener(control->getListener()) {
    control->setListener(nullptr);
  }
  ~CListenerMute() { m_pControl->setListener(m_pListener); }
  CListenerMute(const CListenerMute&) = delete;
  CListenerMute& operator=(const CListenerMute&) = delete;

 private:
  CControl* m_pControl;
  CControlListener* m_pListener;
};
}  // namespace

// ---- CTextEditExtended ------------------------------------------------------

CTextEditExtended::CTextEditExtended(const CRect& size, CControlListener* listener, long tag, const char* text,
                                     CBitmap* background, bool readOnly)
    : CTextEdit(size, listener, tag, nullptr, background), m_bReadOnlyText(readOnly) {
  setBackColor(CColor{100, 100, 100, 255});
  CTextEditExtended::setText(text);
}

void CTextEditExtended::setText(const char* text) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    CTextEdit::setText(text);
    m_fValue = static_cast<float>(ReadNumber(getText()));
  });
}

void CTextEditExtended::mouse(CDrawContext* context, CPoint& where, long buttons) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bReadOnlyText) CTextEdit::mouse(context, where, buttons);
  });
}

void CTextEditExtended::takeFocus() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_bReadOnlyText) return;
    m_sBeforeEdit = getText();
    CTextEdit::takeFocus();
  });
}

void CTextEditExtended::looseFocus() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!isEditingText()) return;
    {
      CListenerMute mute(this);
      CTextEdit::looseFocus();
    }
    if (m_bReadOnlyText) {
      CTextEdit::setText(m_sBeforeEdit.c_str());
      return;
    }
    if (m_sBeforeEdit == getText()) return;
    m_fValue = static_cast<float>(ReadNumber(getText()));
    notifyValueChanged();
  });
}

// ---- CTextDrag --------------------------------------------------------------

CTextDrag::CTextDrag(const CRect& size, CControlListener* listener, long tag, float value, ETextDragType type,
                     CBitmap* background)
    : CTextEditExtended(size, listener, tag, "", background),
      m_nType(type),
      m_nDoubleClickMs(std::max<std::uint32_t>(CControl::getDoubleClickInterval(), 250)) {
  m_fValue = value;
  UpdateTextFromValue();
}

void CTextDrag::SetFormat(const char* format) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_sFormat.assign(format && *format ? format : "%f");
    if (m_sFormat.size() > MAX_FORMAT) m_sFormat.resize(MAX_FORMAT);
    UpdateTextFromValue();
  });
}

void CTextDrag::SetThousandsFormat(const char* format) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_sThousandsFormat.assign(format ? format : "");
    if (m_sThousandsFormat.size() > MAX_FORMAT) m_sThousandsFormat.resize(MAX_FORMAT);
    UpdateTextFromValue();
  });
}

namespace {
bool LogUsable(float lo, float hi) { return lo > 0.0f && hi > lo; }
}  // namespace

float CTextDrag::ConvertParamToValue(float param) {
  return kiv::Guard(KIV_SIGNATURE, 0.0f, [&] {
    if (m_nType == kTextDragLog && LogUsable(m_fMin, m_fMax)) {
      const double lo = std::log(m_fMin), hi = std::log(m_fMax);
      const double v = std::exp(lo + static_cast<double>(param) * (hi - lo));
      return std::clamp(static_cast<float>(v), m_fMin, m_fMax);
    }
    return m_fMin + (m_fMax - m_fMin) * param;
  });
}

float CTextDrag::ConvertValueToParam(float value) {
  return kiv::Guard(KIV_SIGNATURE, 0.0f, [&] {
    if (m_nType == kTextDragLog && LogUsable(m_fMin, m_fMax)) {
      if (!(value > 0.0f)) return 0.0f;
      const double lo = std::log(m_fMin), hi = std::log(m_fMax);
      return std::clamp(static_cast<float>((std::log(value) - lo) / (hi - lo)), 0.0f, 1.0f);
    }
    return m_fMax == m_fMin ? 0.0f : (value - m_fMin) / (m_fMax - m_fMin);
  });
}

void CTextDrag::setValue(float value) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_fValue = value;
    UpdateTextFromValue();
  });
}

bool CTextDrag::UpdateTextFromValue() {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    const double shown = static_cast<double>(m_fValue) * static_cast<double>(m_fScale);
    char text[TEXT_CAPACITY];
    // The formats are the control's own, set by the editor, each for one number.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    if (!m_sThousandsFormat.empty() && shown > 1000.0)
      std::snprintf(text, sizeof text, m_sThousandsFormat.c_str(), shown / 1000.0);
    else
      std::snprintf(text, sizeof text, m_sFormat.c_str(), shown);
#pragma GCC diagnostic pop
    if (isEditingText() || std::string(text) == getText()) return false;
    CTextEdit::setText(text);
    return true;
  });
}

void CTextDrag::UpdateValueFromText() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    double value = ReadNumber(getText());
    if (m_fScale != 0.0f) value /= static_cast<double>(m_fScale);
    setValue(std::clamp(static_cast<float>(value), m_fMin, m_fMax));
  });
}

void CTextDrag::looseFocus() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!isEditingText()) return;
    {
      CListenerMute mute(this);
      CTextEdit::looseFocus();
    }
    if (m_sBeforeEdit == getText()) return;
    const float before = m_fValue;
    UpdateValueFromText();  // and shows the clamped number in the control's format
    if (m_fValue == before) return;
    beginEdit();
    notifyValueChanged();
    endEdit();
  });
}

float CTextDrag::DraggedValue(float vStart, int pixelSteps, bool fine) const {
  return kiv::Guard(KIV_SIGNATURE, vStart, [&] {
    const float scale = m_fScale != 0.0f ? m_fScale : 1.0f;
    const bool octaves = m_nType == kTextDragOctaveSteps && !fine;
    const float factor = fine && m_nType != kTextDragOctaveSteps ? FINE_FACTOR : 1.0f;
    const int steps = static_cast<int>(static_cast<float>(pixelSteps) * factor);
    double v;
    if (octaves) {
      // Whole numbers on a tenth-of-an-octave grid.
      const int nStart = vStart > 0.0f ? static_cast<int>(10.0 * std::log2(static_cast<double>(vStart)) + 0.001) : -1;
      const int n = nStart - steps;
      v = n < 0 ? 0.0 : std::trunc(std::pow(2.0, n / 10.0));
    } else if (m_nType == kTextDragLog && LogUsable(m_fMin, m_fMax)) {
      const double lo = std::log(m_fMin), hi = std::log(m_fMax);
      const double start = vStart > 0.0f ? std::log(static_cast<double>(vStart)) : lo;
      const double p = (start - lo) / (hi - lo) - 0.01 * steps;
      v = std::exp(lo + p * (hi - lo));
    } else {
      v = static_cast<double>(vStart) - static_cast<double>(m_fStep) * steps / static_cast<double>(scale);
    }
    return std::clamp(static_cast<float>(v), m_fMin, m_fMax);
  });
}

void CTextDrag::mouse(CDrawContext* context, CPoint& where, long buttons) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bMouseEnabled || !(buttons & kLButton)) return;
    if (isEditingText()) {
      CTextEdit::mouse(context, where, buttons);  // places the caret
      return;
    }
    CFrame* frame = context ? context->getFrame() : getFrame();
    const std::uint32_t now = platform::GetTickCount();
    const bool doubled = m_bHadPress && platform::TicksBetween(m_nLastPressTick, now) <= m_nDoubleClickMs;
    m_bHadPress = !doubled;
    m_nLastPressTick = now;
    if (doubled) {
      if (frame && !m_bReadOnlyText) frame->setFocusView(this);
      return;
    }
    if (buttons & kControl) {
      if (OfferModifierClick(this, buttons)) return;
      beginEdit();
      setValue(m_fDefaultValue);
      notifyValueChanged();
      endEdit();
      return;
    }
    m_bDragging = true;
    m_nDragStartY = m_nLastY = where.v;
    m_fDragStartValue = m_fValue;
    beginEdit();
    if (frame) {
      frame->setMouseCapture(this);
      frame->setCursor(kCursorVSize);
    }
  });
}

void CTextDrag::DragTo(int y, long buttons) {
  m_nLastY = y;
  const int pixelSteps = (y - m_nDragStartY) / PIXELS_PER_STEP;
  m_fValue = DraggedValue(m_fDragStartValue, pixelSteps, (buttons & kShift) != 0);
  if (UpdateTextFromValue()) notifyValueChanged();
}

void CTextDrag::mouseMove(CDrawContext* context, CPoint& where, long buttons) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bDragging) return;
    if (!(buttons & kLButton)) {
      EndDrag();
      return;
    }
    if (CFrame* frame = context ? context->getFrame() : getFrame()) frame->setCursor(kCursorVSize);
    if (where.v != m_nLastY) DragTo(where.v, buttons);
  });
}

void CTextDrag::mouseUp(CDrawContext*, CPoint&, long) {
  kiv::Guard(KIV_SIGNATURE, [&] { EndDrag(); });
}

void CTextDrag::EndDrag() {
  if (!m_bDragging) return;
  m_bDragging = false;
  endEdit();
  if (CFrame* frame = getFrame()) {
    if (frame->getMouseCapture() == this) frame->setMouseCapture(nullptr);
    frame->setCursor(kCursorDefault);
  }
}

bool CTextDrag::onWheel(CDrawContext* context, const CPoint&, float distance) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (!m_bMouseEnabled || isEditingText()) return false;
    const long buttons = context ? context->getMouseButtons() : 0;
    const float scale = m_fScale != 0.0f ? m_fScale : 1.0f;
    float delta = distance * m_fStep / scale;
    if (buttons & kShift) delta *= FINE_FACTOR;
    m_fValue = std::clamp(m_fValue + delta, m_fMin, m_fMax);
    if (UpdateTextFromValue()) {
      beginEdit();
      notifyValueChanged();
      endEdit();
    }
    return true;
  });
}

// ---- COptionMenuExtended ----------------------------------------------------

COptionMenuExtended::COptionMenuExtended(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
                                         CBitmap* secondBackground)
    : COptionMenu(size, listener, tag, background), m_pSecondBackground(secondBackground) {
  if (m_pSecondBackground) m_pSecondBackground->remember();
}

COptionMenuExtended::~COptionMenuExtended() {
  if (m_pSecondBackground) m_pSecondBackground->forget();
}

void COptionMenuExtended::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!isListOpen() || !m_pSecondBackground) {
      COptionMenu::drawOGL();
      return;
    }
    CBitmap* normal = m_pBackground;
    m_pBackground = m_pSecondBackground;  // for this draw only: no reference changes hands
    try {
      COptionMenu::drawOGL();
    } catch (...) {
      m_pBackground = normal;
      throw;
    }
    m_pBackground = normal;
  });
}

void COptionMenuExtended::SetSecondTexts(const char* const* texts) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_SecondTexts.assign(static_cast<std::size_t>(getNbEntries()), std::string());
    if (!texts) return;
    for (std::size_t i = 0; i < m_SecondTexts.size() && texts[i]; ++i) m_SecondTexts[i] = texts[i];
  });
}

const char* COptionMenuExtended::GetSecondText(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= m_SecondTexts.size()) return "";
  return m_SecondTexts[static_cast<std::size_t>(index)].c_str();
}
