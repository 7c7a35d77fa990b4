#pragma once
// The editor base of the view framework: holds the effect, the frame and the
// host's parent window, answers the host's editor calls, and applies what
// the effect recorded for it (see Helpers/KivEditorInterface.h) at the start
// of every idle step, on the host's user-interface thread.
#include <memory>

#include "Helpers/KivEditorInterface.h"
#include "platform/GLSurface.h"
#include "vstgui/CView.h"
#include "vstgui/Types.h"

namespace VSTGUI {

class CFrame;

class AEffGUIEditor : public CKivEditorInterface {
 public:
  AEffGUIEditor(vst::AudioEffect* effect, const CRect& size);
  ~AEffGUIEditor() override;

  // Host calls. open answers false (and the host goes on without an editor)
  // when no window or GL context can be had; opening an open editor opens it
  // anew; close and idle are harmless at any time.
  bool getRect(vst::ERect** rect) override;
  bool open(void* parentWindow) override;
  // Opens on a surface made by the caller, e.g. an offscreen one.
  bool open(std::unique_ptr<platform::CGLSurface> surface);
  void close() override;
  void idle() override;

  // One frame of the editor: draws when anything asked for it.
  virtual void drawOGL();
  virtual bool onKeyDown(const CKeyCode& key);
  virtual bool onWheel(float distance);
  virtual void setKnobMode(int mode);
  static int getKnobMode();
  virtual void beginEdit(long index);
  virtual void endEdit(long index);
  // A parameter's new value for every control bound to its tag.
  virtual void setParameter(long index, float value);

  vst::AudioEffect* getEffect() const { return m_pEffect; }
  CFrame* getFrame() const { return m_pFrame.get(); }
  const CRect& getEditorSize() const { return m_size; }
  void setEditorSize(const CRect& size);

 protected:
  // The frame is open and empty: subclasses add their views here.
  virtual bool OnFrameOpened(CFrame* frame);
  // The frame is about to close, with its views still in place.
  virtual void OnFrameClosing(CFrame* frame);

  void OnParameterChanged(int index, float value) override;
  void OnReloadAllControls() override;
  void OnFullRefresh() override;
  void OnRedraw() override;
  void OnWheel(float distance) override;

 private:
  bool FinishOpen(std::unique_ptr<CFrame> frame);

  CRect m_size;
  vst::ERect m_rect{};
  std::unique_ptr<CFrame> m_pFrame;
  bool m_bInIdle = false;
};

}  // namespace VSTGUI
