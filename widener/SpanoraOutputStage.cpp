// Output gains (balance, solo, input trim), updated every 128 samples, and
// the 3-second input-trim measurement.
#include <algorithm>
#include <cmath>

#include "Helpers/ErrorReport.h"
#include "platform/Clock.h"
#include "widener/ASpanora.h"

namespace {
constexpr std::uint32_t kMeasurementMs = 3000;
constexpr float kSilence = 0.00001f;
}  // namespace

void ASpanora::StartAutoLevel() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_nAutoLevelStart.load() != 0) return;
    std::uint32_t now = m_pClock();
    if (now == 0) now = 1;  // 0 means "not running"
    m_bAutoLevelReset.store(true);
    m_nAutoLevelStart.store(now);
  });
}

std::uint32_t ASpanora::GetAutoLevelElapsedMs() const {
  const std::uint32_t start = m_nAutoLevelStart.load();
  return start != 0 ? m_pClock() - start : 0;
}

void ASpanora::UpdateOutputGains() {
  const std::uint32_t start = m_nAutoLevelStart.load(std::memory_order_relaxed);
  if (start != 0) {
    if (m_bAutoLevelReset.exchange(false)) std::fill(m_fTrimHold, m_fTrimHold + 4, 0.0f);
    m_fTrimHold[0] = std::max(m_fTrimHold[0], m_fSliceInPeak[0]);
    m_fTrimHold[1] = std::max(m_fTrimHold[1], m_fSliceInPeak[1]);
    m_fTrimHold[2] = std::max(m_fTrimHold[2], m_fSliceOutPeak[0]);
    m_fTrimHold[3] = std::max(m_fTrimHold[3], m_fSliceOutPeak[1]);
    if (platform::TicksBetween(start, m_pClock()) >= kMeasurementMs) {
      m_nAutoLevelStart.store(0);
      for (int c = 0; c < 2; ++c) {
        const float in = m_fTrimHold[c], out = m_fTrimHold[2 + c];
        m_fAutoLevelResult[c].store((in > kSilence && out > kSilence) ? std::clamp(0.5f * in / out, 0.0f, 1.0f) : -1.0f);
      }
      m_bAutoLevelResultPending.store(true, std::memory_order_release);
    }
  }

  float trim[2] = {1.0f, 1.0f};
  if (P(PARAM_AUTO_LEVEL) != 0.0f) {
    trim[0] = 2.0f * P(PARAM_AUTO_LEVEL_AMOUNT0);
    trim[1] = 2.0f * P(PARAM_AUTO_LEVEL_AMOUNT1);
  }
  const float b = P(PARAM_BALANCE);
  static const float kLn1000 = std::log(0.001f);
  float balance[2] = {1.0f, 1.0f};
  if (b >= 1.0f) balance[0] = 0.0f;
  else if (b > 0.5f) balance[0] = std::exp((b - 0.5f) * kLn1000);
  if (b <= 0.0f) balance[1] = 0.0f;
  else if (b < 0.5f) balance[1] = std::exp((0.5f - b) * kLn1000);
  if (P(PARAM_SOLO_R) != 0.0f) balance[0] = 0.0f;
  if (P(PARAM_SOLO_L) != 0.0f) balance[1] = 0.0f;
  for (int c = 0; c < 2; ++c) {
    const float target = balance[c] * trim[c];
    m_fGainStep[c] = (target - m_fGain[c]) / static_cast<float>(GAIN_SAMPLES);
    m_fSliceInPeak[c] = m_fSliceOutPeak[c] = 0.0f;
  }
}
