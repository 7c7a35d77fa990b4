#include "Helpers/OwnerDrawControls.h"

#include "Helpers/ErrorReport.h"
#include "platform/Clock.h"
#include "vstgui/AEffGUIEditor.h"
#include "vstgui/CFrame.h"
#include "vstgui/GLState.h"

using namespace VSTGUI;

COwnerDrawControl::COwnerDrawControl(const CRect& size, OwnerDrawFn callback, AEffGUIEditor* editor,
                                     CControlListener* listener)
    : CControl(size, listener, 0, nullptr), m_pCallback(callback), m_pEditor(editor) {}

COwnerDrawControl::~COwnerDrawControl() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    CScopedLock hold(m_CallbackLock);
    m_pCallback = nullptr;
  });
}

bool COwnerDrawControl::attached(CView* parent) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    CView::attached(parent);
    return true;
  });
}

bool COwnerDrawControl::removed(CView* parent) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    CControl::removed(parent);
    return true;
  });
}

void COwnerDrawControl::doIdleStuff() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_bIdleBusy) return;
    const std::uint32_t now = platform::GetTickCount();
    // Wrap-safe form of "now < last + 20".
    if (platform::TicksBetween(m_nLastIdleTick, now) < IDLE_INTERVAL_MS && m_nLastIdleTick != 0) return;
    m_nLastIdleTick = now;
    m_bIdleBusy = true;
    if (CFrame* frame = getFrame()) frame->doIdleStuff();
    m_bIdleBusy = false;
  });
}

void COwnerDrawControl::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    CScopedLock hold(m_CallbackLock);
    if (m_pCallback) m_pCallback(m_size, this, getFrame() ? getFrame()->getDrawContext() : nullptr);
  });
}

CLayeredOwnerDrawControl::CLayeredOwnerDrawControl(const CRect& size, AEffGUIEditor* editor,
                                                   CControlListener* listener)
    : COwnerDrawControl(size, &CLayered_OwnerDraw, editor, listener), m_LayerArea(size) {}

bool CLayeredOwnerDrawControl::attached(CView* parent) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] { return COwnerDrawControl::attached(parent); });
}

bool CLayeredOwnerDrawControl::removed(CView* parent) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] { return COwnerDrawControl::removed(parent); });
}

void CLayeredOwnerDrawControl::SetBackgroundColor(unsigned char red, unsigned char green, unsigned char blue) {
  m_BackgroundColor = CColor{red, green, blue, 255};
  m_bBackgroundChanged = true;
}

void CLayeredOwnerDrawControl::CLayered_OwnerDraw(const CRect& area, COwnerDrawControl* control,
                                                  CDrawContext* context) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (auto* layered = dynamic_cast<CLayeredOwnerDrawControl*>(control)) layered->DoOwnerDraw(area, context);
  });
}

void CLayeredOwnerDrawControl::DoOwnerDraw(const CRect& area, CDrawContext*) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_LayerArea = area;
    FillInEffectFromEditor();
  });
}

void CLayeredOwnerDrawControl::FillInEffectFromEditor() {
  kiv::Guard(KIV_SIGNATURE, [&] { m_pEffect = m_pEditor ? m_pEditor->getEffect() : nullptr; });
}

void CLayeredOwnerDrawControl::ClearBackground(CDrawContext*, int red, int green, int blue) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_BackgroundColor = CColor{static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green),
                               static_cast<std::uint8_t>(blue), 255};
    FillRect(m_LayerArea, m_BackgroundColor);
  });
}
