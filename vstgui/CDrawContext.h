#pragma once
// What views receive with every mouse call: the frame, and the mouse buttons
// and modifier keys as the frame last saw them, which a control may poll
// while it is being dragged. Drawing itself goes through OpenGL in drawOGL.
#include <cstdint>

namespace VSTGUI {

class CFrame;

// Button and modifier bits as views see them.
enum EMouseButtons : long {
  kLButton = 1 << 0,
  kRButton = 1 << 1,
  kMButton = 1 << 2,
  kShift = 1 << 3,
  kControl = 1 << 4,
  kAlt = 1 << 5,
  kDoubleClick = 1 << 6,
};

class CDrawContext {
 public:
  explicit CDrawContext(CFrame* frame) : m_pFrame(frame) {}
  CFrame* getFrame() const { return m_pFrame; }
  long getMouseButtons() const { return m_nButtons; }
  void setMouseButtons(long buttons) { m_nButtons = buttons; }

 private:
  CFrame* m_pFrame;
  long m_nButtons = 0;
};

}  // namespace VSTGUI
