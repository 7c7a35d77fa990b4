#include "vstgui/CButtons.h"

#include "Helpers/ErrorReport.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CDrawContext.h"
#include "vstgui/CFrame.h"
#include "vstgui/GLState.h"

namespace VSTGUI {

COnOffButton::COnOffButton(const CRect& size, CControlListener* listener, long tag, CBitmap* background)
    : CControl(size, listener, tag, background) {}

void COnOffButton::drawState(int state) {
  if (m_pBackground) {
    const int half = m_pBackground->getHeight() / 2;
    m_pBackground->drawOGL(m_size.left, m_size.top, 0, state ? half : 0, m_size.width(), half);
  } else {
    FillRect(m_size, state ? CColor{230, 180, 40, 255} : CColor{70, 70, 70, 255});
  }
}

void COnOffButton::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] { drawState(m_fValue != m_fMin ? 1 : 0); });
}

void COnOffButton::mouse(CDrawContext*, CPoint&, long buttons) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bMouseEnabled || !(buttons & kLButton)) return;
    beginEdit();
    m_fValue = m_fValue != m_fMin ? m_fMin : m_fMax;
    notifyValueChanged();
    endEdit();
  });
}

void CKickButton::mouse(CDrawContext* context, CPoint&, long buttons) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bMouseEnabled || !(buttons & kLButton)) return;
    beginEdit();
    m_fValue = m_fMax;
    notifyValueChanged();
    if (CFrame* frame = context ? context->getFrame() : getFrame()) frame->setMouseCapture(this);
  });
}

void CKickButton::mouseMove(CDrawContext*, CPoint& where, long buttons) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!isEditing()) return;
    // Sliding off the button lets it go up without a second kick.
    const float value = (buttons & kLButton) && m_size.pointInside(where) ? m_fMax : m_fMin;
    if (value != m_fValue) {
      m_fValue = value;
      setDirty();
    }
  });
}

void CKickButton::mouseUp(CDrawContext*, CPoint&, long) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!isEditing()) return;
    m_fValue = m_fMin;
    notifyValueChanged();
    endEdit();
  });
}

}  // namespace VSTGUI
