#include "widener/SpanoraOutputStage.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/Clock.h"

namespace {
constexpr float kSilence = 0.00001f;

// The largest of `largest` and every |v[k]| (NaN passed over), four lanes at
// a time: each lane keeps the largest of its share, so the result is the
// sample-by-sample one.
float LargestMagnitude(const float* v, int n, float largest) noexcept {
  typedef float V4 __attribute__((vector_size(16)));
  typedef std::uint32_t U4 __attribute__((vector_size(16)));
  V4 most = V4{} + largest;
  int k = 0;
  for (; k + 4 <= n; k += 4) {
    V4 a;
    std::memcpy(&a, v + k, sizeof a);
    a = reinterpret_cast<V4>(reinterpret_cast<U4>(a) & 0x7FFFFFFFu);
    most = a > most ? a : most;
  }
  for (int j = 0; j < 4; ++j) largest = most[j] > largest ? most[j] : largest;
  for (; k < n; ++k) {
    const float a = std::fabs(v[k]);
    largest = a > largest ? a : largest;
  }
  return largest;
}
}  // namespace

void COutputStage::Reset() {
  m_Shift.Reset();
  for (CLinearRamp& gain : m_Gain) gain.Set(1.0f);
  m_Sign.Set(m_bInvert ? -1.0f : 1.0f);
}

void COutputStage::Tick() {
  m_Shift.Tick();
  // The sign's glide has run its tick (steps of 2/1024 land exactly on -1
  // or 1); a change turns it over the next one.
  m_Sign.Land();
  const float target = m_bInvert ? -1.0f : 1.0f;
  if (m_Sign.Value() != target) m_Sign.Glide((target - m_Sign.Value()) / static_cast<float>(TICK_SAMPLES), target);
}

void COutputStage::SetGainTargets(float left, float right) {
  // Plain linear glides over the slice: the last one has landed by now.
  const float target[2] = {left, right};
  for (int c = 0; c < 2; ++c) {
    const float value = m_Gain[c].Value();
    m_Gain[c].Glide((target[c] - value) / static_cast<float>(GAIN_SAMPLES), target[c]);
  }
}

void COutputStage::Process(const float* const x[2], const float* const y[2], float* const out[2], int n, float wLin,
                           float wB, float peak[2]) noexcept {
  float ld[GAIN_SAMPLES];
  m_Shift.Process(y[0], ld, n);
  float gL = m_Gain[0].Value(), gR = m_Gain[1].Value();
  const float sL = m_Gain[0].Step(), sR = m_Gain[1].Step();
  float sign = m_Sign.Value();
  const float signStep = m_Sign.Step();
  float peakL = peak[0], peakR = peak[1];
  // A step that leaves its value as it is leaves it so at every sample: a
  // gain glide that has come within rounding of its target stays put.
  auto holds = [](float value, float step) {
    return std::bit_cast<std::uint32_t>(value + step) == std::bit_cast<std::uint32_t>(value);
  };
  if (holds(gL, sL) && holds(gR, sR) && holds(sign, signStep)) {
    // Nothing moves (the usual case): the same arithmetic with constants,
    // free of the ramps' sample-to-sample chains, so it vectorises; the
    // peaks follow in their own pass.
    for (int k = 0; k < n; ++k) {
      const float r3 = sign * y[1][k];
      const float mid = (ld[k] + r3) * 0.5f;
      const float side = wLin * (ld[k] - r3);
      out[0][k] = (1.0f - wB) * (mid + side) * gL + wB * x[0][k];
      out[1][k] = wB * x[1][k] + (1.0f - wB) * (mid - side) * gR;
    }
    peak[0] = LargestMagnitude(out[0], n, peakL);
    peak[1] = LargestMagnitude(out[1], n, peakR);
    return;
  }
  for (int k = 0; k < n; ++k) {
    const float r3 = sign * y[1][k];
    sign += signStep;
    const float mid = (ld[k] + r3) * 0.5f;
    const float side = wLin * (ld[k] - r3);
    const float oL = (1.0f - wB) * (mid + side) * gL + wB * x[0][k];
    const float oR = wB * x[1][k] + (1.0f - wB) * (mid - side) * gR;
    gL += sL;
    gR += sR;
    out[0][k] = oL;
    out[1][k] = oR;
    const float aL = std::fabs(oL), aR = std::fabs(oR);
    peakL = aL > peakL ? aL : peakL;
    peakR = aR > peakR ? aR : peakR;
  }
  m_Gain[0].Resume(gL);
  m_Gain[1].Resume(gR);
  m_Sign.Resume(sign);
  peak[0] = peakL;
  peak[1] = peakR;
}

void CTrimMeasurement::Start(std::uint32_t now) {
  if (m_nStart.load() != 0) return;
  if (now == 0) now = 1;  // 0 means "not running"
  m_bReset.store(true);
  m_nStart.store(now);
}

void CTrimMeasurement::Update(const float in[2], const float out[2], std::uint32_t now) {
  const std::uint32_t start = m_nStart.load(std::memory_order_relaxed);
  if (start == 0) return;
  if (m_bReset.exchange(false)) std::fill(m_fHold, m_fHold + 4, 0.0f);
  for (int c = 0; c < 2; ++c) {
    m_fHold[c] = std::max(m_fHold[c], in[c]);
    m_fHold[2 + c] = std::max(m_fHold[2 + c], out[c]);
  }
  if (platform::TicksBetween(start, now) < DURATION_MS) return;
  m_nStart.store(0);
  for (int c = 0; c < 2; ++c) {
    const float i = m_fHold[c], o = m_fHold[2 + c];
    m_fResult[c].store((i > kSilence && o > kSilence) ? std::clamp(0.5f * i / o, 0.0f, 1.0f) : -1.0f);
  }
  m_bResultPending.store(true, std::memory_order_release);
}

bool CTrimMeasurement::TakeResult(float amounts[2]) {
  if (!m_bResultPending.exchange(false, std::memory_order_acquire)) return false;
  amounts[0] = m_fResult[0].load();
  amounts[1] = m_fResult[1].load();
  return true;
}
