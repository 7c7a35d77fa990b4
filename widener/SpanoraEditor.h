#pragma once
// The widener's editor: its knobs, buttons and read-outs over one background,
// the width graph, balance strip and handle overlay, and three pieces of
// display state kept in step with the effect: the phase knob that stands for
// Phase Invert and Phase Shift, the auto-level button's countdown, and a
// read-out of the parameter touched last.
//
// Threads: everything runs on the user-interface thread. The level values
// the audio thread hands over are picked up in IdleInner.
#include <cstdint>

#include "Helpers/FlipEditor.h"
#include "widener/SpanoraFaceLogic.h"
#include "widener/SpanoraEditorLayout.h"

class ASpanora;
class CSpanoraBalanceGraph;
class CSpanoraGraph;
class CSpanoraGraphOverlay;

namespace VSTGUI {
class CAnimKnob;
}

class SpanoraEditor : public FlipEditor {
 public:
  static constexpr const char* TITLE = "Spanora3 v3.1.10";

  explicit SpanoraEditor(vst::AudioEffect* effect);

  void valueChanged(VSTGUI::CControl* control) override;
  void setParameter(long index, float value) override;
  void endEdit(long index) override;
  void UpdateABControls() override;

  // Meter positions 0..1 (a 60 dB scale): each meter jumps up at once and
  // falls 0.05 per call; the peak read-out follows the selected meter.
  void UpdateLevelMeters(float input, float output);
  void UpdatePhaseShiftAndInvertKnob();

  // Millisecond clock of the peak hold and the countdown (tests replace it).
  using MillisecondClock = std::uint32_t (*)();
  void SetClock(MillisecondClock clock) { m_pClock = clock; }

  // ---- What the face shows (null when the face has no such control) ----
  VSTGUI::CAnimKnob* GetPhaseKnob() const { return m_pPhaseKnob; }
  VSTGUI::CAnimKnob* GetMeterKnob(int output) const { return m_pMeterKnobs[output ? 1 : 0]; }
  VSTGUI::CControl* GetMeterButton(int output) const { return m_pMeterButtons[output ? 1 : 0]; }
  VSTGUI::CControl* GetAutoLevelButton() const { return m_pAutoLevelButton; }
  VSTGUI::CAnimKnob* GetReadoutLabel() const { return m_pReadoutLabel; }
  VSTGUI::CAnimKnob* GetReadoutValue(int kind) const;
  VSTGUI::CControl* GetCopyButton() const { return m_pCopyButton; }
  const spanora::CPeakHold& GetPeakHold() const { return m_PeakHold; }
  long GetLastTouchedTag() const { return m_nLastTouchedTag; }
  CSpanoraGraph* GetGraph() const { return m_pGraph; }
  CSpanoraBalanceGraph* GetBalanceStrip() const { return m_pBalanceStrip; }
  CSpanoraGraphOverlay* GetOverlay() const { return m_pOverlay; }
  // A face rebuild waits for the next idle step.
  bool IsRebuildPending() const { return m_bRebuildPending; }

 protected:
  void OnOpen() override;
  void AddFrontViewsInner() override;
  void NullControlPointers() override;
  void AddBackViewsInner() override {}
  void UpdateUi() override;
  void IdleInner() override;
  void AddBackViewTitle() override;

 private:
  ASpanora* GetSpanora() const;
  std::uint32_t Now() const { return m_pClock(); }
  void AddAnalysisViews();
  void AddFaceControl(const spanora::SFaceControl& row, bool dynamicsOn);
  void UpdateAutoLevelButton();
  void UpdateReadout();
  float ReadoutValue(const spanora::SReadoutRow& row) const;

  VSTGUI::CAnimKnob* m_pMeterKnobs[2] = {};
  VSTGUI::CControl* m_pMeterButtons[2] = {};
  VSTGUI::CAnimKnob* m_pPhaseKnob = nullptr;
  VSTGUI::CControl* m_pAutoLevelButton = nullptr;
  VSTGUI::CAnimKnob* m_pReadoutLabel = nullptr;
  VSTGUI::CAnimKnob* m_pReadoutValues[spanora::READOUT_KINDS] = {};
  // The overlay is kept where setParameter can mark it dirty; the graph and
  // strip exist only while "Analysis" is on.
  CSpanoraGraphOverlay* m_pOverlay = nullptr;
  CSpanoraGraph* m_pGraph = nullptr;
  CSpanoraBalanceGraph* m_pBalanceStrip = nullptr;

  spanora::CPeakHold m_PeakHold;
  long m_nLastTouchedTag = -1;  // the output peak until something else is touched
  // The "Dynamics" value last applied: the face's knob images depend on it.
  float m_fLastDynamics = -1.0f;
  bool m_bRebuildPending = false;
  bool m_bUiUpdatePending = false;
  MillisecondClock m_pClock;
};

// Makes every ASpanora created from now on build a SpanoraEditor.
void InstallSpanoraEditor();
