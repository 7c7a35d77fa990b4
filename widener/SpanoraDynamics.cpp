// "Dynamics": an LFO that moves each IID band's gain with its own phase
// offset and swings the ITD width and delay; free running or locked to whole
// beats of the host tempo. Updated every 256 samples on the audio thread.
#include <algorithm>
#include <cmath>

#include "widener/ASpanora.h"

namespace {
constexpr float kBandPhaseOffset[MAX_BANDS] = {0.0f, 0.0f, 0.5f, 0.4f, 0.8f, 0.3f, 0.2f, 0.7f, 0.1f, 0.9f};
constexpr float kTwoPi = 6.2831853071795864f;
// A band gain glides linearly over 256 samples by repeated addition, whose
// rounding could carry it past its target (and above 1). Upward glides
// therefore aim a little short, and a gain that close to its target snaps.
constexpr float kSnapDistance = 5e-5f;
constexpr float kUpwardShortfall = 1.2e-7f;  // per step: 3e-5 over a glide
}  // namespace

void ASpanora::UpdateDynamicsRate() {
  if (P(PARAM_DYNAMICS) == 0.0f) return;
  float rate = DynamicsSpeedHz(P(PARAM_DYN_SPEED));
  if (P(PARAM_DYN_TEMPO) != 0.0f) {
    const float bps = GetBeatsPerSecond();
    if (bps > 0.0f && rate > 0.0f) {
      const int beats = static_cast<int>((1.0f / rate) / (1.0f / bps));
      rate = beats >= 1 ? bps / static_cast<float>(beats) : bps;
    }
  }
  m_fRate.store(rate, std::memory_order_relaxed);
}

float ASpanora::LfoValue(float p) {
  auto draw = [this]() {
    m_nRandomState = m_nRandomState * 1103515245u + 12345u;
    const std::uint32_t r = (m_nRandomState >> 16) & 0x7FFFu;
    return static_cast<float>(r & 127u) / 64.0f - 1.0f;
  };
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
        m_fRandomNext = draw();
      }
      return m_fRandomPrevious + (m_fRandomNext - m_fRandomPrevious) * p;
    default:
      if (m_bWrapped) m_fRandomNext = draw();
      return m_fRandomNext;
  }
}

void ASpanora::UpdateDynamics() {
  const float fs = sampleRate > 0.0f ? sampleRate : 44100.0f;
  m_fPhase += m_fRate.load(std::memory_order_relaxed) * static_cast<float>(DYNAMICS_SAMPLES) / fs;
  m_bWrapped = false;
  if (m_fPhase >= 1.0f) {
    m_bWrapped = true;
    m_fPhase -= 1.0f;
    if (m_fPhase >= 1.0f) m_fPhase = std::fmod(m_fPhase, 1.0f);
  }
  m_nShape = std::clamp(DynamicsShapeIndex(P(PARAM_DYN_TYPE)), 0, 4);

  const bool on = P(PARAM_DYNAMICS) != 0.0f;
  const float depthTarget = (m_eRebuild == REBUILD_IDLE && on) ? std::clamp(P(PARAM_DYN_DEPTH), 0.0f, 1.0f) : 0.0f;
  if (m_fDepth < depthTarget) m_fDepth = std::min(m_fDepth + 0.01f, depthTarget);
  else if (m_fDepth > depthTarget) m_fDepth = std::max(m_fDepth - 0.01f, depthTarget);

  auto glide = [this](int band, float target) {
    const float distance = target - m_fFade[band];
    if (std::fabs(distance) < kSnapDistance) {
      m_fFade[band] = target;
      m_fFadeStep[band] = 0.0f;
    } else {
      const float step = distance / static_cast<float>(DYNAMICS_SAMPLES);
      m_fFadeStep[band] = distance > 0.0f ? step - kUpwardShortfall : step;
    }
  };

  if (m_fDepth <= 0.0f) {
    if (m_eRebuild != REBUILD_REBUILDING) {
      for (int i = 1; i < m_nActiveCount; ++i) glide(i, 1.0f);
    }
    if (m_eRebuild == REBUILD_REQUESTED) {
      m_eRebuild = REBUILD_SETTLING;
    } else if (m_eRebuild == REBUILD_SETTLING) {
      for (int i = 0; i < NUM_BAND_SLOTS; ++i) {
        m_fFade[i] = 1.0f;
        m_fFadeStep[i] = 0.0f;
      }
      m_eRebuild = REBUILD_REBUILDING;
    }
    return;
  }

  static const float kLn1000 = std::log(0.001f);
  for (int i = 1; i < m_nActiveCount; ++i) {
    float p = kBandPhaseOffset[i] + m_fPhase;
    if (p > 1.0f) p -= 1.0f;
    const float u = LfoValue(p) * 0.5f + 0.5f;
    const float g = std::exp(kLn1000 + (1.0f - u * m_fDepth) * (0.0f - kLn1000));
    glide(i, std::min(g, 1.0f));
  }
  const float a = LfoValue(m_fPhase) * 0.5f + 1.0f;
  m_wT = std::min(m_fItdWidthBase * a, 1.0f);
  m_nTargetDelay = std::min(static_cast<int>(a * m_fBaseDelay), MAX_DELAY_SAMPLES);
}
