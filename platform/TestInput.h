#pragma once
// Synthetic user input for tests and tools, through the XTEST extension on a
// display connection of its own: the X server delivers it as if a user moved
// the mouse and typed. Also reads back what a window shows on screen.
// No X type crosses this header.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class CTestInput {
 public:
  // Null with a message in `error` when there is no display or no XTEST.
  static std::unique_ptr<CTestInput> Open(std::string& error) noexcept;
  ~CTestInput();
  CTestInput(const CTestInput&) = delete;
  CTestInput& operator=(const CTestInput&) = delete;

  // Moves the pointer to (x, y) relative to the window's top-left corner.
  bool MoveTo(std::uint64_t window, int x, int y) noexcept;
  // X buttons: 1 left, 2 middle, 3 right, 4 and 5 the wheel.
  void PressButton(unsigned int button) noexcept;
  void ReleaseButton(unsigned int button) noexcept;
  bool Click(std::uint64_t window, int x, int y, unsigned int button = 1) noexcept;
  // A key by its key symbol name ("Return", "Shift_L", "a").
  bool PressKey(const std::string& keySymName) noexcept;
  bool ReleaseKey(const std::string& keySymName) noexcept;
  bool TapKey(const std::string& keySymName) noexcept;
  // Types printable ASCII text, with Shift where the keyboard needs it.
  bool TypeText(const std::string& text) noexcept;
  // Waits until the server has handled everything sent.
  void Sync() noexcept;

  // The red, green and blue of one pixel as the window shows it, children
  // included; false outside the window.
  bool ReadPixel(std::uint64_t window, int x, int y, std::array<std::uint8_t, 3>& rgb) noexcept;
  // The same for a rectangle, row by row; false unless it lies inside the window.
  bool ReadRegion(std::uint64_t window, int x, int y, int width, int height,
                  std::vector<std::array<std::uint8_t, 3>>& pixels) noexcept;
  // Asks a top-level window to close, as a window manager's close button does
  // (WM_DELETE_WINDOW).
  bool RequestClose(std::uint64_t window) noexcept;
  // The windows directly inside a window, bottom to top.
  std::vector<std::uint64_t> Children(std::uint64_t window) noexcept;

 private:
  struct SImpl;
  explicit CTestInput(std::unique_ptr<SImpl> impl) noexcept;
  bool SendKey(const std::string& keySymName, bool press) noexcept;
  std::unique_ptr<SImpl> m_pImpl;
};

}  // namespace platform
