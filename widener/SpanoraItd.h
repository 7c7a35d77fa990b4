#pragma once
// The ITD stage: the mid signal, delayed and band-limited, is added to the
// left channel and taken from the right. A new delay and new band limits
// both take over at a tick by a one-tick crossfade, never at once.
//
// ITD Fill adds its band back `fill delay` samples late, so a band-limit
// crossfade runs twice: at once on what the fill's band-pass takes in, and
// that much later on everything else, so that both halves of the fill band
// change over together.
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
  // Starts the crossfades of a changed delay or changed band limits; the
  // fill's band path lags the rest by `fillDelay` samples.
  void Tick(int fillDelay);

  // L += wT * e, R -= wT * e for e = band-limited delayed mid; runs of at
  // most GAIN_SAMPLES. While the band limits crossfade, `band` (if given)
  // takes the same sum for the fill's band-pass, crossfaded ahead of `y`;
  // returns whether it did.
  bool Process(float* const y[2], float* const band[2], int n, float wT) noexcept;

  // For the per-sample reference: the line, the band-limit filters (set 0
  // the current ones, set 1 the ones being faded out), their fade (0 to
  // 1 + lag) and the lag of the crossfade outside the fill's band path.
  CCrossfadedDelay<int>& Line() { return m_Line; }
  CRecursiveFilterCore& LowPass(int set) { return m_LowPass[set]; }
  CRecursiveFilterCore& HighPass(int set) { return m_HighPass[set]; }
  CLinearRamp& BandLimitFade() { return m_FilterFade; }
  float BandLimitLag() const { return m_fFadeLag; }

 private:
  void Design(CRecursiveFilterCore& lowPass, CRecursiveFilterCore& highPass) const;

  CCrossfadedDelay<int> m_Line;
  CRecursiveFilterCore m_LowPass[2], m_HighPass[2];
  CLinearRamp m_FilterFade;
  float m_fFadeLag = 0.0f;  // in ticks: a multiple of 1/TICK_SAMPLES, so the fades stay exact
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

  // y = (1 - wF) * y + wF * (notch(y) + delayed band-pass(band)); runs of
  // at most GAIN_SAMPLES; `band` may be y.
  void Process(float* const y[2], const float* const band[2], int n, float wF) noexcept;

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
