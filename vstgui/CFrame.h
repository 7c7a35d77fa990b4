#pragma once
// The editor's window: the root of the view tree, its GL surface (a child
// window in the host's window, or an offscreen framebuffer), the draw pass
// and the translation of window events into view calls.
//
// Everything runs on the thread that opened the frame (the host's user-
// interface thread), inside the host's calls: idle() pumps the window's
// events, and every 10 ms (a deadline checked by idle, not a timer of its
// own) draws a frame when something asked for it.
#include <cstdint>
#include <memory>

#include "platform/GLSurface.h"
#include "vstgui/CDrawContext.h"
#include "vstgui/CCurrentGLContext.h"
#include "vstgui/COGLFonts.h"
#include "vstgui/GLPixelSampler.h"
#include "vstgui/CViewContainer.h"
#include "vstgui/Lock.h"

namespace VSTGUI {

class AEffGUIEditor;

class CFrame : public CViewContainer {
 public:
  static constexpr std::uint32_t TIMER_INTERVAL_MS = 10;

  CFrame(const CRect& size, void* parentWindow, AEffGUIEditor* editor);
  ~CFrame() override;

  // Creates the child window in the parent given at construction. False,
  // with the frame left closed, when there is no display, visual or context.
  bool open();
  // Opens on a surface made by the caller (the offscreen one, in tests and tools).
  bool open(std::unique_ptr<platform::CGLSurface> surface);
  // Releases every view, texture and font with the context current, then the
  // window. Safe to call twice, and after the host destroyed the parent.
  void close();
  bool isOpen() const { return m_bOpen; }
  // False once the window system took the window away (its parent was destroyed).
  bool isWindowAlive() const;
  const char* getLastError() const { return m_szError; }

  // The host's idle pass: window events, then the draw deadline.
  void idle();
  // The frame's idle work for controls that want it run now (re-entry is ignored).
  void doIdleStuff() override;
  // Draws the whole frame when any view is dirty or the frame was invalidated.
  void drawOGL() override;
  // Draws the frame now, whatever is dirty, and reads it back.
  bool drawToImage(platform::SImage& image);
  // Everything is drawn again on the next pass.
  void invalid() { m_bInvalid = true; }
  bool needsDrawing() const { return m_bInvalid || isAnyDirty(); }

  // Events, as the window layer delivers them; public for tests and tools.
  void handleEvent(const platform::SEvent& event);

  void setCursor(long cursorId);
  long getCursor() const { return m_nCursor; }
  // The view that gets the moves and the release of the drag it started.
  void setMouseCapture(CView* view) { m_pMouseCapture = view; }
  CView* getMouseCapture() const { return m_pMouseCapture; }
  CView* getCurrentView() const { return m_pMouseCapture ? m_pMouseCapture : m_pLastHovered; }
  void setModalView(CView* view) override;
  void setFocusView(CView* view) override;
  CDrawContext* getDrawContext() { return &m_context; }

  // Gestures of a control's drag, passed to the editor (and so to the host).
  void beginEdit(long tag);
  void endEdit(long tag);

  AEffGUIEditor* getEditor() const { return m_pEditor; }
  std::uint32_t getFrameCount() const { return m_nFrameCount; }
  double getLastDrawMs() const { return m_fLastDrawMs; }
  Lock& getLock() { return m_lock; }
  void* getParentWindow() const { return m_pParentWindow; }
  platform::CGLSurface* getSurface() const { return m_pSurface.get(); }
  COGLFonts& getFonts() { return m_fonts; }

  // The GL context of this frame, made current for work outside the draw
  // pass (building views on open, releasing textures on close); false when
  // closed. While current, bitmaps and text find this frame's textures and
  // fonts. Calls do not nest.
  bool makeContextCurrent();
  void restoreContext();

 protected:
  void forgetView(CView* view) override;

 private:
  bool initFrame();
  void drawPass(platform::SImage* readBack);
  void pumpEvents();
  void dispatchMouseMove(const platform::SEvent& event);
  void dispatchButton(const platform::SEvent& event);
  void dispatchKey(const platform::SEvent& event);
  CView* viewUnder(const CPoint& where, long buttons) const;
  void applyCursor();

  void* m_pParentWindow;
  AEffGUIEditor* m_pEditor;
  std::unique_ptr<platform::CGLSurface> m_pSurface;
  COGLFonts m_fonts;  // display lists of this frame's context
  CGLPixelSampler m_pixelSampler;
  CDrawContext m_context{this};
  Lock m_lock;
  bool m_bOpen = false;
  bool m_bGLReady = false;
  bool m_bDrawing = false;
  bool m_bInIdle = false;
  bool m_bInvalid = true;
  bool m_bTimerStarted = false;
  std::uint32_t m_nLastTimerTick = 0;
  std::uint32_t m_nFrameCount = 0;
  double m_fLastDrawMs = 0.0;
  long m_nCursor = 0;
  long m_nAppliedCursor = -1;
  CView* m_pMouseCapture = nullptr;
  CView* m_pLastHovered = nullptr;
  char m_szError[256] = {};
  std::unique_ptr<CCurrentGLContext> m_pContextScope;
};

}  // namespace VSTGUI
