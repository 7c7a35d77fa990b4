#pragma once
// The last stage: phase invert, phase shift (a left-channel delay that
// changes by a one-tick crossfade), linear mid/side width, per-channel output
// gains and the bypass crossfade to the dry input. Also the 3-second
// input-trim measurement that the auto level takes its amounts from.
#include <atomic>
#include <cstdint>

#include "widener/CrossfadedDelay.h"
#include "widener/LinearRamp.h"
#include "widener/SpanoraTiming.h"

class COutputStage {
 public:
  COutputStage() : m_Shift(MAX_SHIFT_SAMPLES) { Reset(); }

  void Prepare(float /*sampleRate*/) {}
  // Silence, gains at 1.
  void Reset();
  // Silence only (recovery from a non-finite state).
  void ClearHistory() { m_Shift.Reset(); }

  void SetShift(int samples) { m_Shift.SetTarget(samples); }
  int Shift() const { return m_Shift.Delay(); }
  void SetInvert(bool invert) { m_bInvert = invert; }
  // A changed shift or invert starts its one-tick crossfade.
  void Tick();
  // Gains glide to their targets over the next GAIN_SAMPLES samples.
  void SetGainTargets(float left, float right);

  // out = (1 - wB) * width(shift(y[0]), sign * y[1]) * gain + wB * x;
  // peak[c] takes the largest absolute output.
  void Process(const float* const x[2], const float* const y[2], float* const out[2], int n, float wLin, float wB,
               float peak[2]) noexcept;

  CCrossfadedDelay<int>& ShiftLine() { return m_Shift; }
  // The right channel's sign: 1, or -1 when inverted; it turns over a tick.
  CLinearRamp& Sign() { return m_Sign; }
  CLinearRamp& Gain(int channel) { return m_Gain[channel]; }
  const CLinearRamp& Gain(int channel) const { return m_Gain[channel]; }

 private:
  CCrossfadedDelay<int> m_Shift;
  CLinearRamp m_Gain[2];
  CLinearRamp m_Sign{1.0f};
  bool m_bInvert = false;
};

// Started from any thread; measured on the audio thread every GAIN_SAMPLES;
// its result is taken by idle work, which applies it through the automated
// path (the audio thread never touches undo or host state).
class CTrimMeasurement {
 public:
  static constexpr std::uint32_t DURATION_MS = 3000;

  // Starts a measurement at `now` (ms) unless one is running.
  void Start(std::uint32_t now);
  bool IsRunning() const { return m_nStart.load() != 0; }
  // When the running measurement started (ms), 0 when none runs.
  std::uint32_t GetStart() const { return m_nStart.load(); }
  // Audio thread: slice peaks of input and output.
  void Update(const float in[2], const float out[2], std::uint32_t now);
  // The amounts of a finished measurement (-1 where the holds were silent);
  // false when no result is waiting.
  bool TakeResult(float amounts[2]);

 private:
  std::atomic<std::uint32_t> m_nStart{0};
  std::atomic<bool> m_bReset{false};
  float m_fHold[4] = {0, 0, 0, 0};  // input L, input R, output L, output R
  std::atomic<bool> m_bResultPending{false};
  std::atomic<float> m_fResult[2]{-1.0f, -1.0f};
};
