#include "vstgui/CFrame.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "Helpers/ErrorReport.h"
#include "Helpers/MouseMoveAwayHook.h"
#include "platform/Clock.h"
#include "vstgui/AEffGUIEditor.h"
#include "vstgui/CBitmap.h"
#include "vstgui/GLState.h"

namespace VSTGUI {

namespace {

long ToViewButtons(std::uint32_t state) {
  long buttons = 0;
  if (state & platform::kLeftButton) buttons |= kLButton;
  if (state & platform::kRightButton) buttons |= kRButton;
  if (state & platform::kMiddleButton) buttons |= kMButton;
  if (state & platform::kShiftKey) buttons |= kShift;
  if (state & platform::kControlKey) buttons |= kControl;
  if (state & platform::kAltKey) buttons |= kAlt;
  return buttons;
}

platform::ECursor ToSurfaceCursor(long id) {
  switch (id) {
    case kCursorWait: return platform::ECursor::Wait;
    case kCursorHSize: return platform::ECursor::SizeHorizontal;
    case kCursorVSize: return platform::ECursor::SizeVertical;
    case kCursorSizeAll: return platform::ECursor::SizeAll;
    case kCursorIBeam: return platform::ECursor::IBeam;
    case kCursorCrosshair: return platform::ECursor::Crosshair;
    case kCursorHand: return platform::ECursor::Hand;
    default: return platform::ECursor::Arrow;
  }
}

}  // namespace

CFrame::CFrame(const CRect& size, void* parentWindow, AEffGUIEditor* editor)
    : CViewContainer(size), m_pParentWindow(parentWindow), m_pEditor(editor) {
  setParentFrame(this);
}

CFrame::~CFrame() { close(); }

bool CFrame::open() {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    std::string error;
    auto surface = platform::CreateWindowSurface(reinterpret_cast<std::uintptr_t>(m_pParentWindow), getWidth(),
                                                 getHeight(), error);
    if (!surface) {
      std::snprintf(m_szError, sizeof m_szError, "%s", error.c_str());
      return false;
    }
    return open(std::move(surface));
  });
}

bool CFrame::open(std::unique_ptr<platform::CGLSurface> surface) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (m_bOpen || !surface) return m_bOpen;
    m_pSurface = std::move(surface);
    m_bOpen = true;
    if (!initFrame()) {
      close();
      return false;
    }
    return true;
  });
}

bool CFrame::initFrame() {
  if (!makeContextCurrent()) {
    std::snprintf(m_szError, sizeof m_szError, "cannot make the editor's GL context current");
    return false;
  }
  ApplyPixelProjection(m_pSurface->GetWidth(), m_pSurface->GetHeight());
  ApplyInitialGLState();
  // Without fonts the editor still works, only without text; the cause has
  // gone to the error hook.
  CacheFontCharacterWidths();
  m_fonts.Create();
  m_pixelSampler.Create();  // optional: without it bitmaps sample linearly
  glClear(GL_COLOR_BUFFER_BIT);
  m_pSurface->SwapBuffers();
  restoreContext();
  m_bGLReady = true;
  m_bInvalid = true;
  return true;
}

void CFrame::close() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bOpen && !m_pSurface) return;
    CScopedLock hold(m_lock);
    m_bGLReady = false;
    // Views and their bitmaps release their textures into this frame's context.
    const bool current = makeContextCurrent();
    removeAll(true);
    if (m_pBackground) {
      m_pBackground->forget();
      m_pBackground = nullptr;
    }
    if (current) {
      m_fonts.Release();
      m_pixelSampler.Release();
      restoreContext();
    }
    m_pixelSampler.Forget();  // went with the context if it was not current
    m_pSurface.reset();  // skips the window when the host already destroyed it
    m_bOpen = false;
    m_pMouseCapture = nullptr;
    m_pLastHovered = nullptr;
  });
}

bool CFrame::isWindowAlive() const { return m_pSurface && m_pSurface->IsAlive(); }

