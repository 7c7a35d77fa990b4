#include "Helpers/MouseMoveAwayHook.h"

#include "Helpers/ErrorReport.h"
#include "vstgui/CFrame.h"

namespace {
CMouseMoveAwayHook* g_pCurrentHook = nullptr;
}  // namespace

CMouseMoveAwayHook::~CMouseMoveAwayHook() {
  if (g_pCurrentHook == this) g_pCurrentHook = nullptr;
}

void CMouseMoveAwayHook::RegisterMouseMoveAway() { g_pCurrentHook = this; }

void CMouseMoveAwayHook::MouseMovedAway(VSTGUI::CDrawContext*) {}

void CMouseMoveAwayHook::SetCursorAndRegister(VSTGUI::CView* control, long cursor, bool registerHook) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (control && control->getFrame()) control->getFrame()->setCursor(cursor);
    if (registerHook) RegisterMouseMoveAway();
  });
}

CMouseMoveAwayHook* CMouseMoveAwayHook::GetCurrentHook() { return g_pCurrentHook; }
void CMouseMoveAwayHook::SetCurrentHook(CMouseMoveAwayHook* hook) { g_pCurrentHook = hook; }
