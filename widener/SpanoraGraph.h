#pragma once
// The half-disc stereo-field display: for each of its frequency points (low
// on the inner arc, high on the outer) a glowing sprite sits where the
// output's energy lies between left (curve 0) and right (curve 1). Each
// frame may record a new layer of sprites into a ring of ten display lists
// (at most one every 10 ms); all ten are drawn additively, so a steady
// signal glows and a moving one leaves a short trail.
//
// Editor thread only. The editor hands it the effect's two analysis stores
// (SetDataStore 0 and 1) and marks it dirty on every idle pass.
#include <cstdint>

#include "Helpers/FreqGraphs.h"
#include "widener/SpanoraGraphGeometry.h"

namespace VSTGUI {
class CBitmap;
}

class CSpanoraGraph : public CFreqGraph {
 public:
  static constexpr long SPRITE_BITMAP = 224;

  // radialDepth / pixelsPerPoint curve points; the editor passes 176, 4, 224.
  CSpanoraGraph(const VSTGUI::CRect& size, VSTGUI::AEffGUIEditor* editor, int radialDepth, int pixelsPerPoint,
                long bitmapId);
  // The same with the sprite image given (the editor's shared, premultiplied
  // copy); the graph holds a reference to it.
  CSpanoraGraph(const VSTGUI::CRect& size, VSTGUI::AEffGUIEditor* editor, int radialDepth, int pixelsPerPoint,
                VSTGUI::CBitmap* sprite);
  ~CSpanoraGraph() override;

  void drawOGL() override;
  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, long buttons) override;
  void mouseMove(VSTGUI::CDrawContext*, VSTGUI::CPoint&, long) override {}

  const spanora_graph::CTrailRing& GetTrail() const { return m_Trail; }
  // The sprite's half-size in pixels (the sprite image's width).
  float GetSpriteHalfSize() const;
  // Where point k's sprite of a layer goes: screen centre and half-size.
  struct SSprite {
    spanora_graph::SPointF centre;
    float halfSize = 0.0f;
  };
  SSprite ComputeSprite(int point, float threshold) const;

 private:
  bool PrepareGL();
  void ReleaseGL() noexcept;
  void RecordLayer(int layer);

  int m_nRadialDepth;
  int m_nPixelsPerPoint;
  VSTGUI::CBitmap* m_pSprite;
  spanora_graph::CTrailRing m_Trail;
  unsigned m_nListBase = 0;
  unsigned m_nTexture = 0;
  float m_fTexScaleX = 1.0f, m_fTexScaleY = 1.0f;
  const void* m_pGLOwner = nullptr;  // the context the lists and texture live in
  bool m_bPremultiply = false;       // the sprite is a private copy, not yet premultiplied
};
