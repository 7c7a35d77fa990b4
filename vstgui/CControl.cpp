#include "vstgui/CControl.h"

#include <atomic>
#include <cmath>

#include "Helpers/ErrorReport.h"
#include "platform/Clock.h"
#include "vstgui/CFrame.h"

namespace VSTGUI {

namespace {
// The desktop's usual double-click time, and never less than 250 ms.
std::atomic<std::uint32_t> g_nDoubleClickInterval{400};
}  // namespace

CControl::CControl(const CRect& size, CControlListener* listener, long tag, CBitmap* background)
    : CView(size), m_pListener(listener), m_nTag(tag) {
  if (background) setBackground(background);
}

CControl::~CControl() = default;

bool CControl::removed(CView* parent) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (m_bEditing) endEdit();
    return CView::removed(parent);
  });
}

void CControl::setValue(float value) {
  if (value != m_fValue) setDirty();
  m_fValue = value;
}

void CControl::bounceValue() {
  if (std::isnan(m_fValue) || m_fValue < m_fMin) m_fValue = m_fMin;
  else if (m_fValue > m_fMax) m_fValue = m_fMax;
}

void CControl::notifyValueChanged() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    setDirty();
    if (m_pListener) m_pListener->valueChanged(this);
  });
}

void CControl::setValueAsGesture(float value) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    beginEdit();
    m_fValue = value;
    bounceValue();
    notifyValueChanged();
    endEdit();
  });
}

bool CControl::wheelStep(float distance) {
  if (!m_bMouseEnabled) return false;
  setValueAsGesture(m_fValue + distance * m_fWheelInc * (m_fMax - m_fMin));
  return true;
}

void CControl::beginEdit() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_bEditing) return;
    m_bEditing = true;
    if (m_pParentFrame) m_pParentFrame->beginEdit(m_nTag);
  });
}

void CControl::endEdit() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bEditing) return;
    m_bEditing = false;
    if (m_pParentFrame) m_pParentFrame->endEdit(m_nTag);
  });
}

bool CControl::isDoubleClick() {
  const std::uint32_t now = platform::GetTickCount();
  const bool doubled = m_bHadClick && platform::TicksBetween(m_nLastClickTime, now) <= getDoubleClickInterval();
  // A double click consumes both clicks: a third starts afresh.
  m_bHadClick = !doubled;
  m_nLastClickTime = now;
  return doubled;
}

void CControl::setDoubleClickInterval(std::uint32_t ms) { g_nDoubleClickInterval.store(ms < 250 ? 250 : ms); }
std::uint32_t CControl::getDoubleClickInterval() { return g_nDoubleClickInterval.load(); }

bool CControl::hitTest(const CPoint& where, long buttons) {
  return m_bMouseEnabled && CView::hitTest(where, buttons);
}

}  // namespace VSTGUI
