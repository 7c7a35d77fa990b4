#pragma once
// The display state the widener face derives from the effect, kept free of
// views so it can be reasoned about (and tested) on its own: the combined
// phase knob, the falling level meters with the peak read-out's hold, the
// auto-level countdown and the read-out's value conversion.
#include <cstdint>

#include "vstgui/PngDecoder.h"

namespace spanora {

// ---- Phase knob: Phase Invert and Phase Shift as one control ----
inline constexpr int PHASE_POSITIONS = 101;  // positions 0..101; both ends invert

struct SPhaseSetting {
  float invert;  // "Phase Invert": 0 or 1
  float shift;   // "Phase Shift": 0..0.99
};
// The two parameters a knob value (0..1) stands for.
SPhaseSetting PhaseFromKnob(float knobValue) noexcept;
// The knob value that shows the two parameters. With the invert on, the
// knob stays at the end it is nearer to (`knobValue` is where it is now).
float PhaseKnobValue(float invert, float shift, float knobValue) noexcept;

// ---- Level meters ----
inline constexpr float METER_FALL_PER_UPDATE = 0.05f;
inline constexpr float METER_RANGE_DB = 60.0f;
// Meters jump up at once and fall by a fixed step per update.
float MeterFall(float shown, float position) noexcept;

// The peak read-out's held value: replaced by a higher one at once, by any
// one after it is a second old.
class CPeakHold {
 public:
  static constexpr std::uint32_t HOLD_MS = 1000;

  void Clear() noexcept { m_bHeld = false; }
  // A meter position 0..1 (a 60 dB scale) at nowMs; returns the held dB.
  float Update(float position, std::uint32_t nowMs) noexcept;
  bool IsHeld() const noexcept { return m_bHeld; }
  float HeldDb() const noexcept { return m_fHeldDb; }
  // The peak read-out strip's value for the held dB (-60..0 dB -> 0..1).
  float ReadoutValue() const noexcept;

 private:
  bool m_bHeld = false;
  float m_fHeldDb = -METER_RANGE_DB;
  std::uint32_t m_nHeldAt = 0;
};

// ---- Auto level ----
// States of the auto-level button: off, on, then the countdown 1, 2, 3.
inline constexpr int AUTO_LEVEL_STATES = 5;
inline constexpr std::uint32_t AUTO_LEVEL_MEASURE_MS = 3000;
// The state to show: the countdown while a measurement runs (startedMsAgo
// since it began), else on or off by "Input Trim Auto".
int AutoLevelState(bool measuring, std::uint32_t startedMsAgo, bool trimAutoOn) noexcept;

// ---- Read-out ----
inline constexpr int READOUT_FREQUENCY_FRAMES = 309;
// The frequency strip's value for a frequency in Hz: 10 Hz steps up to
// 1 kHz, 100 Hz steps above, frame 0 at 20 Hz.
float FrequencyReadoutValue(float hz) noexcept;

// ---- Images ----
// Colours scaled by their alpha ((value * alpha) >> 8); fully transparent
// pixels become all zero.
void PremultiplyAlpha(VSTGUI::SPixels& pixels) noexcept;

}  // namespace spanora
