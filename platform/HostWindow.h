#pragma once
// A top-level window as a host gives it to a plug-in editor: our own test
// host and tools open editors in it. No X type crosses this header.
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class CHostWindow {
 public:
  // A mapped top-level window of the given size on the default display; null
  // with a message in `error` when there is no display.
  static std::unique_ptr<CHostWindow> Create(int width, int height, const std::string& title,
                                             std::string& error) noexcept;
  ~CHostWindow();
  CHostWindow(const CHostWindow&) = delete;
  CHostWindow& operator=(const CHostWindow&) = delete;

  // The X Window id to hand to an editor (0 once destroyed).
  std::uint64_t GetId() const noexcept;
  void Resize(int width, int height) noexcept;
  // Moves the window on the screen (top-level windows all start at 0, 0).
  void Move(int x, int y) noexcept;
  // Reads and discards the window's pending events; notes a close request
  // from a window manager.
  void PumpEvents() noexcept;
  bool IsCloseRequested() const noexcept { return m_bCloseRequested; }
  // Destroys the window now, children included, as a host that closes its
  // window before the editor does. The display stays open.
  void Destroy() noexcept;

 private:
  struct SImpl;
  explicit CHostWindow(std::unique_ptr<SImpl> impl) noexcept;
  std::unique_ptr<SImpl> m_pImpl;
  bool m_bCloseRequested = false;
};

}  // namespace platform
