#pragma once
// "Dynamics": a low-frequency oscillator, advanced every DYNAMICS_SAMPLES,
// with five shapes (sine, triangle, square, smooth and stepped random) and a
// depth that moves by at most 0.01 per update.
#include <cstdint>

#include "widener/LinearRamp.h"

class CDynamicsLfo {
 public:
  static constexpr int NUM_SHAPES = 5;

  CDynamicsLfo() { Reset(); }
  void Reset();

  // One update: the phase moves on by rate * DYNAMICS_SAMPLES / sampleRate,
  // the shape is taken, the depth steps towards `depthTarget`.
  void Advance(float rate, float sampleRate, int shape, float depthTarget);
  float Phase() const { return m_fPhase; }
  float Depth() const { return m_Depth.Value(); }
  // The shape at phase p, -1 ... 1. In an update whose cycle wrapped, the
  // random shapes draw a new value at every call.
  float Value(float p);

 private:
  float Draw();

  float m_fPhase = 0.0f;
  bool m_bWrapped = false;
  int m_nShape = 0;
  CLinearRamp m_Depth;
  float m_fRandomPrevious = 0.0f;
  float m_fRandomNext = 0.0f;
  std::uint32_t m_nRandomState = 1u;
};
