#pragma once
// A view with a value: the base of every knob, slider, button and display.
// A control reports each user edit to its listener (the editor), and
// brackets a drag with beginEdit/endEdit so the host can record a gesture.
#include <cstdint>

#include "vstgui/CView.h"

namespace VSTGUI {

class CControl;

class CControlListener {
 public:
  virtual ~CControlListener() = default;
  virtual void valueChanged(CControl* control) = 0;
};

class CControl : public CView {
 public:
  CControl(const CRect& size, CControlListener* listener = nullptr, long tag = 0, CBitmap* background = nullptr);
  ~CControl() override;

  virtual void setValue(float value);
  virtual float getValue() const { return m_fValue; }
  virtual void setMin(float value) { m_fMin = value; }
  virtual float getMin() const { return m_fMin; }
  virtual void setMax(float value) { m_fMax = value; }
  virtual float getMax() const { return m_fMax; }
  virtual void setOldValue(float value) { m_fOldValue = value; }
  virtual float getOldValue() const { return m_fOldValue; }
  virtual void setDefaultValue(float value) { m_fDefaultValue = value; }
  virtual float getDefaultValue() const { return m_fDefaultValue; }
  virtual void setTag(long tag) { m_nTag = tag; }
  virtual long getTag() const { return m_nTag; }
  // Between the parameter's 0..1 and the control's own value range;
  // identity here, derived controls with other ranges override both.
  virtual float ConvertParamToValue(float param) { return param; }
  virtual float ConvertValueToParam(float value) { return value; }

  CControlListener* getListener() const { return m_pListener; }
  void setListener(CControlListener* listener) { m_pListener = listener; }
  void setWheelInc(float increment) { m_fWheelInc = increment; }
  float getWheelInc() const { return m_fWheelInc; }
  void setMouseEnabled(bool enabled) { m_bMouseEnabled = enabled; }
  bool getMouseEnabled() const { return m_bMouseEnabled; }

  // Clamps the value into min..max; NaN becomes min.
  void bounceValue();
  // Tells the listener, and marks the control for drawing.
  void notifyValueChanged();
  // Opens and closes the host's edit gesture for this control's tag.
  void beginEdit();
  void endEdit();
  // Sets the value (clamped) as one whole gesture: a Ctrl-click to the
  // default and each wheel step are one undo step each for the host.
  void setValueAsGesture(float value);
  // The wheel's step for continuous controls: the wheel increment of the
  // range per notch, as one gesture. False when the mouse is disabled.
  bool wheelStep(float distance);
  bool isEditing() const { return m_bEditing; }

  // True when this click follows the previous one on this control within
  // the double-click interval (and records this click's time either way).
  bool isDoubleClick();
  static void setDoubleClickInterval(std::uint32_t ms);
  static std::uint32_t getDoubleClickInterval();

  bool hitTest(const CPoint& where, long buttons = 0) override;
  // A control removed in the middle of a drag closes the host's gesture.
  bool removed(CView* parent) override;

 protected:
  CControlListener* m_pListener;
  long m_nTag;
  float m_fValue = 0.0f;
  float m_fMin = 0.0f;
  float m_fMax = 1.0f;
  float m_fDefaultValue = 0.5f;
  float m_fOldValue = 1.0f;
  float m_fWheelInc = 0.1f;
  bool m_bMouseEnabled = true;
  bool m_bEditing = false;
  std::uint32_t m_nLastClickTime = 0;
  bool m_bHadClick = false;
};

}  // namespace VSTGUI
