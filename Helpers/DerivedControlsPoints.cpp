#include "Helpers/DerivedControlsPoints.h"

#include <GL/gl.h>

#include <cmath>

#include "Helpers/DerivedControlsText.h"
#include "Helpers/ErrorReport.h"
#include "Helpers/FlipEditor.h"
#include "Helpers/KivEffect.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CDrawContext.h"
#include "vstgui/CFrame.h"
#include "vstgui/GLState.h"

using namespace VSTGUI;

namespace {
constexpr float HALF_SIZE_PER_RADIUS = 1.414f;
constexpr float DEGREES_PER_RADIAN = 57.29577951308232f;

CRect Grown(const CRect& size, int margin) {
  return CRect(size.left - margin, size.top - margin, size.right + margin, size.bottom + margin);
}
}  // namespace

CControlPointsControl::CControlPointsControl(const CRect& size, FlipEditor* editor, CBitmap* pointBitmap,
                                             CBitmap* hoverBitmap, float pointRadius)
    : CControl(size, editor, NO_PARAMETER_TAG),
      m_pEditor(editor),
      m_pPointBitmap(pointBitmap),
      m_pHoverBitmap(hoverBitmap),
      m_fPointRadius(pointRadius > 0.0f ? pointRadius : 1.0f) {
  if (m_pPointBitmap) m_pPointBitmap->remember();
  if (m_pHoverBitmap) m_pHoverBitmap->remember();
  setMouseableArea(Grown(size, MOUSEABLE_MARGIN));
}

CControlPointsControl::~CControlPointsControl() {
  if (m_pPointBitmap) m_pPointBitmap->forget();
  if (m_pHoverBitmap) m_pHoverBitmap->forget();
}

void CControlPointsControl::setViewSize(const CRect& size) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    CControl::setViewSize(size);
    setMouseableArea(Grown(size, MOUSEABLE_MARGIN));
  });
}

int CControlPointsControl::AddControlPoint(const SControlPoint& point) {
  if (m_nNumPoints >= MAX_CONTROL_POINTS) return -1;
  m_Points[m_nNumPoints] = point;
  return m_nNumPoints++;
}

void CControlPointsControl::SetNumControlPoints(int count) {
  m_nNumPoints = count < 0 ? 0 : count > MAX_CONTROL_POINTS ? MAX_CONTROL_POINTS : count;
  if (m_nHovered >= m_nNumPoints) m_nHovered = -1;
  if (m_nDragged >= m_nNumPoints) m_nDragged = -1;
}

namespace {
// With the clip flag, a handle whose square would leave the view is hidden.
bool Shown(const SControlPoint& point, float half, bool clip, const CRect& view) {
  if (!point.visible) return false;
  if (!clip) return true;
  return point.x - half >= static_cast<float>(view.left) && point.x + half <= static_cast<float>(view.right) &&
         point.y - half >= static_cast<float>(view.top) && point.y + half <= static_cast<float>(view.bottom);
}
}  // namespace

int CControlPointsControl::FindControlPoint(const CPoint& where) const {
  return kiv::Guard(KIV_SIGNATURE, -1, [&] {
    const float half = m_fPointRadius * HALF_SIZE_PER_RADIUS;
    int best = -1;
    float bestDistance = 0.0f;
    for (int i = 0; i < m_nNumPoints; ++i) {
      const SControlPoint& p = m_Points[i];
      if (!Shown(p, half, m_bClip, m_size)) continue;
      const float dx = static_cast<float>(where.h) - p.x, dy = static_cast<float>(where.v) - p.y;
      if (std::fabs(dx) > half || std::fabs(dy) > half) continue;
      const float distance = dx * dx + dy * dy;
      if (best < 0 || distance < bestDistance) {
        best = i;
        bestDistance = distance;
      }
    }
    return best;
  });
}

bool CControlPointsControl::hitTest(const CPoint& where, long) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (!m_bMouseEnabled || !m_mouseableArea.pointInside(where)) return false;
    if (m_bHitWholeArea && m_size.pointInside(where)) return true;
    return FindControlPoint(where) >= 0;
  });
}

void CControlPointsControl::SetHovered(int index) {
  if (index == m_nHovered) return;
  m_nHovered = index;
  setDirty();
}

void CControlPointsControl::mouseMove(CDrawContext*, CPoint& where, long buttons) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_nDragged >= 0) {
      if (!(buttons & kLButton)) {
        mouseUp(nullptr, where, buttons);
        return;
      }
      if (!(where == m_LastDragPoint)) DragTo(where);
      return;
    }
    SetHovered(FindControlPoint(where));
    if (m_nHovered >= 0) RegisterMouseMoveAway();
  });
}