bool CFrame::makeContextCurrent() {
  if (!m_pSurface || !m_pSurface->IsAlive() || m_pContextScope) return false;
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (m_pSurface->MakeCurrent()) {
      m_pContextScope = std::make_unique<CCurrentGLContext>(this, &m_fonts, m_nFrameCount, m_pixelSampler.GetName());
      return true;
    }
  }
  return false;
}

void CFrame::restoreContext() {
  if (!m_pContextScope) return;
  m_pContextScope.reset();
  if (m_pSurface) m_pSurface->RestoreContext();
}

void CFrame::idle() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bOpen || m_bInIdle) return;
    m_bInIdle = true;
    pumpEvents();
    const std::uint32_t now = platform::GetTickCount();
    if (!m_bTimerStarted || platform::TicksBetween(m_nLastTimerTick, now) >= TIMER_INTERVAL_MS) {
      m_bTimerStarted = true;
      m_nLastTimerTick = now;
      if (m_pEditor) m_pEditor->drawOGL();
      else drawOGL();
    }
    m_bInIdle = false;
  });
}

void CFrame::doIdleStuff() { idle(); }

void CFrame::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (needsDrawing()) drawPass(nullptr);
  });
}

bool CFrame::drawToImage(platform::SImage& image) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    image = platform::SImage{};
    drawPass(&image);
    return image.width > 0;
  });
}

void CFrame::drawPass(platform::SImage* readBack) {
  if (m_bDrawing || !m_bGLReady || !m_bOpen || !isWindowAlive()) return;
  CScopedLock hold(m_lock);
  m_bDrawing = true;
  ++m_nFrameCount;
  if (makeContextCurrent()) {
    if (m_nFrameCount == 2 &&
        (m_pSurface->GetWidth() != getWidth() || m_pSurface->GetHeight() != getHeight()))
      ApplyPixelProjection(m_pSurface->GetWidth(), m_pSurface->GetHeight());
    glFinish();
    const std::int64_t start = platform::QueryPerformanceCounter();
    glClear(GL_COLOR_BUFFER_BIT);
    {
      CGLStateScope saved;
      drawBackground();
    }
    drawSubViews();
    if (m_pModalView && m_pModalView->isVisible()) {
      CGLStateScope saved;
      m_pModalView->drawOGLModal();
    }
    if (readBack) m_pSurface->ReadPixels(*readBack);
    m_pSurface->SwapBuffers();
    const std::int64_t ticks = platform::QueryPerformanceCounter() - start;
    m_fLastDrawMs = 1000.0 * static_cast<double>(ticks) / static_cast<double>(platform::QueryPerformanceFrequency());
    restoreContext();
    m_bInvalid = false;
    m_bDirty = false;
  }
  m_bDrawing = false;
}

void CFrame::pumpEvents() {
  if (!m_pSurface) return;
  platform::SEvent event;
  // Bounded, so a flood of motion events cannot hold the host's thread.
  for (int n = 0; n < 256 && m_pSurface && m_pSurface->NextEvent(event); ++n) handleEvent(event);
}

void CFrame::handleEvent(const platform::SEvent& event) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    using T = platform::SEvent::EType;
    switch (event.type) {
      case T::MouseMove: dispatchMouseMove(event); break;
      case T::ButtonPress:
      case T::ButtonRelease: dispatchButton(event); break;
      case T::Wheel: {
        const CPoint where(event.x, event.y);
        m_context.setMouseButtons(ToViewButtons(event.state));
        CView* view = viewUnder(where, m_context.getMouseButtons());
        const bool taken = view && view->onWheel(&m_context, where, event.wheel);
        if (!taken && m_pEditor) m_pEditor->onWheel(event.wheel);
        break;
      }
      case T::KeyPress: dispatchKey(event); break;
      case T::PointerLeft: {
        CMouseMoveAwayHook* hook = CMouseMoveAwayHook::GetCurrentHook();
        CMouseMoveAwayHook::SetCurrentHook(nullptr);
        if (hook && !m_pMouseCapture) hook->MouseMovedAway(&m_context);
        break;
      }
      case T::Expose: invalid(); break;
      case T::Destroyed:
        // The host destroyed our parent: nothing may touch the window again.
        m_bGLReady = false;
        break;
      default: break;
    }
  });
}

