#pragma once
// A thin strip below the half-disc showing the overall left/right balance
// of the output: a fading trail of the last 60 positions and a grey bar at a
// slowly smoothed position, which also turns a companion knob if one is
// attached.
//
// Editor thread only: the effect records its output peak holds every 1024
// samples and the editor's idle pass hands the latest pair to PushLevels.
#include "vstgui/CControl.h"

namespace VSTGUI {
class AEffGUIEditor;
}

class CSpanoraBalanceGraph : public VSTGUI::CControl {
 public:
  static constexpr int HISTORY = 60;

  CSpanoraBalanceGraph(const VSTGUI::CRect& size, VSTGUI::AEffGUIEditor* editor);

  // One pair of output peak holds: louder right moves the position right.
  void PushLevels(float left, float right) noexcept;
  void drawOGL() override;
  // The knob that mirrors the smoothed position (0 left, 0.5 centre, 1 right).
  void SetCompanion(VSTGUI::CControl* companion) noexcept { m_pCompanion = companion; }

  float GetCentre() const noexcept { return m_fCentre; }
  float GetHalfWidth() const noexcept { return m_fHalfWidth; }
  float GetSmoothedPosition() const noexcept { return m_fSmoothed; }
  int GetHistoryIndex() const noexcept { return m_nIndex; }
  float GetHistory(int entry) const noexcept { return m_fHistory[((entry % HISTORY) + HISTORY) % HISTORY]; }

 private:
  float m_fCentre;
  float m_fHalfWidth;
  float m_fHistory[HISTORY];
  int m_nIndex = 0;
  float m_fSmoothed;
  VSTGUI::CControl* m_pCompanion = nullptr;
};
