#include "platform/XErrorTrap.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace platform {

// The traps alive in the process, and the handler that was installed before
// the first of them.
struct SXErrorTrapRegistry {
  std::mutex mutex;
  std::vector<CXErrorTrap*> traps;
  XErrorHandler previous = nullptr;

  static SXErrorTrapRegistry& Get() {
    static SXErrorTrapRegistry registry;
    return registry;
  }

  static int OnError(Display* display, XErrorEvent* event) {
    SXErrorTrapRegistry& self = Get();
    XErrorHandler forward = nullptr;
    {
      std::lock_guard<std::mutex> lock(self.mutex);
      bool ours = false;
      for (CXErrorTrap* trap : self.traps) {
        if (trap->m_pDisplay != display) continue;
        ours = true;
        if (trap->m_nError == 0) trap->m_nError = event->error_code;
      }
      if (!ours) forward = self.previous;
    }
    return forward ? forward(display, event) : 0;
  }

  // True when the display already has a trap (an inner trap does not sync).
  bool Add(CXErrorTrap* trap) {
    std::lock_guard<std::mutex> lock(mutex);
    const bool nested = std::any_of(traps.begin(), traps.end(),
                                    [&](CXErrorTrap* other) { return other->m_pDisplay == trap->m_pDisplay; });
    if (traps.empty()) previous = XSetErrorHandler(&OnError);
    traps.push_back(trap);
    return nested;
  }

  void Remove(CXErrorTrap* trap) {
    std::lock_guard<std::mutex> lock(mutex);
    traps.erase(std::remove(traps.begin(), traps.end(), trap), traps.end());
    if (!traps.empty()) return;
    XErrorHandler current = XSetErrorHandler(previous);
    // Someone replaced our handler meanwhile: theirs stays.
    if (current != &OnError) XSetErrorHandler(current);
    previous = nullptr;
  }

  bool IsOutermost(const CXErrorTrap* trap) {
    std::lock_guard<std::mutex> lock(mutex);
    for (CXErrorTrap* other : traps) {
      if (other->m_pDisplay == trap->m_pDisplay) return other == trap;
    }
    return false;
  }
};

CXErrorTrap::CXErrorTrap(Display* display) noexcept : m_pDisplay(display) {
  if (!m_pDisplay) return;
  try {
    SXErrorTrapRegistry::Get().Add(this);
  } catch (...) {
    m_pDisplay = nullptr;  // a failed lock leaves the default handling
  }
}

CXErrorTrap::~CXErrorTrap() {
  if (!m_pDisplay) return;
  try {
    if (SXErrorTrapRegistry::Get().IsOutermost(this)) XSync(m_pDisplay, False);
    SXErrorTrapRegistry::Get().Remove(this);
  } catch (...) {
  }
}

int CXErrorTrap::Sync() noexcept {
  if (m_pDisplay) XSync(m_pDisplay, False);
  return m_nError;
}

void CXErrorTrap::CloseDisplay() noexcept {
  if (!m_pDisplay) return;
  XCloseDisplay(m_pDisplay);
  try {
    SXErrorTrapRegistry::Get().Remove(this);
  } catch (...) {
  }
  m_pDisplay = nullptr;
}

}  // namespace platform
