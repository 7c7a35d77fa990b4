#include "widener/SpanoraGraphOverlay.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "Helpers/ErrorReport.h"
#include "Helpers/FlipEditor.h"
#include "Helpers/KivEffect.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CFrame.h"
#include "widener/ASpanora.h"

using namespace VSTGUI;
using namespace spanora_graph;

namespace {

// Handles 0/4 sit just outside the band, 1/5 just inside.
constexpr float OUTER_HANDLE_RADIUS = 1.065f;
constexpr float INNER_HANDLE_RADIUS = -0.065f;
// A width of 0 still opens the sector by a hair, so its edges stay apart.
constexpr float MIN_ANGLE = 0.001f;
constexpr int SECTOR_STEPS = 20;
constexpr int OUTLINE_STEPS = 40;
constexpr float OUTLINE_HALF_THICKNESS = 3.0f;
constexpr float HANDLE_RADIUS = 8.0f;
constexpr int IID_FIRST_POINT = 0;
constexpr int ITD_FIRST_POINT = 4;

CFrame* FrameOf(FlipEditor* editor) { return editor ? editor->getFrame() : nullptr; }

}  // namespace

CSpanoraGraphOverlay::CSpanoraGraphOverlay(const CRect& size, FlipEditor* editor, int radialDepth)
    : CControlPointsControl(size, editor, new CBitmap(FrameOf(editor), HANDLE_BITMAP),
                            new CBitmap(FrameOf(editor), HANDLE_HOVER_BITMAP), HANDLE_RADIUS),
      m_pEffect(editor ? dynamic_cast<KivEffect*>(editor->getEffect()) : nullptr),
      m_Disc(size, radialDepth),
      m_pBandTexture(new CBitmap(FrameOf(editor), BAND_TEXTURE_BITMAP)) {
  // The base holds its own references to the handle images.
  if (m_pPointBitmap) m_pPointBitmap->forget();
  if (m_pHoverBitmap) m_pHoverBitmap->forget();
}

CSpanoraGraphOverlay::~CSpanoraGraphOverlay() {
  if (m_pBandTexture) m_pBandTexture->forget();
}

float CSpanoraGraphOverlay::Param(int index) const {
  return m_pEffect ? m_pEffect->getParameter(index) : 0.0f;
}

SLinkOffsets CSpanoraGraphOverlay::LinkOffsets() const {
  const auto* widener = dynamic_cast<const ASpanora*>(m_pEffect);
  if (widener == nullptr) return {};
  return {widener->GetLinkOffset(0), widener->GetLinkOffset(1), widener->GetLinkOffset(2)};
}

bool CSpanoraGraphOverlay::TakeGraphChanged() noexcept {
  const bool changed = m_bGraphChanged;
  m_bGraphChanged = false;
  return changed;
}

void CSpanoraGraphOverlay::InitControlPoints() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    SetNumControlPoints(0);
    // The handle image points up; the inner width handles and the focus
    // handles are turned to face their band.
    static constexpr float OFFSETS[NUM_HANDLES] = {0.0f, PI, 0.0f, 0.0f, 0.0f, PI, 0.0f, 0.0f, -PI / 2, -PI / 2};
    for (float offset : OFFSETS) {
      SControlPoint point;
      point.angleOffset = offset;
      AddControlPoint(point);
    }
    PlacePoints();
  });
}

void CSpanoraGraphOverlay::PlacePoints() {
  const float iid = -(Param(PARAM_IID_WIDTH) + MIN_ANGLE / FULL_ANGLE);
  const float itd = Param(PARAM_ITD_WIDTH) + MIN_ANGLE / FULL_ANGLE;
  const float angles[NUM_HANDLES] = {iid, iid, iid, iid, itd, itd, itd, itd, 0.0f, 0.0f};
  const float radii[NUM_HANDLES] = {OUTER_HANDLE_RADIUS,         INNER_HANDLE_RADIUS,
                                    Param(PARAM_IID_HIGH_BOUND), Param(PARAM_IID_LOW_BOUND),
                                    OUTER_HANDLE_RADIUS,         INNER_HANDLE_RADIUS,
                                    Param(PARAM_ITD_HIGH_BOUND), Param(PARAM_ITD_LOW_BOUND),
                                    Param(PARAM_IID_FOCUS_UPPER), Param(PARAM_IID_FOCUS_LOWER)};
  const bool iidOn = Param(PARAM_IID_ENABLED) != 0.0f;
  const bool itdOn = Param(PARAM_ITD_ENABLED) != 0.0f;
  for (int i = 0; i < std::min(NUM_HANDLES, GetNumControlPoints()); ++i) {
    SControlPoint& point = GetControlPoint(i);
    point.angle = angles[i];
    point.radius = radii[i];
    point.highlight = (i >= ITD_FIRST_POINT && i < ITD_FIRST_POINT + 4) ? itdOn : iidOn;
    const float theta = CHalfDisc::Angle(point.angle);
    const SPointF at = m_Disc.Place(theta, m_Disc.Radius(point.radius));
    point.x = at.x;
    point.y = at.y;
    point.displayAngle = theta + point.angleOffset;
    point.imageColor = CColor{255, 255, 255, static_cast<std::uint8_t>(point.highlight ? 255 : 128)};
    point.glowColor = CColor{255, 255, 255, static_cast<std::uint8_t>(point.highlight ? 100 : 25)};
  }
}

