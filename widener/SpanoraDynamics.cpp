#include "widener/SpanoraDynamics.h"

#include <algorithm>
#include <cmath>

#include "widener/SpanoraTiming.h"

namespace {
constexpr float kTwoPi = 6.2831853071795864f;
constexpr float kDepthStep = 0.01f;
}  // namespace

void CDynamicsLfo::Reset() {
  m_fPhase = 0.0f;
  m_bWrapped = false;
  m_nShape = 0;
  m_Depth.Set(0.0f);
  m_fRandomPrevious = m_fRandomNext = 0.0f;
  m_nRandomState = 1u;
}

void CDynamicsLfo::Advance(float rate, float sampleRate, int shape, float depthTarget) {
  const float fs = sampleRate > 0.0f ? sampleRate : 44100.0f;
  const float move = rate * static_cast<float>(DYNAMICS_SAMPLES) / fs;
  m_fPhase += move >= 0.0f ? move : 0.0f;  // NaN and negative rates stand still
  m_bWrapped = false;
  if (m_fPhase >= 1.0f) {
    m_bWrapped = true;
    m_fPhase -= 1.0f;
    if (m_fPhase >= 1.0f) m_fPhase = std::fmod(m_fPhase, 1.0f);
  }
  if (!(m_fPhase < 1.0f)) m_fPhase = 0.0f;  // an infinite rate
  m_nShape = std::clamp(shape, 0, NUM_SHAPES - 1);
  m_Depth.StepTowards(depthTarget > 0.0f ? std::min(depthTarget, 1.0f) : 0.0f, kDepthStep);
}

float CDynamicsLfo::Draw() {
  m_nRandomState = m_nRandomState * 1103515245u + 12345u;
  const std::uint32_t r = (m_nRandomState >> 16) & 0x7FFFu;
  return static_cast<float>(r & 127u) / 64.0f - 1.0f;
}

float CDynamicsLfo::Value(float p) {
  switch (m_nShape) {
    case 0: return std::sin(kTwoPi * p);
    case 1:
      if (p < 0.25f) return 4.0f * p;
      if (p >= 0.75f) return 4.0f * (p - 1.0f);
      return -4.0f * (p - 0.5f);
    case 2: return p < 0.5f ? -1.0f : 1.0f;
    case 3:
      if (m_bWrapped) {
        m_fRandomPrevious = m_fRandomNext;
        m_fRandomNext = Draw();
      }
      return m_fRandomPrevious + (m_fRandomNext - m_fRandomPrevious) * p;
    default:
      if (m_bWrapped) m_fRandomNext = Draw();
      return m_fRandomNext;
  }
}
