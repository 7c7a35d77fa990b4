#pragma once
// Keeps X protocol errors of our own display connections from reaching the
// process-wide error handler, whose default ends the host's process (a
// BadWindow for a window the host destroyed under us, a BadDrawable from GLX).
//
// A trap installs our handler for the span of one call into Xlib or GLX and
// puts the previous handler back when the last trap of the process ends, after
// an XSync that collects every error our requests can still raise. Errors of
// displays that are not ours go on to the previous handler unchanged. Traps of
// one display may nest; only the outermost one synchronises.
#include <X11/Xlib.h>

namespace platform {

class CXErrorTrap {
 public:
  explicit CXErrorTrap(Display* display) noexcept;
  ~CXErrorTrap();
  CXErrorTrap(const CXErrorTrap&) = delete;
  CXErrorTrap& operator=(const CXErrorTrap&) = delete;

  // Waits for the server to answer everything sent so far; returns the error
  // code of the first error caught by this trap (0 when none).
  int Sync() noexcept;
  int GetError() const noexcept { return m_nError; }
  void ClearError() noexcept { m_nError = 0; }

  // Closes the display inside the trap (XCloseDisplay synchronises and may
  // still raise errors); the trap then ends without another XSync.
  void CloseDisplay() noexcept;

 private:
  friend struct SXErrorTrapRegistry;
  Display* m_pDisplay;
  int m_nError = 0;
};

}  // namespace platform
