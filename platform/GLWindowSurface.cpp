// The window backend: a child window of the host's X11 window with a GLX
// context, on a display connection of its own.
//
// Hosts differ in what they do to that window, and several of their habits
// end the host's process if a plug-in is careless: they destroy the parent
// before closing the editor (then any request naming our window raises
// BadWindow or GLXBadDrawable, and Xlib's default handler exits), they share
// nothing with us but the parent's id, and they call us on one thread. So:
// every request runs inside an error trap, DestroyNotify marks the surface
// dead, and the destructor looks for a DestroyNotify before it destroys
// anything.
// Our headers first, and our event names taken before X's headers define
// None, KeyPress, ButtonPress, Expose and more as macros.
#include "Helpers/ErrorReport.h"
#include "platform/GLSurface.h"
#include "platform/XInputTranslation.h"

namespace platform {
namespace {
constexpr EKey NO_KEY = EKey::None;
constexpr SEvent::EType EVENT_MOUSE_MOVE = SEvent::EType::MouseMove;
constexpr SEvent::EType EVENT_BUTTON_PRESS = SEvent::EType::ButtonPress;
constexpr SEvent::EType EVENT_BUTTON_RELEASE = SEvent::EType::ButtonRelease;
constexpr SEvent::EType EVENT_WHEEL = SEvent::EType::Wheel;
constexpr SEvent::EType EVENT_KEY_PRESS = SEvent::EType::KeyPress;
constexpr SEvent::EType EVENT_KEY_RELEASE = SEvent::EType::KeyRelease;
constexpr SEvent::EType EVENT_POINTER_LEFT = SEvent::EType::PointerLeft;
constexpr SEvent::EType EVENT_FOCUS_OUT = SEvent::EType::FocusOut;
constexpr SEvent::EType EVENT_EXPOSE = SEvent::EType::Expose;
constexpr SEvent::EType EVENT_RESIZED = SEvent::EType::Resized;
constexpr SEvent::EType EVENT_DESTROYED = SEvent::EType::Destroyed;
}  // namespace
}  // namespace platform

#include "platform/XErrorTrap.h"

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>

namespace platform {
namespace {

constexpr long EVENT_MASK = StructureNotifyMask | ExposureMask | PointerMotionMask | ButtonPressMask |
                            ButtonReleaseMask | KeyPressMask | KeyReleaseMask | FocusChangeMask | LeaveWindowMask;

constexpr std::array<unsigned int, 8> CURSOR_SHAPES = {
    XC_left_ptr, XC_hand2, XC_xterm, XC_crosshair, XC_sb_v_double_arrow, XC_sb_h_double_arrow, XC_fleur, XC_watch,
};

std::string HexId(std::uint64_t id) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(id));
  return text;
}

// Whatever GLX had current on this thread before we took over.
struct SGlxBinding {
  Display* display = nullptr;
  GLXDrawable draw = 0;
  GLXDrawable read = 0;
  GLXContext context = nullptr;
};

class CWindowSurface final : public CGLSurface {
 public:
  CWindowSurface(int width, int height) : m_nWidth(width), m_nHeight(height) {}

  ~CWindowSurface() override {
    if (!m_pDisplay) return;
    while (m_nDepth > 0) RestoreContext();
    CXErrorTrap trap(m_pDisplay);
    // A host that destroyed our parent has left a DestroyNotify behind: then
    // the window is gone and must not be named again.
    XSync(m_pDisplay, False);
    while (m_bAlive && XPending(m_pDisplay) > 0) {
      XEvent event;
      XNextEvent(m_pDisplay, &event);
      if (event.type == DestroyNotify && event.xdestroywindow.window == m_window) m_bAlive = false;
    }
    if (m_context) {
      if (glXGetCurrentContext() == m_context) glXMakeCurrent(m_pDisplay, None, nullptr);
      glXDestroyContext(m_pDisplay, m_context);
    }
    if (m_ic) XDestroyIC(m_ic);
    if (m_im) XCloseIM(m_im);
    for (Cursor cursor : m_cursors) {
      if (cursor != None) XFreeCursor(m_pDisplay, cursor);
    }
    if (m_window != None && m_bAlive) XDestroyWindow(m_pDisplay, m_window);
    if (m_colormap != None) XFreeColormap(m_pDisplay, m_colormap);
    trap.CloseDisplay();
  }

