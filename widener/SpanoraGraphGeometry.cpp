#include "widener/SpanoraGraphGeometry.h"

#include <algorithm>
#include <cmath>

namespace spanora_graph {

namespace {
float Clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }
}  // namespace

CHalfDisc::CHalfDisc(const VSTGUI::CRect& size, int radialDepth)
    : m_fCx(static_cast<float>(size.left + size.right) / 2.0f),
      m_nBottom(size.bottom),
      m_nHeight(size.height()),
      m_nDepth(radialDepth) {}

SPointF CHalfDisc::Place(float theta, float radius) const {
  return {m_fCx + std::sin(theta) * radius, static_cast<float>(m_nBottom) - std::cos(theta) * radius};
}

float CHalfDisc::AngleAt(const VSTGUI::CPoint& where) const {
  const float dx = static_cast<float>(where.h) - m_fCx;
  const float dy = static_cast<float>(m_nBottom - where.v);
  if (dy <= 0.0f) return 0.0f;
  return std::clamp(std::atan(dx / dy) / FULL_ANGLE, -1.0f, 1.0f);
}

float CHalfDisc::DistanceAt(const VSTGUI::CPoint& where) const {
  const float dx = static_cast<float>(where.h) - m_fCx;
  const float dy = static_cast<float>(m_nBottom - where.v);
  return std::sqrt(dx * dx + dy * dy);
}

float CHalfDisc::RadiusAt(const VSTGUI::CPoint& where) const {
  if (m_nDepth <= 0) return 0.0f;
  return Clamp01((DistanceAt(where) - GetInnerRadius()) / static_cast<float>(m_nDepth));
}

bool CHalfDisc::InDeadZone(const VSTGUI::CPoint& where) const {
  return !(DistanceAt(where) - GetInnerRadius() > -GetInnerRadius() / 2.0f);
}

// ---- Trail ----------------------------------------------------------------

float TrailThreshold(std::span<const float> left, std::span<const float> right) {
  const std::size_t n = std::min(left.size(), right.size());
  float loudest = 0.0f;
  for (std::size_t k = 0; k < n; ++k) loudest = std::max(loudest, left[k] + right[k]);
  const float threshold = n > 0 ? loudest * 0.5f / static_cast<float>(n) : 0.0f;
  return std::max(threshold, 0.001f);
}

STrailSprite PlaceTrailSprite(float left, float right, float threshold, float s, float cx) {
  const float sum = left + right;
  const float ratio = sum > threshold ? (left - right) / sum : 0.0f;
  // Fully to one side, the sprite's centre reaches cx and it has shrunk to
  // 13 pixels, its outer edge just inside the arc's end.
  const float d = -ratio * (2.0f * s + cx - 13.0f);
  const float magnitude = std::fabs(d);
  const float side = d < 0.0f ? -1.0f : 1.0f;
  STrailSprite sprite;
  if (magnitude <= s) {
    sprite.offset = 0.0f;
    sprite.halfSize = magnitude;
  } else if (magnitude < s + cx) {
    sprite.offset = side * (magnitude - s);
    sprite.halfSize = s;
  } else {
    sprite.offset = side * cx;
    sprite.halfSize = s - (magnitude - (s + cx));
  }
  return sprite;
}

int CTrailRing::Advance(std::uint32_t now) {
  if (now < m_nLastRecording) m_nLastRecording = 0;  // the tick count wrapped
  if (now - m_nLastRecording < INTERVAL_MS) return -1;
  const int layer = m_nNext;
  m_nNext = (m_nNext + 1) % NUM_LAYERS;
  m_nRecordedAt[layer] = now;
  m_nLastRecording = now;
  return layer;
}

float CTrailRing::AgeScale(std::uint32_t now, std::uint32_t recordedAt) {
  const auto signedAge = static_cast<std::int32_t>(now - recordedAt);
  const double age = signedAge < 0 ? 0.0 : static_cast<double>(signedAge);
  const double level = std::trunc(255.0 - age * 0.00255);
  return static_cast<float>(std::max(0.0, level) / 1700.0);
}

// ---- Handles -----------------------------------------------------------------

int HandleParameter(int handle) {
  static constexpr int PARAMETERS[NUM_HANDLES] = {
      PARAM_IID_WIDTH, PARAM_IID_WIDTH, PARAM_IID_HIGH_BOUND, PARAM_IID_LOW_BOUND,    PARAM_ITD_WIDTH,
      PARAM_ITD_WIDTH, PARAM_ITD_HIGH_BOUND, PARAM_ITD_LOW_BOUND, PARAM_IID_FOCUS_UPPER, PARAM_IID_FOCUS_LOWER};
  return (handle >= 0 && handle < NUM_HANDLES) ? PARAMETERS[handle] : -1;
}

bool IsWidthHandle(int handle) { return handle == 0 || handle == 1 || handle == 4 || handle == 5; }

SHandleDrag ComputeHandleDrag(int handle, const VSTGUI::CPoint& where, const CHalfDisc& disc, bool linked,
                              const SLinkOffsets& offsets) {
  SHandleDrag drag;
  const int parameter = HandleParameter(handle);
  if (parameter < 0) return drag;
  float value = 0.0f;
  if (IsWidthHandle(handle)) {
    if (disc.InDeadZone(where)) return drag;
    const float u = disc.AngleAt(where);
    // IID widths open to the left, ITD widths to the right.
    value = handle < 4 ? -std::clamp(u, -1.0f, 0.0f) : std::clamp(u, 0.0f, 1.0f);
  } else {
    value = disc.RadiusAt(where);
  }

  if (linked) {
    int partner = -1;
    float partnerValue = 0.0f;
    switch (parameter) {
      case PARAM_IID_WIDTH: partner = PARAM_ITD_WIDTH; partnerValue = value - offsets.width; break;
      case PARAM_IID_HIGH_BOUND: partner = PARAM_ITD_HIGH_BOUND; partnerValue = value - offsets.high; break;
      case PARAM_IID_LOW_BOUND: partner = PARAM_ITD_LOW_BOUND; partnerValue = value - offsets.low; break;
      case PARAM_ITD_WIDTH: partner = PARAM_IID_WIDTH; partnerValue = value + offsets.width; break;
      case PARAM_ITD_HIGH_BOUND: partner = PARAM_IID_HIGH_BOUND; partnerValue = value + offsets.high; break;
      case PARAM_ITD_LOW_BOUND: partner = PARAM_IID_LOW_BOUND; partnerValue = value + offsets.low; break;
      default: break;  // the focus range has no partner
    }
    if (partner >= 0) drag.changes[drag.count++] = {partner, Clamp01(partnerValue)};
  }
  drag.changes[drag.count++] = {parameter, value};
  return drag;
}

int FocusBandCount(float resolution) {
  return std::clamp(static_cast<int>(resolution * 9.0f + 0.5f) + 1, 1, 10);
}

}  // namespace spanora_graph
