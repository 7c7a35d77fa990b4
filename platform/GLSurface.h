#pragma once
// The editor's window and its OpenGL context, as everything above platform/
// sees them: no X or EGL type crosses this header.
//
// Two backends stand behind the one interface and run the same drawing code:
// - a child window of the host's X11 window with a GLX context (the plug-in
//   editor inside a host), and
// - an offscreen framebuffer on EGL's surfaceless platform (tests and tools
//   that draw the editor with no X server and write PNGs).
//
// Threading: a surface is created, used and destroyed on one thread, the
// host's user-interface thread, inside the host's calls. Nothing here starts
// a thread. Each surface has its own display connection (window backend) and
// its own GL context: texture names of one surface mean nothing in another.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Mouse buttons and modifier keys, one word. An event carries the state as
// it was just before the event (X convention), plus the button it concerns.
enum EInputState : std::uint32_t {
  kLeftButton = 1u << 0,
  kRightButton = 1u << 1,
  kMiddleButton = 1u << 2,
  kShiftKey = 1u << 3,
  kControlKey = 1u << 4,
  kAltKey = 1u << 5,
};

// Keys that carry no text. Printable keys come as UTF-8 in SEvent::text.
enum class EKey : std::uint8_t {
  None, Return, Escape, BackSpace, Delete, Tab, Left, Right, Up, Down, Home, End, PageUp, PageDown,
};

enum class ECursor : std::uint8_t { Arrow, Hand, IBeam, Crosshair, SizeVertical, SizeHorizontal, SizeAll, Wait };

struct SEvent {
  enum class EType : std::uint8_t {
    None,
    MouseMove,      // x, y, state
    ButtonPress,    // x, y, state, button (one of kLeftButton/kRightButton/kMiddleButton)
    ButtonRelease,  // x, y, state, button
    Wheel,          // x, y, state, wheel: +1 per notch up/away, -1 down/towards
    KeyPress,       // key or text, state
    KeyRelease,     // key or text, state
    PointerLeft,    // the pointer left the window
    FocusOut,       // keyboard focus went elsewhere
    Expose,         // part of the window needs drawing again
    Resized,        // width, height
    Destroyed,      // the window is gone (its parent was destroyed); the surface is dead
  };
  EType type = EType::None;
  int x = 0, y = 0;  // pixels, origin top-left of the surface
  std::uint32_t state = 0;
  std::uint32_t button = 0;
  float wheel = 0.0f;
  EKey key = EKey::None;
  char text[8] = {};  // NUL-terminated UTF-8
  std::uint32_t timeMs = 0;  // server time of the event (window backend), 0 offscreen
  int width = 0, height = 0;
};

// An RGBA image with 8 bits per channel, rows top to bottom.
struct SImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;
};

class CGLSurface {
 public:
  virtual ~CGLSurface() = default;
  CGLSurface(const CGLSurface&) = delete;
  CGLSurface& operator=(const CGLSurface&) = delete;

  virtual int GetWidth() const noexcept = 0;
  virtual int GetHeight() const noexcept = 0;
  // False once the window is gone; every later call is then harmless.
  virtual bool IsAlive() const noexcept = 0;

  // Makes this surface's context current and remembers the context that was
  // current before (the host's, another editor's, or none); RestoreContext
  // puts that one back. Pairs may nest a few deep (re-entry from a nested
  // idle or event call); each RestoreContext undoes its own MakeCurrent.
  // Restore before returning to the host: the window backend keeps an X
  // error trap of its own installed from MakeCurrent to the last
  // RestoreContext, and returns false instead of binding a window that the
  // host has destroyed (the Destroyed event follows).
  virtual bool MakeCurrent() noexcept = 0;
  virtual void RestoreContext() noexcept = 0;
  // Shows the frame just drawn. Never waits for a vertical blank.
  virtual void SwapBuffers() noexcept = 0;
  // Reads the frame just drawn (before SwapBuffers), with the context current.
  virtual bool ReadPixels(SImage& image) noexcept = 0;

  // Takes the next pending event without waiting; false when none is left.
  virtual bool NextEvent(SEvent& event) noexcept = 0;
  virtual void SetCursor(ECursor cursor) noexcept = 0;
  virtual void TakeFocus() noexcept = 0;
  // The window system's id of the surface (an X Window), 0 offscreen.
  virtual std::uint64_t GetNativeId() const noexcept = 0;

 protected:
  CGLSurface() = default;
};

// A child window of the given parent (an X11 Window id) with a double-
// buffered GL context. Null with a message in `error` when there is no
// display, no suitable visual or no context.
std::unique_ptr<CGLSurface> CreateWindowSurface(std::uint64_t parentWindow, int width, int height,
                                                std::string& error) noexcept;

// An offscreen framebuffer of the given size with its own GL context.
std::unique_ptr<CGLSurface> CreateOffscreenSurface(int width, int height, std::string& error) noexcept;

// Writes an image as an 8-bit RGBA PNG.
bool WritePng(const std::string& path, const SImage& image, std::string& error) noexcept;
// The same PNG in memory, for callers that write files their own way.
bool EncodePng(const SImage& image, std::vector<std::uint8_t>& bytes, std::string& error) noexcept;

}  // namespace platform
