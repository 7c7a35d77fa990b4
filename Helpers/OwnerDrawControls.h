#pragma once
// Controls that paint themselves with OpenGL through a callback instead of
// showing bitmaps, and reach the running effect through their editor.
// COwnerDrawControl forwards idle work to the frame at most every 20 ms;
// CLayeredOwnerDrawControl adds the drawn area, the effect, a background
// colour and the mouse-away hook. All of it runs on the editor's thread.
#include <cstdint>

#include "Helpers/MouseMoveAwayHook.h"
#include "vstgui/CControl.h"
#include "vstgui/Lock.h"

namespace vst {
class AudioEffect;
}

namespace VSTGUI {
class AEffGUIEditor;
}

class COwnerDrawControl;
using OwnerDrawFn = void (*)(const VSTGUI::CRect& area, COwnerDrawControl* control, VSTGUI::CDrawContext* context);

class COwnerDrawControl : public VSTGUI::CControl {
 public:
  static constexpr std::uint32_t IDLE_INTERVAL_MS = 20;

  COwnerDrawControl(const VSTGUI::CRect& size, OwnerDrawFn callback, VSTGUI::AEffGUIEditor* editor,
                    VSTGUI::CControlListener* listener);
  ~COwnerDrawControl() override;

  bool attached(VSTGUI::CView* parent) override;
  bool removed(VSTGUI::CView* parent) override;
  // At most one call per 20 ms reaches the frame; calls in between, and calls
  // made from inside the frame's idle work this one started, are dropped.
  void doIdleStuff() override;
  // Calls the owner-draw callback over the control's own rectangle.
  void drawOGL() override;
  virtual void SetOption(std::int32_t /*option*/) {}

  VSTGUI::AEffGUIEditor* GetEditor() const { return m_pEditor; }

 protected:
  OwnerDrawFn m_pCallback;
  VSTGUI::AEffGUIEditor* m_pEditor;
  bool m_bFlag = false;
  VSTGUI::Lock m_CallbackLock;
  bool m_bIdleBusy = false;
  std::uint32_t m_nLastIdleTick = 0;
};

class CLayeredOwnerDrawControl : public COwnerDrawControl, public virtual CMouseMoveAwayHook {
 public:
  CLayeredOwnerDrawControl(const VSTGUI::CRect& size, VSTGUI::AEffGUIEditor* editor,
                           VSTGUI::CControlListener* listener);

  bool attached(VSTGUI::CView* parent) override;
  bool removed(VSTGUI::CView* parent) override;
  virtual void SetBackgroundColor(unsigned char red, unsigned char green, unsigned char blue);

  static void CLayered_OwnerDraw(const VSTGUI::CRect& area, COwnerDrawControl* control,
                                 VSTGUI::CDrawContext* context);
  virtual void DoOwnerDraw(const VSTGUI::CRect& area, VSTGUI::CDrawContext* context);
  void FillInEffectFromEditor();
  // Stores the colour (opaque) and fills the layer area with it.
  void ClearBackground(VSTGUI::CDrawContext* context, int red, int green, int blue);

  const VSTGUI::CRect& GetLayerArea() const { return m_LayerArea; }
  vst::AudioEffect* GetEffect() const { return m_pEffect; }
  const VSTGUI::CColor& GetBackgroundColor() const { return m_BackgroundColor; }
  bool IsBackgroundChanged() const { return m_bBackgroundChanged; }
  void SetBackgroundChanged(bool changed) { m_bBackgroundChanged = changed; }

 protected:
  VSTGUI::CRect m_LayerArea;
  vst::AudioEffect* m_pEffect = nullptr;
  VSTGUI::CColor m_BackgroundColor{0, 0, 0, 255};
  bool m_bBackgroundChanged = true;
};
