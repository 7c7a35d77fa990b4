#include "platform/HostWindow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "Helpers/ErrorReport.h"
#include "platform/XErrorTrap.h"

namespace platform {

struct CHostWindow::SImpl {
  Display* display = nullptr;
  Window window = None;
  Atom deleteWindow = None;

  ~SImpl() {
    if (!display) return;
    CXErrorTrap trap(display);
    if (window != None) XDestroyWindow(display, window);
    trap.CloseDisplay();
  }
};

CHostWindow::CHostWindow(std::unique_ptr<SImpl> impl) noexcept : m_pImpl(std::move(impl)) {}
CHostWindow::~CHostWindow() = default;

std::unique_ptr<CHostWindow> CHostWindow::Create(int width, int height, const std::string& title,
                                                 std::string& error) noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::unique_ptr<CHostWindow>(), [&]() -> std::unique_ptr<CHostWindow> {
    auto impl = std::make_unique<SImpl>();
    impl->display = XOpenDisplay(nullptr);
    if (!impl->display) {
      const char* name = std::getenv("DISPLAY");
      error = name && *name ? std::string("cannot open the X display '") + name + "'"
                            : std::string("cannot open an X display: DISPLAY is not set");
      return nullptr;
    }
    Display* display = impl->display;
    CXErrorTrap trap(display);
    const int screen = DefaultScreen(display);
    impl->window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0,
                                       static_cast<unsigned int>(std::max(width, 1)),
                                       static_cast<unsigned int>(std::max(height, 1)), 0,
                                       BlackPixel(display, screen), BlackPixel(display, screen));
    XSelectInput(display, impl->window, StructureNotifyMask);
    XStoreName(display, impl->window, title.c_str());
    impl->deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, impl->window, &impl->deleteWindow, 1);
    XMapWindow(display, impl->window);
    if (trap.Sync() != 0) {
      error = "cannot create a top-level window";
      return nullptr;
    }
    // Under a window manager mapping takes a round through it; an editor can
    // take focus only once its window is viewable.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    XEvent event;
    while (!XCheckTypedWindowEvent(display, impl->window, MapNotify, &event) &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return std::unique_ptr<CHostWindow>(new CHostWindow(std::move(impl)));
  });
}

std::uint64_t CHostWindow::GetId() const noexcept { return m_pImpl->window; }

void CHostWindow::Resize(int width, int height) noexcept {
  if (m_pImpl->window == None) return;
  CXErrorTrap trap(m_pImpl->display);
  XResizeWindow(m_pImpl->display, m_pImpl->window, static_cast<unsigned int>(std::max(width, 1)),
                static_cast<unsigned int>(std::max(height, 1)));
}

void CHostWindow::Move(int x, int y) noexcept {
  if (m_pImpl->window == None) return;
  CXErrorTrap trap(m_pImpl->display);
  XMoveWindow(m_pImpl->display, m_pImpl->window, x, y);
}

void CHostWindow::PumpEvents() noexcept {
  CXErrorTrap trap(m_pImpl->display);
  while (XPending(m_pImpl->display) > 0) {
    XEvent event;
    XNextEvent(m_pImpl->display, &event);
    if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == m_pImpl->deleteWindow) {
      m_bCloseRequested = true;
    } else if (event.type == DestroyNotify && event.xdestroywindow.window == m_pImpl->window) {
      m_pImpl->window = None;
    }
  }
}

void CHostWindow::Destroy() noexcept {
  if (m_pImpl->window == None) return;
  CXErrorTrap trap(m_pImpl->display);
  XDestroyWindow(m_pImpl->display, m_pImpl->window);
  m_pImpl->window = None;
}

}  // namespace platform
