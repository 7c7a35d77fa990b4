#pragma once
// The GL resources that belong to one frame's context: the font display
// lists. Created with the context current when the frame opens, released
// with it current when the frame closes.
namespace VSTGUI {

class CFrameResources {
 public:
  bool Create();
  void Release();
};

}  // namespace VSTGUI
