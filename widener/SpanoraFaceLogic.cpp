#include "widener/SpanoraFaceLogic.h"

#include <algorithm>
#include <cmath>

namespace spanora {

SPhaseSetting PhaseFromKnob(float knobValue) noexcept {
  const int position = std::clamp(static_cast<int>(knobValue * PHASE_POSITIONS + 0.5f), 0, PHASE_POSITIONS);
  if (position == 0 || position == PHASE_POSITIONS) return {1.0f, 0.0f};
  return {0.0f, std::min(position * 0.01f, 0.99f)};
}

float PhaseKnobValue(float invert, float shift, float knobValue) noexcept {
  if (invert == 0.0f) return shift * 100.0f / PHASE_POSITIONS;
  return knobValue >= 0.5f ? 1.0f : 0.0f;
}

float MeterFall(float shown, float position) noexcept { return std::max(shown - METER_FALL_PER_UPDATE, position); }

float CPeakHold::Update(float position, std::uint32_t nowMs) noexcept {
  const float db = (position - 1.0f) * METER_RANGE_DB;
  if (!m_bHeld || db > m_fHeldDb || nowMs - m_nHeldAt > HOLD_MS) {
    m_bHeld = true;
    m_fHeldDb = db;
    m_nHeldAt = nowMs;
  }
  return m_fHeldDb;
}

float CPeakHold::ReadoutValue() const noexcept {
  return std::clamp((m_fHeldDb + METER_RANGE_DB) / METER_RANGE_DB, 0.0f, 1.0f);
}

int AutoLevelState(bool measuring, std::uint32_t startedMsAgo, bool trimAutoOn) noexcept {
  if (!measuring) return trimAutoOn ? 1 : 0;
  const int remaining = std::clamp(3 - static_cast<int>(startedMsAgo / 1000), 1, 3);
  return remaining + 1;
}

float FrequencyReadoutValue(float hz) noexcept {
  const int n = hz <= 1000.0f ? static_cast<int>(hz / 10.0f) : 100 + static_cast<int>((hz - 1000.0f) / 100.0f);
  return std::clamp((n - 2) / 308.0f, 0.0f, 1.0f);
}

void PremultiplyAlpha(VSTGUI::SPixels& pixels) noexcept {
  for (std::size_t i = 0; i + 3 < pixels.rgba.size(); i += 4) {
    std::uint8_t* px = &pixels.rgba[i];
    const unsigned alpha = px[3];
    for (int c = 0; c < 3; ++c) px[c] = static_cast<std::uint8_t>((px[c] * alpha) >> 8);
    if (alpha == 0) px[3] = 0;
  }
}

}  // namespace spanora
