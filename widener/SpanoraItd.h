#pragma once
// The ITD stage: the mid signal, delayed and band-limited, is added to the
// left channel and taken from the right. A new delay and new band limits
// both take over at a tick by a one-tick crossfade, never at once.
#include "Helpers/RecursiveFilter.h"
#include "widener/CrossfadedDelay.h"
#include "widener/LinearRamp.h"
#include "widener/SpanoraTiming.h"

class CItdStage {
 public:
  CItdStage();

  // A new rate redesigns the band limits at the next tick (crossfaded).
  void Prepare(float sampleRate);
  // Silence: the delay line and the filter histories; no crossfade running.
  void Reset();

  // Band limits in Hz, kept inside 0.0001 ... 0.49 of the sample rate.
  void SetBandLimits(float lowPassHz, float highPassHz);
  void SetTargetDelay(int samples) { m_Line.SetTarget(samples); }
  int TargetDelay() const { return m_Line.Target(); }
  int Delay() const { return m_Line.Delay(); }
  bool IsDelayFading() const { return m_Line.IsFading(); }
  // Starts the crossfades of a changed delay or changed band limits.
  void Tick();

  // L += wT * e, R -= wT * e for e = band-limited delayed mid; runs of at
  // most GAIN_SAMPLES.
  void Process(float* const y[2], int n, float wT) noexcept;

  // For the per-sample reference: the line, the band-limit filters (set 0
  // the current ones, set 1 the ones being faded out) and their fade.
  CCrossfadedDelay<int>& Line() { return m_Line; }
  CRecursiveFilterCore& LowPass(int set) { return m_LowPass[set]; }
  CRecursiveFilterCore& HighPass(int set) { return m_HighPass[set]; }
  CLinearRamp& BandLimitFade() { return m_FilterFade; }

 private:
  void Design(CRecursiveFilterCore& lowPass, CRecursiveFilterCore& highPass) const;

  CCrossfadedDelay<int> m_Line;
  CRecursiveFilterCore m_LowPass[2], m_HighPass[2];
  CLinearRamp m_FilterFade;
  float m_fSampleRate = 44100.0f;
  float m_fLowPassHz = 22000.0f, m_fHighPassHz = 20.0f;  // wanted
  float m_fDesignedLowPassHz = 0.0f, m_fDesignedHighPassHz = 0.0f;
  bool m_bDesigned = false;
};

// ITD Fill: per channel a notch keeps most of the signal and a band-pass adds
// its band back, delayed by four times the ITD delay.
class CItdFillStage {
 public:
  CItdFillStage();

  // The fill filters are normalised designs: nothing depends on the rate.
  void Prepare(float /*sampleRate*/) {}
  void Reset();

  void SetDelay(float samples);
  float Delay() const { return m_Line[0].Delay(); }
  void Tick();

  // y = (1 - wF) * y + wF * (notch(y) + delayed band-pass(y)); runs of at
  // most GAIN_SAMPLES.
  void Process(float* const y[2], int n, float wF) noexcept;

  CRecursiveFilterCore& Notch(int channel) { return m_Notch[channel]; }
  CRecursiveFilterCore& BandPass(int channel) { return m_BandPass[channel]; }
  CCrossfadedDelay<float>& Line(int channel) { return m_Line[channel]; }
  bool IsFading() const { return m_Line[0].IsFading() || m_Line[1].IsFading(); }
  // The fill's second half: delayed band plus notch, mixed in by wF.
  void FinishRun(float* const y[2], float* const notch[2], float* const band[2], int n, float wF) noexcept;

 private:
  CRecursiveFilterCore m_Notch[2], m_BandPass[2];
  CCrossfadedDelay<float> m_Line[2];
  bool m_bDelaySet = false;
};

// ITD then ITD Fill over a run, identical to the two stages' Process one
// after the other, but sample by sample in one loop, so that the recursions
// of both stages overlap. While a crossfade runs it takes the two passes.
void ProcessItdAndFill(CItdStage& itd, CItdFillStage& fill, float* const y[2], int n, float wT, float wF) noexcept;