CView* CFrame::viewUnder(const CPoint& where, long buttons) const {
  if (m_pModalView) {
    if (!m_pModalView->isVisible() || !m_pModalView->hitTest(where, buttons)) return nullptr;
    if (m_pModalView->isContainer())
      if (CView* inner = static_cast<CViewContainer*>(m_pModalView)->getViewAt(where, buttons)) return inner;
    return m_pModalView;
  }
  return getViewAt(where, buttons);
}

void CFrame::dispatchMouseMove(const platform::SEvent& event) {
  CPoint where(event.x, event.y);
  const long buttons = ToViewButtons(event.state);
  m_context.setMouseButtons(buttons);
  CMouseMoveAwayHook* remembered = CMouseMoveAwayHook::GetCurrentHook();
  CMouseMoveAwayHook::SetCurrentHook(nullptr);
  m_nCursor = kCursorDefault;
  if (m_pMouseCapture) {
    m_pMouseCapture->mouseMove(&m_context, where, buttons);
  } else {
    m_pLastHovered = viewUnder(where, buttons);
    if (m_pLastHovered) m_pLastHovered->mouseMove(&m_context, where, buttons);
  }
  if (remembered && remembered != CMouseMoveAwayHook::GetCurrentHook()) remembered->MouseMovedAway(&m_context);
  applyCursor();
}

void CFrame::dispatchButton(const platform::SEvent& event) {
  CPoint where(event.x, event.y);
  if (event.type == platform::SEvent::EType::ButtonPress) {
    const long buttons = ToViewButtons(event.state | event.button);
    m_context.setMouseButtons(buttons);
    if (m_pSurface) m_pSurface->TakeFocus();
    if (m_pMouseCapture) return;  // a second button during a drag changes nothing
    CView* target = viewUnder(where, buttons);
    if (m_pFocusView && m_pFocusView != target) setFocusView(nullptr);
    if (target) target->mouse(&m_context, where, buttons);
    applyCursor();
    return;
  }
  const long buttons = ToViewButtons(event.state & ~event.button);
  m_context.setMouseButtons(buttons);
  if (m_pMouseCapture && (buttons & (kLButton | kRButton | kMButton)) == 0) {
    CView* capture = m_pMouseCapture;
    m_pMouseCapture = nullptr;
    capture->mouseUp(&m_context, where, buttons);
  }
}

void CFrame::dispatchKey(const platform::SEvent& event) {
  CKeyCode key;
  key.key = event.key;
  std::memcpy(key.text, event.text, sizeof key.text);
  key.text[sizeof key.text - 1] = '\0';
  key.modifiers = ToViewButtons(event.state) & (kShift | kControl | kAlt);
  if (m_pFocusView && m_pFocusView->onKeyDown(key)) return;
  if (m_pEditor) m_pEditor->onKeyDown(key);
}

void CFrame::setCursor(long cursorId) { m_nCursor = cursorId; }

void CFrame::applyCursor() {
  if (m_nCursor == m_nAppliedCursor || !m_pSurface) return;
  m_nAppliedCursor = m_nCursor;
  m_pSurface->SetCursor(ToSurfaceCursor(m_nCursor));
}

void CFrame::setModalView(CView* view) {
  CViewContainer::setModalView(view);
  invalid();
}

void CFrame::setFocusView(CView* view) { CViewContainer::setFocusView(view); }

void CFrame::forgetView(CView* view) {
  CViewContainer::forgetView(view);
  if (m_pMouseCapture == view) m_pMouseCapture = nullptr;
  if (m_pLastHovered == view) m_pLastHovered = nullptr;
}

void CFrame::beginEdit(long tag) {
  if (m_pEditor) m_pEditor->beginEdit(tag);
}

void CFrame::endEdit(long tag) {
  if (m_pEditor) m_pEditor->endEdit(tag);
}

}  // namespace VSTGUI
