#pragma once
// How a control learns that the mouse has left it. A control that shows
// something while the mouse is over it registers itself on each move it
// receives; the frame, on every move, clears the current hook before passing
// the move on and tells the previous hook MouseMovedAway when no control
// registered it again. The current hook is one process-wide pointer, touched
// only on the user-interface thread.
namespace VSTGUI {
class CDrawContext;
class CView;
}  // namespace VSTGUI

class CMouseMoveAwayHook {
 public:
  virtual ~CMouseMoveAwayHook();
  virtual void RegisterMouseMoveAway();
  virtual void MouseMovedAway(VSTGUI::CDrawContext* context);
  // Asks the control's frame for the cursor, then registers when asked to.
  virtual void SetCursorAndRegister(VSTGUI::CView* control, long cursor, bool registerHook);

  static CMouseMoveAwayHook* GetCurrentHook();
  static void SetCurrentHook(CMouseMoveAwayHook* hook);

 protected:
  CMouseMoveAwayHook() = default;
};
