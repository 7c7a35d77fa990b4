#pragma once
// The widener's audio path as a chain of stage objects: anti-denormal noise,
// IID band bank, ITD, ITD Fill and the output stage, with the dynamics LFO
// and the smoothed mixes. The effect maps its parameters to the targets and
// designs below; the engine keeps every value it is given inside its range.
//
// Events fall on sample counts that persist across blocks: a tick every
// TICK_SAMPLES (mix glides, crossfade starts, one rebuild step), a dynamics
// update every DYNAMICS_SAMPLES and a gain update every GAIN_SAMPLES. The
// chain runs stage by stage over runs between events; a run never holds more
// than GAIN_SAMPLES samples.
#include <cstdint>

#include "widener/LinearRamp.h"
#include "widener/SpanoraDynamics.h"
#include "widener/SpanoraIidBands.h"
#include "widener/SpanoraItd.h"
#include "widener/SpanoraNoise.h"
#include "widener/SpanoraOutputStage.h"
#include "widener/SpanoraTiming.h"

// What the parameters ask of the audio path, taken once per block.
struct SSpanoraTargets {
  float iid = 0.0f;     // IID mix
  float linear = 0.5f;  // linear width
  float bypass = 0.0f;
  float itd = 0.0f;     // ITD width, also the base of its modulation
  float fill = 0.0f;
  bool invert = false;
  int shift = 0;  // phase shift, samples
  bool dynamics = false;
  float dynamicsDepth = 0.0f;
  int dynamicsShape = 0;
  float dynamicsRate = 0.0f;  // Hz
  float gain[2] = {1.0f, 1.0f};  // balance, solo and trim
};

// ITD band limits (Hz) and base delay (samples), from the parameters.
struct SItdDesign {
  float lowPassHz = 22000.0f;
  float highPassHz = 20.0f;
  float baseDelay = 10.0f;
};

class CSpanoraEngine {
 public:
  using MillisecondClock = std::uint32_t (*)();

  CSpanoraEngine();

  // Sample rate; the stages' rate-dependent designs follow.
  void Prepare(float sampleRate);
  // Everything back to its initial state.
  void Reset();

  void SetTargets(const SSpanoraTargets& targets);
  void SetBandLayout(const SBandLayout& layout) { m_Iid.SetLayout(layout); }
  void SetItdDesign(const SItdDesign& design);
  void SetClock(MillisecondClock clock) { m_pClock = clock; }

  // One block. Every output is finite: a non-finite input, or a state that
  // turned non-finite, silences the affected run and restarts the filters
  // and delay lines.
  void Process(const float* const in[2], float* const out[2], int frames) noexcept;

  // Block peaks of |input + noise| and |output|; output peak holds since
  // they were last cleared.
  float BlockInputPeak() const { return m_fBlockInPeak; }
  float BlockOutputPeak() const { return m_fBlockOutPeak; }
  float OutputPeakHold(int channel) const { return m_fOutPeakHold[channel]; }
  void ClearOutputPeakHolds() { m_fOutPeakHold[0] = m_fOutPeakHold[1] = 0.0f; }
  // Set once a non-finite state has been met (and reset) since construction.
  bool HasRecoveredFromNonFinite() const { return m_bRecovered; }

  CTrimMeasurement& Trim() { return m_Trim; }
  const CTrimMeasurement& Trim() const { return m_Trim; }

  // --- The pieces, for the per-sample reference in the tests ---------------
  // A block is: BeginBlock(), then for each run n = StartRun(left),
  // the chain, FinishRun(n).
  void BeginBlock() { m_fBlockInPeak = m_fBlockOutPeak = 0.0f; }
  int StartRun(int frames);
  void FinishRun(int n);
  // A run's peaks of |input + noise| and |output| join the slice, the block
  // and the holds.
  void AddPeaks(const float inPeak[2], const float outPeak[2]);
  float IidMix() const { return m_wI.Value(); }
  float LinearMix() const { return m_wLin.Value(); }
  float ItdMix() const { return m_wT.Value(); }
  float FillMix() const { return m_wF.Value(); }
  float BypassMix() const { return m_wB.Value(); }
  float SliceInputPeak(int c) const { return m_fSliceInPeak[c]; }
  float SliceOutputPeak(int c) const { return m_fSliceOutPeak[c]; }
  CAntiDenormalNoise& Noise() { return m_Noise; }
  CIidBandBank& Iid() { return m_Iid; }
  const CIidBandBank& Iid() const { return m_Iid; }
  CItdStage& Itd() { return m_Itd; }
  const CItdStage& Itd() const { return m_Itd; }
  CItdFillStage& Fill() { return m_Fill; }
  // A change of the ITD band limits or fill delay: the new chain is heard
  // after the lag (in ticks; the new fill line must first hold its
  // delay's worth), faded in over a tick. The ramp runs from 0 to 1 + lag.
  bool IsItdChanging() const { return m_ItdChange.IsMoving(); }
  CLinearRamp& ItdChange() { return m_ItdChange; }
  float ItdChangeLag() const { return m_fItdChangeLag; }
  COutputStage& Output() { return m_Output; }
  const COutputStage& Output() const { return m_Output; }
  const CDynamicsLfo& Dynamics() const { return m_Dynamics; }

 private:
  void Tick();
  void UpdateDynamics();
  void UpdateGains();
  void ProcessRun(const float* const in[2], float* const out[2], int n) noexcept;
  void BeginItdChange();
  void ProcessItdChange(float* const y[2], int n, float wT, float wF) noexcept;
  void RecoverFromNonFinite();

  CAntiDenormalNoise m_Noise;
  CIidBandBank m_Iid;
  CItdStage m_Itd;
  CItdFillStage m_Fill;
  COutputStage m_Output;
  CDynamicsLfo m_Dynamics;
  CTrimMeasurement m_Trim;
  MillisecondClock m_pClock = nullptr;

  float m_fSampleRate = 44100.0f;
  SSpanoraTargets m_Targets;
  SItdDesign m_ItdDesign;
  // Smoothed mixes, stepped by 0.01 per tick; the ITD width is also set by
  // the dynamics.
  CLinearRamp m_wI{0.0f}, m_wLin{0.5f}, m_wT{0.0f}, m_wF{1.0f}, m_wB{0.0f};
  CLinearRamp m_ItdChange;
  float m_fItdChangeLag = 0.0f;  // a multiple of 1/TICK_SAMPLES, so the ramp stays exact

  int m_nTickRemaining = 0;
  int m_nDynamicsRemaining = 1;
  int m_nGainRemaining = GAIN_SAMPLES;

  float m_fSliceInPeak[2] = {0, 0};
  float m_fSliceOutPeak[2] = {0, 0};
  float m_fBlockInPeak = 0.0f;
  float m_fBlockOutPeak = 0.0f;
  float m_fOutPeakHold[2] = {0, 0};
  bool m_bRecovered = false;
};