void CSpanoraGraphOverlay::BindBandTexture() {
  if (m_pBandTexture && m_pBandTexture->glCreateTexture()) {
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, m_pBandTexture->getTextureName());
  } else {
    glDisable(GL_TEXTURE_2D);
  }
}

// A strip 6 pixels thick along one bound radius over the sector's span; the
// band texture runs through the thickness.
void CSpanoraGraphOverlay::DrawArcStrip(float radius, float width, float alpha) {
  const float ty = m_pBandTexture ? m_pBandTexture->getTextureScaleY() : 1.0f;
  const float tx = 0.5f * (m_pBandTexture ? m_pBandTexture->getTextureScaleX() : 1.0f);
  glColor4f(1.0f, 1.0f, 1.0f, alpha);
  glBegin(GL_TRIANGLE_STRIP);
  for (int j = 0; j < OUTLINE_STEPS; ++j) {
    const float theta = (2.0f * static_cast<float>(j) / (OUTLINE_STEPS - 1) - 1.0f) * width;
    const SPointF inner = m_Disc.Place(theta, radius - OUTLINE_HALF_THICKNESS);
    const SPointF outer = m_Disc.Place(theta, radius + OUTLINE_HALF_THICKNESS);
    glTexCoord2f(tx, 0.0f);
    glVertex2f(inner.x, inner.y);
    glTexCoord2f(tx, ty);
    glVertex2f(outer.x, outer.y);
  }
  glEnd();
}

// The sector's radial edge at one angle, 6 pixels thick across it.
void CSpanoraGraphOverlay::DrawEdgeStrip(float angle, float lowRadius, float highRadius, float alpha) {
  const float ty = m_pBandTexture ? m_pBandTexture->getTextureScaleY() : 1.0f;
  const float tx = 0.5f * (m_pBandTexture ? m_pBandTexture->getTextureScaleX() : 1.0f);
  const SPointF low = m_Disc.Place(angle, lowRadius);
  const SPointF high = m_Disc.Place(angle, highRadius);
  // Across the edge: the unit normal of the radial line.
  const float nx = std::cos(angle) * OUTLINE_HALF_THICKNESS;
  const float ny = std::sin(angle) * OUTLINE_HALF_THICKNESS;
  glColor4f(1.0f, 1.0f, 1.0f, alpha);
  glBegin(GL_QUADS);
  glTexCoord2f(tx, 0.0f);
  glVertex2f(low.x - nx, low.y - ny);
  glTexCoord2f(tx, ty);
  glVertex2f(low.x + nx, low.y + ny);
  glTexCoord2f(tx, ty);
  glVertex2f(high.x + nx, high.y + ny);
  glTexCoord2f(tx, 0.0f);
  glVertex2f(high.x - nx, high.y - ny);
  glEnd();
}

void CSpanoraGraphOverlay::DrawRegion(float width, float lowBound, float highBound, bool enabled, int firstPoint) {
  const int active = GetActivePoint();
  const bool regionActive = active >= firstPoint && active < firstPoint + 4;
  const float fillAlpha = regionActive ? (enabled ? 0.1f : 0.04f) : (enabled ? 0.05f : 0.02f);
  const float w = CHalfDisc::Angle(width) + MIN_ANGLE;
  const float rLow = m_Disc.Radius(lowBound), rHigh = m_Disc.Radius(highBound);

  glDisable(GL_TEXTURE_2D);
  glColor4f(1.0f, 1.0f, 1.0f, fillAlpha);
  glBegin(GL_TRIANGLE_STRIP);
  for (int j = 0; j < SECTOR_STEPS; ++j) {
    const float theta = (2.0f * static_cast<float>(j) / (SECTOR_STEPS - 1) - 1.0f) * w;
    const SPointF inner = m_Disc.Place(theta, rLow);
    const SPointF outer = m_Disc.Place(theta, rHigh);
    glVertex2f(inner.x, inner.y);
    glVertex2f(outer.x, outer.y);
  }
  glEnd();

  auto outlineAlpha = [&](bool own) { return enabled ? (own ? 1.0f : 0.2f) : (own ? 0.4f : 0.05f); };
  BindBandTexture();
  DrawArcStrip(rHigh, w, outlineAlpha(active == firstPoint + 2));
  DrawArcStrip(rLow, w, outlineAlpha(active == firstPoint + 3));
  // The edge on the handles' side: the IID handles sit at -w, the ITD ones at +w.
  const bool widthActive = active == firstPoint || active == firstPoint + 1;
  DrawEdgeStrip(firstPoint == IID_FIRST_POINT ? -w : w, rLow, rHigh, outlineAlpha(widthActive));
}

