#pragma once
// Opens a plug-in's editor the way a Linux host does: asks effEditGetRect for
// the size, makes a top-level X window of that size, passes its id to
// effEditOpen, asks the size again (and follows it), then calls effEditIdle
// every IDLE_INTERVAL_MS from the thread that opened it until effEditClose.
// Everything happens on the calling thread; the host window's own events are
// read and discarded between idle calls.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "tools/vsthost/VstHost.h"

namespace platform {
class CHostWindow;
}

namespace vsthost {

class CEditorHost {
 public:
  static constexpr int IDLE_INTERVAL_MS = 20;
  // The window's size when the plug-in answers no rectangle.
  static constexpr int DEFAULT_WIDTH = 400;
  static constexpr int DEFAULT_HEIGHT = 300;

  explicit CEditorHost(CVstHost& host) noexcept;
  ~CEditorHost();  // closes an open editor
  CEditorHost(const CEditorHost&) = delete;
  CEditorHost& operator=(const CEditorHost&) = delete;

  // False with GetError() set when no plug-in is loaded, it has no editor,
  // there is no display, or the plug-in refuses to open. Opening an open
  // editor does nothing and answers true.
  bool Open(const std::string& title = "spanora") noexcept;
  bool IsOpen() const noexcept { return m_bOpen; }
  const std::string& GetError() const noexcept { return m_sError; }

  // One step of the host's idle loop: the window's events, then effEditIdle.
  void Idle() noexcept;
  // Idle steps every IDLE_INTERVAL_MS for the given time; stops early and
  // answers false when the user closes the window.
  bool IdleFor(std::chrono::milliseconds duration) noexcept;
  // effEditClose, then the window goes. Harmless when not open.
  void Close() noexcept;
  // Moves the window on the screen (windows all start at the top left).
  void MoveWindow(int x, int y) noexcept;
  // Destroys the window while the editor is still open, as hosts do that
  // close their window before telling the plug-in.
  void DestroyWindow() noexcept;

  std::uint64_t GetWindowId() const noexcept;
  // The editor's size from the last effEditGetRect (0 before Open).
  int GetWidth() const noexcept { return m_nWidth; }
  int GetHeight() const noexcept { return m_nHeight; }

 private:
  // effEditGetRect into m_nWidth/m_nHeight; false when the plug-in has no rectangle.
  bool AskRect() noexcept;

  CVstHost& m_host;
  std::unique_ptr<platform::CHostWindow> m_pWindow;
  std::string m_sError;
  int m_nWidth = 0;
  int m_nHeight = 0;
  bool m_bOpen = false;
};

}  // namespace vsthost