void CControlPointsControl::MouseMovedAway(CDrawContext*) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_nDragged < 0) SetHovered(-1);
  });
}

void CControlPointsControl::mouse(CDrawContext* context, CPoint& where, long buttons) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bMouseEnabled || m_nDragged >= 0) return;
    if ((buttons & (kShift | kControl | kAlt)) && OfferModifierClick(this, buttons)) return;
    if (!(buttons & kLButton)) return;
    const int index = FindControlPoint(where);
    if (index < 0) {
      mouseEmptySpace(where, buttons);
      return;
    }
    if (mouseSpecialClick(index, where, buttons)) return;
    m_nDragged = index;
    SetHovered(index);
    beginEdit();
    if (CFrame* frame = context ? context->getFrame() : getFrame()) frame->setMouseCapture(this);
    DragTo(where);
  });
}

void CControlPointsControl::DragTo(CPoint& where) {
  m_LastDragPoint = where;
  // The editor then knows the parameter changes come from this drag.
  const bool wasInside = m_pEditor && m_pEditor->IsInsideValueChanged();
  if (m_pEditor) m_pEditor->SetInsideValueChanged(true);
  try {
    mouseInner(where);
  } catch (...) {
    if (m_pEditor) m_pEditor->SetInsideValueChanged(wasInside);
    throw;
  }
  if (m_pEditor) m_pEditor->SetInsideValueChanged(wasInside);
  setDirty();
}

void CControlPointsControl::mouseUp(CDrawContext*, CPoint& where, long) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_nDragged < 0) return;
    m_nDragged = -1;
    m_LastDragPoint = CPoint(-100000, -100000);
    endEdit();
    if (CFrame* frame = getFrame(); frame && frame->getMouseCapture() == this) frame->setMouseCapture(nullptr);
    m_nHovered = FindControlPoint(where);
    setDirty();
  });
}

void CControlPointsControl::SetParameter(long index, float value) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    KivEffect* effect = m_pEditor ? dynamic_cast<KivEffect*>(m_pEditor->getEffect()) : nullptr;
    if (effect) effect->SetParameterAutomatedChecked(static_cast<int>(index), value);
  });
}

void CControlPointsControl::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bInitialised) {
      m_bInitialised = true;
      InitControlPoints();
    }
    {
      CGLStateScope saved;
      drawOGLInner();
    }
    const float half = m_fPointRadius * HALF_SIZE_PER_RADIUS;
    for (int i = 0; i < m_nNumPoints; ++i) {
      const SControlPoint& p = m_Points[i];
      if (i == m_nHovered || !Shown(p, half, m_bClip, m_size)) continue;
      if (m_pHoverBitmap) DrawPoint(p, m_pHoverBitmap, p.glowColor);
      DrawPoint(p, m_pPointBitmap, p.imageColor);
    }
    if (m_nHovered >= 0 && m_nHovered < m_nNumPoints && Shown(m_Points[m_nHovered], half, m_bClip, m_size)) {
      const SControlPoint& p = m_Points[m_nHovered];
      DrawPoint(p, m_pHoverBitmap ? m_pHoverBitmap : m_pPointBitmap, p.imageColor);
    }
  });
}

// A square of half-size radius x 1.414 around the centre, turned by the
// point's display angle, textured with the bitmap (a flat square without one).
void CControlPointsControl::DrawPoint(const SControlPoint& point, CBitmap* bitmap, const CColor& color) {
  CGLStateScope saved;
  const float half = m_fPointRadius * HALF_SIZE_PER_RADIUS;
  glMatrixMode(GL_MODELVIEW);
  glTranslatef(point.x, point.y, 0.0f);
  if (point.displayAngle != 0.0f) glRotatef(point.displayAngle * DEGREES_PER_RADIAN, 0.0f, 0.0f, 1.0f);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  const bool textured = bitmap && bitmap->glCreateTexture();
  float sx = 1.0f, sy = 1.0f;
  if (textured) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, bitmap->getTextureName());
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    sx = bitmap->getTextureScaleX();
    sy = bitmap->getTextureScaleY();
  }
  SetGLColor(color);
  glBegin(GL_QUADS);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2f(-half, -half);
  glTexCoord2f(0.0f, sy);
  glVertex2f(-half, half);
  glTexCoord2f(sx, sy);
  glVertex2f(half, half);
  glTexCoord2f(sx, 0.0f);
  glVertex2f(half, -half);
  glEnd();
}