void CSpanoraGraphOverlay::DrawWRBandsOverlay(bool enabled) {
  const int active = GetActivePoint();
  const bool focusActive = active == 8 || active == 9;
  const float alpha = focusActive ? (enabled ? 1.0f : 0.4f) : (enabled ? 0.2f : 0.04f);
  const float rLow = m_Disc.Radius(Param(PARAM_IID_FOCUS_LOWER));
  const float rHigh = m_Disc.Radius(Param(PARAM_IID_FOCUS_UPPER));
  const float cx = m_Disc.GetCentreX();
  const float bottom = static_cast<float>(m_Disc.GetBottom());
  const float ty = m_pBandTexture ? m_pBandTexture->getTextureScaleY() : 1.0f;
  const float tx = m_pBandTexture ? m_pBandTexture->getTextureScaleX() : 1.0f;

  BindBandTexture();
  glColor4f(1.0f, 1.0f, 1.0f, alpha);
  glBegin(GL_QUADS);
  // The bar, with the band texture running across its width.
  glTexCoord2f(0.5f * tx, 0.0f);
  glVertex2f(cx - 3.0f, bottom - rHigh);
  glTexCoord2f(0.5f * tx, ty);
  glVertex2f(cx + 3.0f, bottom - rHigh);
  glTexCoord2f(0.5f * tx, ty);
  glVertex2f(cx + 3.0f, bottom - rLow);
  glTexCoord2f(0.5f * tx, 0.0f);
  glVertex2f(cx - 3.0f, bottom - rLow);
  // One tick per band, left of the bar, from the lower end up.
  const int bands = FocusBandCount(Param(PARAM_IID_RESOLUTION));
  for (int i = 0; i < bands; ++i) {
    const float r = bands == 1 ? rLow : rLow + (rHigh - rLow) * static_cast<float>(i) / static_cast<float>(bands - 1);
    const float y = bottom - r;
    glTexCoord2f(0.5f * tx, 0.0f);
    glVertex2f(cx - 8.0f, y - 3.0f);
    glTexCoord2f(0.5f * tx, 0.0f);
    glVertex2f(cx - 3.0f, y - 3.0f);
    glTexCoord2f(0.5f * tx, ty);
    glVertex2f(cx - 3.0f, y + 3.0f);
    glTexCoord2f(0.5f * tx, ty);
    glVertex2f(cx - 8.0f, y + 3.0f);
  }
  glEnd();
}

void CSpanoraGraphOverlay::drawOGLInner() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    PlacePoints();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    DrawRegion(Param(PARAM_IID_WIDTH), Param(PARAM_IID_LOW_BOUND), Param(PARAM_IID_HIGH_BOUND),
               Param(PARAM_IID_ENABLED) != 0.0f, IID_FIRST_POINT);
    DrawRegion(Param(PARAM_ITD_WIDTH), Param(PARAM_ITD_LOW_BOUND), Param(PARAM_ITD_HIGH_BOUND),
               Param(PARAM_ITD_ENABLED) != 0.0f, ITD_FIRST_POINT);
    DrawWRBandsOverlay(Param(PARAM_IID_ENABLED) != 0.0f);
  });
}

void CSpanoraGraphOverlay::mouseInner(CPoint& where) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    const int handle = GetDraggedIndex();
    if (handle < 0 || handle >= NUM_HANDLES) return;
    m_bGraphChanged = true;
    const SHandleDrag drag = ComputeHandleDrag(handle, where, m_Disc, Param(PARAM_LINK_RANGES) != 0.0f, LinkOffsets());
    for (int i = 0; i < drag.count; ++i) SetParameter(drag.changes[i].index, drag.changes[i].value);
  });
}
