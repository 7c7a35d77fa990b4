#include "vstgui/CKnob.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "Helpers/ErrorReport.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CDrawContext.h"
#include "vstgui/CFrame.h"
#include "vstgui/GLState.h"

namespace VSTGUI {

namespace {
constexpr float kPi = 3.14159265358979f;
}  // namespace

CKnob::CKnob(const CRect& size, CControlListener* listener, long tag, CBitmap* background)
    : CControl(size, listener, tag, background) {}

void CKnob::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    drawBackground();
    // The pointer sweeps 270 degrees, from lower left to lower right.
    const float range = m_fMax - m_fMin;
    const float position = range != 0.0f ? (m_fValue - m_fMin) / range : 0.0f;
    const float angle = (225.0f - 270.0f * std::clamp(position, 0.0f, 1.0f)) * kPi / 180.0f;
    const float cx = 0.5f * static_cast<float>(m_size.left + m_size.right);
    const float cy = 0.5f * static_cast<float>(m_size.top + m_size.bottom);
    const float radius = 0.5f * static_cast<float>(std::min(m_size.width(), m_size.height())) - 1.0f;
    if (!m_pBackground) {
      // No artwork: a plain disc with a rim.
      glBegin(GL_TRIANGLE_FAN);
      glColor4ub(70, 76, 88, 255);
      glVertex2f(cx, cy);
      for (int i = 0; i <= 48; ++i) {
        const float a = static_cast<float>(i) * 2.0f * kPi / 48.0f;
        glVertex2f(cx + radius * std::cos(a), cy + radius * std::sin(a));
      }
      glEnd();
      glColor4ub(120, 130, 150, 255);
      glBegin(GL_LINE_LOOP);
      for (int i = 0; i < 48; ++i) {
        const float a = static_cast<float>(i) * 2.0f * kPi / 48.0f;
        glVertex2f(cx + radius * std::cos(a), cy + radius * std::sin(a));
      }
      glEnd();
    }
    SetGLColor(m_handleColor);
    glLineWidth(2.0f);
    glBegin(GL_LINES);
    glVertex2f(cx + 0.3f * radius * std::cos(angle), cy - 0.3f * radius * std::sin(angle));
    glVertex2f(cx + radius * std::cos(angle), cy - radius * std::sin(angle));
    glEnd();
  });
}

void CKnob::mouse(CDrawContext* context, CPoint& where, long buttons) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bMouseEnabled || !(buttons & kLButton)) return;
    if (buttons & kControl) {
      setValueAsGesture(m_fDefaultValue);
      return;
    }
    beginEdit();
    m_dragAnchor = m_lastPoint = where;
    m_fAnchorValue = m_fValue;
    m_bAnchorFine = (buttons & kShift) != 0;
    if (CFrame* frame = context ? context->getFrame() : getFrame()) frame->setMouseCapture(this);
  });
}

float CKnob::dragValue(const CPoint& where, long buttons) {
  const bool fine = (buttons & kShift) != 0;
  if (fine != m_bAnchorFine) {
    m_dragAnchor = m_lastPoint;
    m_fAnchorValue = m_fValue;
    m_bAnchorFine = fine;
  }
  m_lastPoint = where;
  float perPixel = (m_fMax - m_fMin) / static_cast<float>(LINEAR_RANGE_PIXELS);
  if (fine) perPixel /= m_fZoomFactor;
  const int pixels = (m_dragAnchor.v - where.v) + (where.h - m_dragAnchor.h);
  return std::clamp(m_fAnchorValue + static_cast<float>(pixels) * perPixel, m_fMin, m_fMax);
}

void CKnob::mouseMove(CDrawContext*, CPoint& where, long buttons) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!isEditing() || !(buttons & kLButton)) return;
    const float value = dragValue(where, buttons);
    if (value == m_fValue) return;
    m_fValue = value;
    notifyValueChanged();
  });
}

void CKnob::mouseUp(CDrawContext*, CPoint&, long) {
  kiv::Guard(KIV_SIGNATURE, [&] { endEdit(); });
}

bool CKnob::onWheel(CDrawContext*, const CPoint&, float distance) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] { return wheelStep(distance); });
}

CAnimKnob::CAnimKnob(const CRect& size, CControlListener* listener, long tag, int subPixmaps, int heightOfOneImage,
                     CBitmap* background)
    : CKnob(size, listener, tag, background),
      m_nSubPixmaps(std::max(subPixmaps, 1)),
      m_nHeightOfOneImage(heightOfOneImage > 0 ? heightOfOneImage : size.height()) {}

int CAnimKnob::getFrameIndex() const {
  const float range = m_fMax - m_fMin;
  const float position = range != 0.0f ? std::clamp((m_fValue - m_fMin) / range, 0.0f, 1.0f) : 0.0f;
  return static_cast<int>(position * static_cast<float>(m_nSubPixmaps - 1) + 0.5f);
}

void CAnimKnob::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_pBackground) return;
    m_pBackground->drawOGL(m_size.left, m_size.top, 0, getFrameIndex() * m_nHeightOfOneImage, m_size.width(),
                           m_nHeightOfOneImage);
  });
}

}  // namespace VSTGUI
