#pragma once
// A value that moves in straight lines: by at most a given amount per call
// towards a target (the smoothed mixes, the dynamics depth), or by a fixed
// increment per sample over a glide of known length (band gains, output
// gains, crossfades); or in an S-curve of two parabolas whose increment
// itself moves by a fixed amount per sample (band fades). The one glide of
// the audio path.
#include <cmath>

class CLinearRamp {
 public:
  explicit CLinearRamp(float value = 0.0f) : m_fValue(value), m_fTarget(value) {}

  float Value() const { return m_fValue; }
  float Step() const { return m_fStep; }
  float Acceleration() const { return m_fAcceleration; }
  float Target() const { return m_fTarget; }
  bool IsMoving() const { return m_fStep != 0.0f || m_fAcceleration != 0.0f; }

  // Jumps to `value` and stops.
  void Set(float value) {
    m_fValue = m_fTarget = value;
    m_fStep = m_fAcceleration = 0.0f;
  }
  // Moves at once by at most `maxStep` towards `target`, never past it.
  void StepTowards(float target, float maxStep) {
    if (m_fValue < target) m_fValue = m_fValue + maxStep < target ? m_fValue + maxStep : target;
    else if (m_fValue > target) m_fValue = m_fValue - maxStep > target ? m_fValue - maxStep : target;
    m_fTarget = m_fValue;
    m_fStep = m_fAcceleration = 0.0f;
  }
  // Lands a glide that has run its course on its target exactly.
  void Land() { Set(m_fTarget); }
  // Lands the previous glide, then glides to `target` over the next `samples`
  // calls of Next(). Repeated addition rounds, so an upward glide aims a hair
  // short and never passes its target; a gain that close already snaps.
  void GlideTo(float target, int samples) {
    Land();
    const float distance = target - m_fValue;
    if (std::fabs(distance) < SNAP_DISTANCE) {
      m_fValue = m_fTarget = target;
      return;
    }
    const float step = distance / static_cast<float>(samples);
    m_fStep = distance > 0.0f ? step - UPWARD_SHORTFALL : step;
    m_fTarget = target;
  }
  // Starts a glide of fixed increment `step` from the current value; it ends
  // where the owner says (Set or Land).
  void Glide(float step, float target) {
    m_fStep = step;
    m_fTarget = target;
  }
  // An S-curve to `target` over `samples` (even) calls of Next(): the
  // increment grows by a fixed amount per sample for the first half and,
  // once the owner calls Turn() at the half, shrinks to 0 again. There is no
  // corner at either end. For a distance of 1 and 1024 samples every value is
  // exact and the curve ends on the target itself.
  void Ease(float target, int samples) {
    const float half = static_cast<float>(samples / 2);
    m_fStep = 0.0f;
    m_fAcceleration = (target - m_fValue) / (half * half);
    m_fTarget = target;
  }
  void Turn() { m_fAcceleration = -m_fAcceleration; }
  // The value for this sample; the ramp moves on by one step.
  float Next() {
    const float value = m_fValue;
    m_fValue += m_fStep;
    m_fStep += m_fAcceleration;
    return value;
  }
  // For block kernels that step a copy: value and increment after their run.
  void Resume(float value) { m_fValue = value; }
  void Resume(float value, float step) {
    m_fValue = value;
    m_fStep = step;
  }

 private:
  static constexpr float SNAP_DISTANCE = 5e-5f;
  static constexpr float UPWARD_SHORTFALL = 1.2e-7f;  // per step: 3e-5 over 256 samples

  float m_fValue;
  float m_fStep = 0.0f;
  float m_fAcceleration = 0.0f;
  float m_fTarget;
};
