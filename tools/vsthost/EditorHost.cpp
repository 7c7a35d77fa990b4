#include "tools/vsthost/EditorHost.h"

#include <thread>

#include "Helpers/ErrorReport.h"
#include "platform/HostWindow.h"

namespace vsthost {

CEditorHost::CEditorHost(CVstHost& host) noexcept : m_host(host) {}

CEditorHost::~CEditorHost() { Close(); }

bool CEditorHost::AskRect() noexcept {
  vst::ERect* rect = nullptr;
  m_host.Dispatch(vst::effEditGetRect, 0, 0, &rect);
  if (!rect || rect->right <= rect->left || rect->bottom <= rect->top) return false;
  m_nWidth = rect->right - rect->left;
  m_nHeight = rect->bottom - rect->top;
  return true;
}

bool CEditorHost::Open(const std::string& title) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (m_bOpen) return true;
    m_sError.clear();
    if (!m_host.IsLoaded()) {
      m_sError = "no plug-in is loaded";
      return false;
    }
    if ((m_host.GetFlags() & vst::effFlagsHasEditor) == 0) {
      m_sError = "the plug-in has no editor";
      return false;
    }
    if (!AskRect()) {
      m_nWidth = DEFAULT_WIDTH;
      m_nHeight = DEFAULT_HEIGHT;
    }
    std::string error;
    m_pWindow = platform::CHostWindow::Create(m_nWidth, m_nHeight, title, error);
    if (!m_pWindow) {
      m_sError = error;
      return false;
    }
    // ptr is the window id; value would be the host's Display, which a
    // plug-in must not use: it opens its own connection.
    void* windowId = reinterpret_cast<void*>(static_cast<std::uintptr_t>(m_pWindow->GetId()));
    if (m_host.Dispatch(vst::effEditOpen, 0, 0, windowId) == 0) {
      m_sError = "the plug-in did not open its editor";
      m_pWindow.reset();
      return false;
    }
    m_bOpen = true;
    const int width = m_nWidth, height = m_nHeight;
    if (AskRect() && (m_nWidth != width || m_nHeight != height)) m_pWindow->Resize(m_nWidth, m_nHeight);
    return true;
  });
}

void CEditorHost::Idle() noexcept {
  if (!m_bOpen) return;
  if (m_pWindow) m_pWindow->PumpEvents();
  m_host.Dispatch(vst::effEditIdle);
}

bool CEditorHost::IdleFor(std::chrono::milliseconds duration) noexcept {
  const auto start = std::chrono::steady_clock::now();
  auto next = start;
  while (m_bOpen && std::chrono::steady_clock::now() - start < duration) {
    Idle();
    if (m_pWindow && m_pWindow->IsCloseRequested()) return false;
    next += std::chrono::milliseconds(IDLE_INTERVAL_MS);
    std::this_thread::sleep_until(next);
  }
  return m_bOpen;
}

void CEditorHost::Close() noexcept {
  if (m_bOpen) {
    m_bOpen = false;
    m_host.Dispatch(vst::effEditClose);
  }
  m_pWindow.reset();
}

void CEditorHost::MoveWindow(int x, int y) noexcept {
  if (m_pWindow) m_pWindow->Move(x, y);
}

void CEditorHost::DestroyWindow() noexcept {
  if (m_pWindow) m_pWindow->Destroy();
}

std::uint64_t CEditorHost::GetWindowId() const noexcept { return m_pWindow ? m_pWindow->GetId() : 0; }

}  // namespace vsthost
