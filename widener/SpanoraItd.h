#pragma once
// The ITD stage: the mid signal, delayed and band-limited, is added to the
// left channel and taken from the right. ITD Fill: per channel a notch keeps
// most of the signal and a band-pass adds its band back, delayed by four
// times the ITD delay.
//
// A new ITD delay alone (the dynamics move it) takes over by a one-tick
// crossfade of the line's taps. New band limits or a new fill delay never
// take over at once either: the old delays and filters keep running beside
// the new ones and the engine crossfades the two outputs (BeginChange, and
// `old` in Process).
#include "Helpers/RecursiveFilter.h"
#include "widener/CrossfadedDelay.h"
#include "widener/SpanoraTiming.h"

class CItdStage {
 public:
  CItdStage();

  // A new rate redesigns the band limits at the next change.
  void Prepare(float sampleRate);
  // Silence: the delay line and the filter histories.
  void Reset();

  // Band limits in Hz, kept inside 0.0001 ... 0.49 of the sample rate.
  void SetBandLimits(float lowPassHz, float highPassHz);
  // Clamped to 0 ... MAX_DELAY_SAMPLES.
  void SetTargetDelay(int samples) { m_Line.SetTarget(samples); }
  int TargetDelay() const { return m_Line.Target(); }
  int Delay() const { return m_Line.Delay(); }
  bool IsDelayFading() const { return m_Line.IsFading(); }
  // At a tick: a changed delay alone crossfades the line's taps.
  void TickDelay() { m_Line.Tick(); }
  // The band limits (or the rate) differ from the running design.
  bool WantsRedesign() const;
  // The running delay and filters become the old ones; the new ones (at the
  // target delay) start up to date on what that delay has passed.
  void BeginChange();

  // L += wT * e, R -= wT * e for e = band-limited delayed mid; runs of at
  // most GAIN_SAMPLES. With `old`, the same for the old delay and filters.
  void Process(float* const y[2], float* const old[2], int n, float wT) noexcept;

  // For the per-sample reference and the fused loop: the line, the filters
  // (set 0 the new ones, set 1 the old ones) and the old delay.
  CCrossfadedDelay<int>& Line() { return m_Line; }
  int OldDelay() const { return m_nOld; }
  CRecursiveFilterCore& LowPass(int set) { return m_LowPass[set]; }
  CRecursiveFilterCore& HighPass(int set) { return m_HighPass[set]; }

 private:
  void Design(CRecursiveFilterCore& lowPass, CRecursiveFilterCore& highPass) const;

  CCrossfadedDelay<int> m_Line;
  int m_nOld = 0;
  CRecursiveFilterCore m_LowPass[2], m_HighPass[2];
  float m_fSampleRate = 44100.0f;
  float m_fLowPassHz = 22000.0f, m_fHighPassHz = 20.0f;  // wanted
  bool m_bDesigned = false;
};

class CItdFillStage {
 public:
  CItdFillStage();

  // The fill filters are normalised designs: nothing depends on the rate.
  void Prepare(float /*sampleRate*/) {}
  void Reset();

  // Clamped to 0 ... MAX_DELAY_SAMPLES; the first delay holds at once.
  void SetDelay(float samples);
  float Delay(int set = 0) const { return m_fDelay[Slot(set)]; }
  bool WantsChange() const { return m_fTarget != m_fDelay[m_nNew]; }
  // The running filters and line become the old ones; the new line takes
  // the target delay (what it holds is heard only after that long).
  void BeginChange();

  // y = (1 - wF) * y + wF * (notch(y) + delayed band-pass(y)); runs of at
  // most GAIN_SAMPLES. With `old`, the same through the old set.
  void Process(float* const y[2], float* const old[2], int n, float wF) noexcept;

  // Set 0 the new filters and line, set 1 the old ones.
  CRecursiveFilterCore& Notch(int channel, int set = 0) { return m_Notch[Slot(set)][channel]; }
  CRecursiveFilterCore& BandPass(int channel, int set = 0) { return m_BandPass[Slot(set)][channel]; }
  CDelayBuffer<float>& Line(int channel, int set = 0) { return m_Line[Slot(set)][channel]; }
  // The fill's second half on the new set: delayed band plus notch, mixed
  // in by wF.
  void FinishRun(float* const y[2], float* const notch[2], float* const band[2], int n, float wF) noexcept;

 private:
  int Slot(int set) const { return set == 0 ? m_nNew : 1 - m_nNew; }
  void ProcessSet(int set, float* const y[2], int n, float wF) noexcept;
  // Delays the band through the slot's line and mixes it with the notch.
  void MixRun(int slot, float* const y[2], float* const notch[2], float* const band[2], int n, float wF) noexcept;

  CRecursiveFilterCore m_Notch[2][2], m_BandPass[2][2];  // [slot][channel]
  CDelayBuffer<float> m_Line[2][2] = {{CDelayBuffer<float>(MAX_DELAY_SAMPLES), CDelayBuffer<float>(MAX_DELAY_SAMPLES)},
                                      {CDelayBuffer<float>(MAX_DELAY_SAMPLES), CDelayBuffer<float>(MAX_DELAY_SAMPLES)}};
  float m_fDelay[2] = {0.0f, 0.0f};
  float m_fTarget = 0.0f;
  int m_nNew = 0;  // the slot of set 0
  bool m_bDelaySet = false;
};

// ITD then ITD Fill over a run, identical to the two stages' Process one
// after the other, but sample by sample in one loop, so that the recursions
// of both stages overlap. Not while a change runs.
void ProcessItdAndFill(CItdStage& itd, CItdFillStage& fill, float* const y[2], int n, float wT, float wF) noexcept;
