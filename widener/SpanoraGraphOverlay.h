#pragma once
// The widener's regions drawn over the half-disc, and the handles that set
// them: the IID region (left) and the ITD region (right) as translucent
// sectors between their low and high bounds, the IID focus range as a bar
// on the centre line with one tick per band, and ten draggable handles for
// the widths, the bounds and the focus range. Editor thread only.
#include "Helpers/DerivedControlsPoints.h"
#include "widener/SpanoraGraphGeometry.h"

class KivEffect;

class CSpanoraGraphOverlay : public CControlPointsControl {
 public:
  static constexpr long BAND_TEXTURE_BITMAP = 269;
  static constexpr long HANDLE_BITMAP = 267;
  static constexpr long HANDLE_HOVER_BITMAP = 268;

  CSpanoraGraphOverlay(const VSTGUI::CRect& size, FlipEditor* editor, int radialDepth);
  ~CSpanoraGraphOverlay() override;

  void InitControlPoints() override;
  void drawOGLInner() override;
  // The focus bar and its band ticks, bright while IID is on and a focus
  // handle is active.
  void DrawWRBandsOverlay(bool enabled);
  void mouseInner(VSTGUI::CPoint& where) override;

  // Places the ten points from the effect's current parameter set.
  void PlacePoints();
  // Set by every drag step; the editor takes it to know the graph moved.
  bool TakeGraphChanged() noexcept;
  const spanora_graph::CHalfDisc& GetDisc() const { return m_Disc; }

 private:
  float Param(int index) const;
  spanora_graph::SLinkOffsets LinkOffsets() const;
  void DrawRegion(float width, float lowBound, float highBound, bool enabled, int firstPoint);
  void DrawArcStrip(float radius, float width, float alpha);
  void DrawEdgeStrip(float angle, float lowRadius, float highRadius, float alpha);
  void BindBandTexture();

  KivEffect* m_pEffect;
  spanora_graph::CHalfDisc m_Disc;
  VSTGUI::CBitmap* m_pBandTexture;
  bool m_bGraphChanged = false;
};
