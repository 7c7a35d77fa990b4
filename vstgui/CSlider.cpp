#include "vstgui/CSlider.h"

#include <algorithm>

#include "Helpers/ErrorReport.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CDrawContext.h"
#include "vstgui/CFrame.h"
#include "vstgui/GLState.h"

namespace VSTGUI {

namespace {
constexpr int kDrawnHandleLength = 8;  // when there is no handle bitmap
}  // namespace

CSlider::CSlider(const CRect& size, CControlListener* listener, long tag, int minPos, int maxPos, CBitmap* handle,
                 CBitmap* background, const CPoint& handleOffset, int style, bool horizontal)
    : CControl(size, listener, tag, background),
      m_nMinPos(minPos),
      m_nMaxPos(maxPos),
      m_handleOffset(handleOffset),
      m_nStyle(style),
      m_bHorizontal(horizontal) {
  setHandle(handle);
}

CSlider::~CSlider() {
  if (m_pHandle) m_pHandle->forget();
}

void CSlider::setHandle(CBitmap* handle) {
  if (handle) handle->remember();
  if (m_pHandle) m_pHandle->forget();
  m_pHandle = handle;
  setDirty();
}

int CSlider::handleLength() const {
  if (!m_pHandle) return kDrawnHandleLength;
  return m_bHorizontal ? m_pHandle->getWidth() : m_pHandle->getHeight();
}

CRect CSlider::getHandleRect() const {
  const float range = m_fMax - m_fMin;
  float position = range != 0.0f ? std::clamp((m_fValue - m_fMin) / range, 0.0f, 1.0f) : 0.0f;
  // Left-to-right and bottom-to-top styles run the other way round from the coordinates.
  if ((m_bHorizontal && (m_nStyle & kRight)) || (!m_bHorizontal && (m_nStyle & kBottom))) position = 1.0f - position;
  const int lead = m_nMinPos + static_cast<int>(position * static_cast<float>(m_nMaxPos - m_nMinPos) + 0.5f);
  const int across = m_pHandle ? (m_bHorizontal ? m_pHandle->getHeight() : m_pHandle->getWidth())
                               : (m_bHorizontal ? m_size.height() : m_size.width());
  CRect handle = m_bHorizontal ? CRect(lead, m_size.top, lead + handleLength(), m_size.top + across)
                               : CRect(m_size.left, lead, m_size.left + across, lead + handleLength());
  return handle.offset(m_handleOffset.h, m_handleOffset.v);
}

float CSlider::valueAtHandlePosition(int position) const {
  const int travel = m_nMaxPos - m_nMinPos;
  float p = travel != 0 ? static_cast<float>(position - m_nMinPos) / static_cast<float>(travel) : 0.0f;
  p = std::clamp(p, 0.0f, 1.0f);
  if ((m_bHorizontal && (m_nStyle & kRight)) || (!m_bHorizontal && (m_nStyle & kBottom))) p = 1.0f - p;
  return m_fMin + p * (m_fMax - m_fMin);
}

void CSlider::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bTransparent) drawBackground();
    const CRect handle = getHandleRect();
    if (!m_pBackground && !m_bTransparent) {
      // No artwork: a groove along the travel.
      const int mid = m_bHorizontal ? (handle.top + handle.bottom) / 2 : (handle.left + handle.right) / 2;
      const CRect groove = m_bHorizontal ? CRect(m_size.left, mid - 1, m_size.right, mid + 1)
                                         : CRect(mid - 1, m_size.top, mid + 1, m_size.bottom);
      FillRect(groove, CColor{20, 22, 28, 255});
    }
    if (m_pHandle) m_pHandle->drawOGL(handle.left, handle.top);
    else FillRect(handle, CColor{220, 220, 220, 255});
  });
}

void CSlider::mouse(CDrawContext* context, CPoint& where, long buttons) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bMouseEnabled || !(buttons & kLButton)) return;
    if (buttons & kControl) {
      setValueAsGesture(m_fDefaultValue);
      return;
    }
    beginEdit();
    const CRect handle = getHandleRect();
    const int lead = m_bHorizontal ? handle.left : handle.top;
    if (handle.pointInside(where)) {
      m_nGrip = coordinate(where) - lead;
    } else {
      m_nGrip = handleLength() / 2;
      const float value = valueAtHandlePosition(coordinate(where) - m_nGrip - (m_bHorizontal ? m_handleOffset.h : m_handleOffset.v));
      if (value != m_fValue) {
        m_fValue = value;
        notifyValueChanged();
      }
    }
    m_bFine = (buttons & kShift) != 0;
    m_nAnchor = m_nLast = coordinate(where);
    m_fAnchorValue = m_fValue;
    if (CFrame* frame = context ? context->getFrame() : getFrame()) frame->setMouseCapture(this);
  });
}

void CSlider::mouseMove(CDrawContext*, CPoint& where, long buttons) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!isEditing() || !(buttons & kLButton)) return;
    const bool fine = (buttons & kShift) != 0;
    // A Shift change re-anchors at the previous point, so nothing jumps.
    if (fine != m_bFine) {
      m_bFine = fine;
      m_nAnchor = m_nLast;
      m_fAnchorValue = m_fValue;
      if (!fine) {
        const CRect handle = getHandleRect();
        m_nGrip = m_nLast - (m_bHorizontal ? handle.left : handle.top);
      }
    }
    m_nLast = coordinate(where);
    float value;
    if (fine) {
      const int travel = std::max(1, std::abs(m_nMaxPos - m_nMinPos));
      float delta = static_cast<float>(coordinate(where) - m_nAnchor) / static_cast<float>(travel) / m_fZoomFactor;
      if ((m_bHorizontal && (m_nStyle & kRight)) || (!m_bHorizontal && (m_nStyle & kBottom))) delta = -delta;
      value = std::clamp(m_fAnchorValue + delta * (m_fMax - m_fMin), m_fMin, m_fMax);
    } else {
      value = valueAtHandlePosition(coordinate(where) - m_nGrip - (m_bHorizontal ? m_handleOffset.h : m_handleOffset.v));
    }
    if (value == m_fValue) return;
    m_fValue = value;
    notifyValueChanged();
  });
}

void CSlider::mouseUp(CDrawContext*, CPoint&, long) {
  kiv::Guard(KIV_SIGNATURE, [&] { endEdit(); });
}

bool CSlider::onWheel(CDrawContext*, const CPoint&, float distance) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] { return wheelStep(distance); });
}

}  // namespace VSTGUI