  bool Create(Window parent, std::string& error) {
    m_pDisplay = XOpenDisplay(nullptr);
    if (!m_pDisplay) {
      const char* name = std::getenv("DISPLAY");
      error = name && *name ? std::string("cannot open the X display '") + name + "'"
                            : std::string("cannot open an X display: DISPLAY is not set");
      return false;
    }
    CXErrorTrap trap(m_pDisplay);
    int errorBase = 0, eventBase = 0;
    if (!glXQueryExtension(m_pDisplay, &errorBase, &eventBase)) {
      error = "the X display has no GLX extension";
      return false;
    }
    XWindowAttributes parentAttributes{};
    if (!XGetWindowAttributes(m_pDisplay, parent, &parentAttributes) || trap.Sync() != 0) {
      error = "the parent window " + HexId(parent) + " does not exist";
      return false;
    }
    const int screen = XScreenNumberOfScreen(parentAttributes.screen);
    // 8-bit RGB without alpha: asking for alpha would pick a 32-bit ARGB visual.
    int visualAttributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8, None};
    XVisualInfo* visual = glXChooseVisual(m_pDisplay, screen, visualAttributes);
    if (!visual) {
      error = "the X display has no double-buffered 8-bit RGB visual for OpenGL";
      return false;
    }
    const bool created = CreateWindow(parent, *visual, trap, error) && CreateContext(*visual, trap, error);
    XFree(visual);
    if (!created) return false;
    OpenInputMethod();
    XMapWindow(m_pDisplay, m_window);
    if (trap.Sync() != 0) {
      error = "cannot show the editor window in " + HexId(parent);
      return false;
    }
    if (!MakeCurrent()) {
      error = "cannot make the editor's OpenGL context current";
      return false;
    }
    DisableSwapWait(screen);
    RestoreContext();
    return true;
  }

  int GetWidth() const noexcept override { return m_nWidth; }
  int GetHeight() const noexcept override { return m_nHeight; }
  bool IsAlive() const noexcept override { return m_bAlive; }

  bool MakeCurrent() noexcept override {
    if (!m_bAlive || !m_context || m_nDepth == MAX_NESTING) return false;
    const SGlxBinding previous{glXGetCurrentDisplay(), glXGetCurrentDrawable(), glXGetCurrentReadDrawable(),
                               glXGetCurrentContext()};
    // Drawing may send requests for our window (the software renderer puts
    // images), so the trap spans everything until the last RestoreContext.
    if (m_nDepth == 0) {
      m_drawTrap.emplace(m_pDisplay);
      if (!WindowStillExists()) {
        m_drawTrap.reset();
        return false;
      }
    }
    if (!glXMakeCurrent(m_pDisplay, m_window, m_context)) {
      if (m_nDepth == 0) m_drawTrap.reset();
      return false;
    }
    m_previous[m_nDepth++] = previous;
    return true;
  }

  void RestoreContext() noexcept override {
    if (m_nDepth == 0) return;
    const SGlxBinding& previous = m_previous[--m_nDepth];
    if (previous.context) {
      glXMakeContextCurrent(previous.display, previous.draw, previous.read, previous.context);
    } else {
      glXMakeCurrent(m_pDisplay, None, nullptr);
    }
    if (m_nDepth == 0) m_drawTrap.reset();
  }

  void SwapBuffers() noexcept override {
    if (!m_bAlive) return;
    CXErrorTrap trap(m_pDisplay);
    glXSwapBuffers(m_pDisplay, m_window);
  }

  bool ReadPixels(SImage& image) noexcept override {
    return kiv::Guard(KIV_SIGNATURE, false, [&] {
      if (!m_bAlive) return false;
      const bool wasCurrent = m_nDepth > 0 && glXGetCurrentContext() == m_context;
      if (!wasCurrent && !MakeCurrent()) return false;
      image.width = m_nWidth;
      image.height = m_nHeight;
      const std::size_t row = static_cast<std::size_t>(m_nWidth) * 4u;
      image.rgba.assign(row * static_cast<std::size_t>(m_nHeight), 0);
      bool ok = true;
      if (!image.rgba.empty()) {
        std::vector<std::uint8_t> bottomUp(image.rgba.size());
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, m_nWidth, m_nHeight, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
        ok = glGetError() == GL_NO_ERROR;
        for (int y = 0; y < m_nHeight; ++y) {
          std::memcpy(image.rgba.data() + static_cast<std::size_t>(y) * row,
                      bottomUp.data() + static_cast<std::size_t>(m_nHeight - 1 - y) * row, row);
        }
      }
      if (!wasCurrent) RestoreContext();
      return ok;
    });
  }

  bool NextEvent(SEvent& event) noexcept override {
    return kiv::Guard(KIV_SIGNATURE, false, [&] {
      if (!m_pendingEvents.empty()) {
        event = m_pendingEvents.front();
        m_pendingEvents.pop_front();
        return true;
      }
      if (!m_pDisplay || !m_bAlive) return false;
      CXErrorTrap trap(m_pDisplay);
      while (m_bAlive && XPending(m_pDisplay) > 0) {
        XEvent xEvent;
        XNextEvent(m_pDisplay, &xEvent);
        if (XFilterEvent(&xEvent, None)) continue;  // taken by the input method
        if (Translate(xEvent) && !m_pendingEvents.empty()) {
          event = m_pendingEvents.front();
          m_pendingEvents.pop_front();
          return true;
        }
      }
      return false;
    });
  }

  void SetCursor(ECursor cursor) noexcept override {
    const auto index = static_cast<std::size_t>(cursor);
    if (!m_bAlive || index >= m_cursors.size() || (m_bCursorSet && cursor == m_currentCursor)) return;
    CXErrorTrap trap(m_pDisplay);
    if (m_cursors[index] == None) m_cursors[index] = XCreateFontCursor(m_pDisplay, CURSOR_SHAPES[index]);
    XDefineCursor(m_pDisplay, m_window, m_cursors[index]);
    m_currentCursor = cursor;
    m_bCursorSet = true;
  }

  void TakeFocus() noexcept override {
    if (!m_bAlive) return;
    CXErrorTrap trap(m_pDisplay);
    // Focus can only go to a viewable window; asking otherwise is BadMatch.
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(m_pDisplay, m_window, &attributes) && attributes.map_state == IsViewable) {
      XSetInputFocus(m_pDisplay, m_window, RevertToParent, CurrentTime);
    }
  }

  std::uint64_t GetNativeId() const noexcept override { return m_window; }

 private:
  // Binding a context to a window the host has just destroyed makes Mesa's
  // software renderer draw into a buffer of whatever size a failed geometry
  // query left behind, and crash. A round trip brings the DestroyNotify of a
  // window destroyed before this call; it is then reported as an event.
  bool WindowStillExists() noexcept {
    XSync(m_pDisplay, False);
    XEvent event;
    if (!XCheckTypedWindowEvent(m_pDisplay, m_window, DestroyNotify, &event)) return true;
    m_bAlive = false;
    try {
      m_pendingEvents.push_back(MakeEvent(EVENT_DESTROYED, 0));
    } catch (...) {
      // IsAlive says it all the same.
    }
    return false;
  }

  bool CreateWindow(Window parent, const XVisualInfo& visual, CXErrorTrap& trap, std::string& error) {
    const Window root = RootWindow(m_pDisplay, visual.screen);
    m_colormap = XCreateColormap(m_pDisplay, root, visual.visual, AllocNone);
    XSetWindowAttributes attributes{};
    attributes.colormap = m_colormap;
    attributes.border_pixel = 0;
    attributes.background_pixel = BlackPixel(m_pDisplay, visual.screen);
    attributes.event_mask = EVENT_MASK;
    // X refuses a side of 0; the reported size stays the one asked for.
    const unsigned int width = static_cast<unsigned int>(std::max(m_nWidth, 1));
    const unsigned int height = static_cast<unsigned int>(std::max(m_nHeight, 1));
    m_window = XCreateWindow(m_pDisplay, parent, 0, 0, width, height, 0, visual.depth, InputOutput, visual.visual,
                             CWColormap | CWBorderPixel | CWBackPixel | CWEventMask, &attributes);
    if (trap.Sync() != 0 || m_window == None) {
      error = "cannot create the editor window in " + HexId(parent) + " (X error " + std::to_string(trap.GetError()) +
              ")";
      m_window = None;
      return false;
    }
    m_bAlive = true;
    XStoreName(m_pDisplay, m_window, "Window");
    return true;
  }

  bool CreateContext(XVisualInfo& visual, CXErrorTrap& trap, std::string& error) {
    m_context = glXCreateContext(m_pDisplay, &visual, nullptr, True);
    if (trap.Sync() != 0 || !m_context) {
      error = "cannot create an OpenGL context for the editor window";
      return false;
    }
    return true;
  }

  // Text comes through an input method when the display offers one (dead
  // keys, compose); without one, key symbols give the text directly.
  void OpenInputMethod() {
    m_im = XOpenIM(m_pDisplay, nullptr, nullptr, nullptr);
    if (!m_im) return;
    XIMStyles* styles = nullptr;
    XIMStyle chosen = 0;
    if (!XGetIMValues(m_im, XNQueryInputStyle, &styles, nullptr) && styles) {
      for (unsigned short i = 0; i < styles->count_styles; ++i) {
        const XIMStyle style = styles->supported_styles[i];
        if (style == (XIMPreeditNothing | XIMStatusNothing) || (chosen == 0 && style == (XIMPreeditNone | XIMStatusNone))) {
          chosen = style;
        }
      }
      XFree(styles);
    }
    if (chosen != 0) {
      m_ic = XCreateIC(m_im, XNInputStyle, chosen, XNClientWindow, m_window, XNFocusWindow, m_window, nullptr);
    }
    if (!m_ic) {
      XCloseIM(m_im);
      m_im = nullptr;
    }
  }

  // A swap must never wait for a vertical blank: it would block the host's
  // user-interface thread once per editor per frame.
  void DisableSwapWait(int screen) {
    const char* extensions = glXQueryExtensionsString(m_pDisplay, screen);
    if (!extensions) return;
    auto has = [&](const char* name) {
      const std::size_t length = std::strlen(name);
      for (const char* p = std::strstr(extensions, name); p; p = std::strstr(p + 1, name)) {
        if ((p == extensions || p[-1] == ' ') && (p[length] == ' ' || p[length] == '\0')) return true;
      }
      return false;
    };
    if (has("GLX_EXT_swap_control")) {
      auto setInterval = reinterpret_cast<void (*)(Display*, GLXDrawable, int)>(
          glXGetProcAddress(reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT")));
      if (setInterval) setInterval(m_pDisplay, m_window, 0);
    } else if (has("GLX_MESA_swap_control")) {
      auto setInterval =
          reinterpret_cast<int (*)(unsigned int)>(glXGetProcAddress(reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA")));
      if (setInterval) setInterval(0);
    }
  }

  SEvent MakeEvent(SEvent::EType type, Time time) const {
    SEvent event;
    event.type = type;
    event.timeMs = static_cast<std::uint32_t>(time);
    return event;
  }

  // Appends the SEvents of one X event to the pending list; false for an
  // event that means nothing to the surface.
  bool Translate(XEvent& xEvent) {
    switch (xEvent.type) {
      case MotionNotify: {
        // Only the latest position of a run of moves matters.
        XEvent next;
        while (XEventsQueued(m_pDisplay, QueuedAlready) > 0) {
          XPeekEvent(m_pDisplay, &next);
          if (next.type != MotionNotify || next.xmotion.window != m_window) break;
          XNextEvent(m_pDisplay, &xEvent);
        }
        const XMotionEvent& motion = xEvent.xmotion;
        SEvent event = MakeEvent(EVENT_MOUSE_MOVE, motion.time);
        event.x = motion.x;
        event.y = motion.y;
        event.state = TranslateState(motion.state);
        m_pendingEvents.push_back(event);
        return true;
      }
      case ButtonPress:
      case ButtonRelease: {
        const XButtonEvent& button = xEvent.xbutton;
        const bool press = xEvent.type == ButtonPress;
        SEvent event = MakeEvent(press ? EVENT_BUTTON_PRESS : EVENT_BUTTON_RELEASE, button.time);
        event.x = button.x;
        event.y = button.y;
        event.state = TranslateState(button.state);
        event.button = TranslateButton(button.button);
        if (event.button == 0) {
          const float wheel = TranslateWheel(button.button);
          if (!press || wheel == 0.0f) return false;  // a wheel notch is its press alone
          event.type = EVENT_WHEEL;
          event.wheel = wheel;
        }
        m_pendingEvents.push_back(event);
        return true;
      }
      case KeyPress:
        return TranslateKeyPress(xEvent.xkey);
      case KeyRelease:
        return TranslateKeyRelease(xEvent.xkey);
      case LeaveNotify: {
        const XCrossingEvent& crossing = xEvent.xcrossing;
        if (crossing.mode == NotifyGrab || crossing.detail == NotifyInferior) return false;
        SEvent event = MakeEvent(EVENT_POINTER_LEFT, crossing.time);
        event.x = crossing.x;
        event.y = crossing.y;
        event.state = TranslateState(crossing.state);
        m_pendingEvents.push_back(event);
        return true;
      }
      case FocusIn:
        if (m_ic) XSetICFocus(m_ic);
        return false;
      case FocusOut:
        if (m_ic) XUnsetICFocus(m_ic);
        if (xEvent.xfocus.detail == NotifyInferior) return false;
        m_pendingEvents.push_back(MakeEvent(EVENT_FOCUS_OUT, 0));
        return true;
      case Expose:
        if (xEvent.xexpose.count != 0) return false;  // the last of a series stands for all
        m_pendingEvents.push_back(MakeEvent(EVENT_EXPOSE, 0));
        return true;
      case ConfigureNotify: {
        const XConfigureEvent& configure = xEvent.xconfigure;
        if (configure.window != m_window || (configure.width == m_nWidth && configure.height == m_nHeight)) {
          return false;
        }
        m_nWidth = configure.width;
        m_nHeight = configure.height;
        SEvent event = MakeEvent(EVENT_RESIZED, 0);
        event.width = m_nWidth;
        event.height = m_nHeight;
        m_pendingEvents.push_back(event);
        return true;
      }
      case DestroyNotify:
        if (xEvent.xdestroywindow.window != m_window) return false;
        m_bAlive = false;
        m_pendingEvents.push_back(MakeEvent(EVENT_DESTROYED, 0));
        return true;
      default:
        return false;
    }
  }

  bool TranslateKeyPress(XKeyEvent& key) {
    char buffer[64] = {};
    KeySym keySym = NoSymbol;
    int length = 0;
    if (m_ic) {
      Status status = 0;
      length = Xutf8LookupString(m_ic, &key, buffer, sizeof buffer - 1, &keySym, &status);
      if (status == XBufferOverflow || status == XLookupNone) length = 0;
      if (status == XLookupChars) keySym = NoSymbol;
    } else {
      // XLookupString answers in Latin-1: only its key symbol is used, for UTF-8.
      XLookupString(&key, buffer, sizeof buffer - 1, &keySym, nullptr);
    }
    SEvent event = MakeEvent(EVENT_KEY_PRESS, key.time);
    event.x = key.x;
    event.y = key.y;
    event.state = TranslateState(key.state);
    event.key = TranslateKeySym(keySym);
    if (event.key != NO_KEY) {
      m_pendingEvents.push_back(event);
      return true;
    }
    // With Control held the lookup gives a control character: the key's own
    // character says more (Ctrl+C comes as "c" with kControlKey).
    const bool control = length == 1 && (static_cast<unsigned char>(buffer[0]) < 0x20 || buffer[0] == 0x7f);
    if (length <= 0 || control) {
      if (KeySymToUtf8(keySym, event.text) == 0) return false;
      m_pendingEvents.push_back(event);
      return true;
    }
    // An input method may commit several characters at once: one event each.
    for (int i = 0; i < length;) {
      const std::size_t n = std::min<std::size_t>(Utf8SequenceLength(static_cast<unsigned char>(buffer[i])),
                                                  static_cast<std::size_t>(length - i));
      SEvent one = event;
      std::memcpy(one.text, buffer + i, n);
      one.text[n] = '\0';
      m_pendingEvents.push_back(one);
      i += static_cast<int>(n);
    }
    return true;
  }

  bool TranslateKeyRelease(XKeyEvent& key) {
    // Auto-repeat sends a release and a press with the same time: only the
    // presses count, as if the key were held.
    if (XEventsQueued(m_pDisplay, QueuedAfterReading) > 0) {
      XEvent next;
      XPeekEvent(m_pDisplay, &next);
      if (next.type == KeyPress && next.xkey.keycode == key.keycode && next.xkey.time == key.time) return false;
    }
    char buffer[16];
    KeySym keySym = NoSymbol;
    XLookupString(&key, buffer, sizeof buffer, &keySym, nullptr);
    SEvent event = MakeEvent(EVENT_KEY_RELEASE, key.time);
    event.x = key.x;
    event.y = key.y;
    event.state = TranslateState(key.state);
    event.key = TranslateKeySym(keySym);
    if (event.key == NO_KEY && KeySymToUtf8(keySym, event.text) == 0) return false;
    m_pendingEvents.push_back(event);
    return true;
  }

  int m_nWidth;
  int m_nHeight;
  Display* m_pDisplay = nullptr;
  Window m_window = None;
  Colormap m_colormap = None;
  GLXContext m_context = nullptr;
  XIM m_im = nullptr;
  XIC m_ic = nullptr;
  std::array<Cursor, CURSOR_SHAPES.size()> m_cursors{};
  ECursor m_currentCursor = ECursor::Arrow;
  bool m_bCursorSet = false;
  bool m_bAlive = false;
  // What was current before each MakeCurrent still open, outermost first.
  static constexpr int MAX_NESTING = 4;
  std::array<SGlxBinding, MAX_NESTING> m_previous{};
  int m_nDepth = 0;
  std::optional<CXErrorTrap> m_drawTrap;
  std::deque<SEvent> m_pendingEvents;
};

}  // namespace

std::unique_ptr<CGLSurface> CreateWindowSurface(std::uint64_t parentWindow, int width, int height,
                                                std::string& error) noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::unique_ptr<CGLSurface>(), [&]() -> std::unique_ptr<CGLSurface> {
    if (width < 0 || height < 0) {
      error = "editor window size " + std::to_string(width) + "x" + std::to_string(height) + " is negative";
      return nullptr;
    }
    if (parentWindow == 0) {
      error = "the host gave no parent window";
      return nullptr;
    }
    auto surface = std::make_unique<CWindowSurface>(width, height);
    if (!surface->Create(static_cast<Window>(parentWindow), error)) return nullptr;
    return surface;
  });
}

}  // namespace platform
