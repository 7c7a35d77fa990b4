#include "platform/TestInput.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <cstdlib>

#include "Helpers/ErrorReport.h"
#include "platform/XErrorTrap.h"

namespace platform {

struct CTestInput::SImpl {
  Display* display = nullptr;

  ~SImpl() {
    if (!display) return;
    CXErrorTrap trap(display);
    trap.CloseDisplay();
  }
};

CTestInput::CTestInput(std::unique_ptr<SImpl> impl) noexcept : m_pImpl(std::move(impl)) {}
CTestInput::~CTestInput() = default;

std::unique_ptr<CTestInput> CTestInput::Open(std::string& error) noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::unique_ptr<CTestInput>(), [&]() -> std::unique_ptr<CTestInput> {
    auto impl = std::make_unique<SImpl>();
    impl->display = XOpenDisplay(nullptr);
    if (!impl->display) {
      error = "cannot open the X display";
      return nullptr;
    }
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(impl->display, &eventBase, &errorBase, &major, &minor)) {
      error = "the X display has no XTEST extension";
      return nullptr;
    }
    return std::unique_ptr<CTestInput>(new CTestInput(std::move(impl)));
  });
}

bool CTestInput::MoveTo(std::uint64_t window, int x, int y) noexcept {
  Display* display = m_pImpl->display;
  CXErrorTrap trap(display);
  const Window root = DefaultRootWindow(display);
  int rootX = 0, rootY = 0;
  Window child = None;
  if (!XTranslateCoordinates(display, static_cast<Window>(window), root, x, y, &rootX, &rootY, &child)) return false;
  XTestFakeMotionEvent(display, DefaultScreen(display), rootX, rootY, CurrentTime);
  return trap.Sync() == 0;
}

void CTestInput::PressButton(unsigned int button) noexcept {
  CXErrorTrap trap(m_pImpl->display);
  XTestFakeButtonEvent(m_pImpl->display, button, True, CurrentTime);
}

void CTestInput::ReleaseButton(unsigned int button) noexcept {
  CXErrorTrap trap(m_pImpl->display);
  XTestFakeButtonEvent(m_pImpl->display, button, False, CurrentTime);
}

bool CTestInput::Click(std::uint64_t window, int x, int y, unsigned int button) noexcept {
  if (!MoveTo(window, x, y)) return false;
  PressButton(button);
  ReleaseButton(button);
  return true;
}

bool CTestInput::SendKey(const std::string& keySymName, bool press) noexcept {
  Display* display = m_pImpl->display;
  const KeySym keySym = XStringToKeysym(keySymName.c_str());
  if (keySym == NoSymbol) return false;
  const KeyCode keyCode = XKeysymToKeycode(display, keySym);
  if (keyCode == 0) return false;
  CXErrorTrap trap(display);
  XTestFakeKeyEvent(display, keyCode, press ? True : False, CurrentTime);
  return true;
}

bool CTestInput::PressKey(const std::string& keySymName) noexcept { return SendKey(keySymName, true); }
bool CTestInput::ReleaseKey(const std::string& keySymName) noexcept { return SendKey(keySymName, false); }
bool CTestInput::TapKey(const std::string& keySymName) noexcept {
  return SendKey(keySymName, true) && SendKey(keySymName, false);
}

bool CTestInput::TypeText(const std::string& text) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    Display* display = m_pImpl->display;
    CXErrorTrap trap(display);
    const KeyCode shift = XKeysymToKeycode(display, XStringToKeysym("Shift_L"));
    for (const char c : text) {
      const auto keySym = static_cast<KeySym>(static_cast<unsigned char>(c));  // ASCII key symbols are their codes
      const KeyCode keyCode = XKeysymToKeycode(display, keySym);
      if (keyCode == 0) return false;
      const bool shifted = XkbKeycodeToKeysym(display, keyCode, 0, 0) != keySym;
      if (shifted) XTestFakeKeyEvent(display, shift, True, CurrentTime);
      XTestFakeKeyEvent(display, keyCode, True, CurrentTime);
      XTestFakeKeyEvent(display, keyCode, False, CurrentTime);
      if (shifted) XTestFakeKeyEvent(display, shift, False, CurrentTime);
    }
    return trap.Sync() == 0;
  });
}

void CTestInput::Sync() noexcept { XSync(m_pImpl->display, False); }

bool CTestInput::ReadPixel(std::uint64_t window, int x, int y, std::array<std::uint8_t, 3>& rgb) noexcept {
  std::vector<std::array<std::uint8_t, 3>> pixels;
  if (!ReadRegion(window, x, y, 1, 1, pixels)) return false;
  rgb = pixels[0];
  return true;
}

bool CTestInput::ReadRegion(std::uint64_t window, int x, int y, int width, int height,
                            std::vector<std::array<std::uint8_t, 3>>& pixels) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    Display* display = m_pImpl->display;
    CXErrorTrap trap(display);
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, static_cast<Window>(window), &attributes) || x < 0 || y < 0 ||
        width <= 0 || height <= 0 || x + width > attributes.width || y + height > attributes.height) {
      return false;
    }
    pixels.clear();
    pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    XImage* image = XGetImage(display, static_cast<Window>(window), x, y, static_cast<unsigned int>(width),
                              static_cast<unsigned int>(height), AllPlanes, ZPixmap);
    if (!image) return false;
    auto channel = [](unsigned long value, unsigned long mask) {
      if (mask == 0) return std::uint8_t{0};
      while ((mask & 1u) == 0) {
        mask >>= 1;
        value >>= 1;
      }
      return static_cast<std::uint8_t>((value & mask) * 255u / mask);
    };
    for (int row = 0; row < height; ++row) {
      for (int column = 0; column < width; ++column) {
        const unsigned long pixel = XGetPixel(image, column, row);
        pixels.push_back({channel(pixel, image->red_mask), channel(pixel, image->green_mask),
                          channel(pixel, image->blue_mask)});
      }
    }
    XDestroyImage(image);
    return true;
  });
}

std::vector<std::uint64_t> CTestInput::Children(std::uint64_t window) noexcept {
  std::vector<std::uint64_t> ids;
  Display* display = m_pImpl->display;
  CXErrorTrap trap(display);
  Window root = None, parent = None;
  Window* children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display, static_cast<Window>(window), &root, &parent, &children, &count)) {
    try {
      ids.assign(children, children + count);
    } catch (...) {
      ids.clear();
    }
    if (children) XFree(children);
  }
  return ids;
}

bool CTestInput::RequestClose(std::uint64_t window) noexcept {
  Display* display = m_pImpl->display;
  CXErrorTrap trap(display);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = static_cast<Window>(window);
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, static_cast<Window>(window), False, NoEventMask, &event);
  return trap.Sync() == 0;
}

}  // namespace platform
