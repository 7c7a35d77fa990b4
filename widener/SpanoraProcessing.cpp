// The widener's audio path: per block targets, per 1024-sample tick glides
// and band rebuild, and the chain (noise, IID bands, ITD, ITD Fill, output
// stage) run stage by stage over runs of at most 128 samples. Every stage
// performs, per sample, exactly the arithmetic of a sample-by-sample chain,
// so both orders give identical bits; the run form keeps filter state in
// registers and lets independent filters overlap.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "Helpers/ErrorReport.h"
#include "Helpers/KivEditorInterface.h"
#include "widener/ASpanora.h"


namespace {

inline float StepTowards(float value, float target, float step) {
  if (value < target) return std::min(value + step, target);
  if (value > target) return std::max(value - step, target);
  return value;
}

inline float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

inline float NoiseSample(std::uint32_t& seed) {
  seed = seed * 1234567u + 890123u;
  return std::bit_cast<float>((seed & 0x807F0000u) | 0x1E000000u);
}

// Narrow bands below this fraction of the sample rate cannot be designed
// stably at the IID bandwidth; such a band is left out of the swap.
constexpr float kLowestBandFraction = 0.0012f;
constexpr float kIidBandwidth = 0.001f;
constexpr float kFillBandwidth = 0.01f;

}  // namespace

// ---------------------------------------------------------------------------
// Block

void ASpanora::processReplacing(float** inputs, float** outputs, std::int32_t frames) {
  if (IsBeingDestroyed() || frames <= 0 || inputs == nullptr || outputs == nullptr || !m_pRun) return;
  if (inputs[0] == nullptr || inputs[1] == nullptr || outputs[0] == nullptr || outputs[1] == nullptr) return;
  if (IsProcessingLocked()) {
    for (int c = 0; c < 2; ++c) {
      if (inputs[c] != outputs[c]) std::memmove(outputs[c], inputs[c], sizeof(float) * static_cast<std::size_t>(frames));
    }
    return;
  }
  UpdateDawTimeFromProcess();
  if (m_bSampleRateChanged.exchange(false)) {
    DesignFillFilters();
    UpdateFilters();
  }
  ComputeTargets();
  m_pShiftDelay->SetDelay(m_nShiftDelay.load(std::memory_order_relaxed));
  m_fBlockInPeak = m_fBlockOutPeak = 0.0f;

  int done = 0;
  while (done < frames) {
    if (m_nTickRemaining == 0) {
      Tick();
      m_nTickRemaining = TICK_SAMPLES;
    }
    const int n = std::min({frames - done, m_nTickRemaining, m_nDynamicsRemaining, m_nGainRemaining});
    ProcessRun(inputs[0] + done, inputs[1] + done, outputs[0] + done, outputs[1] + done, n);
    done += n;
    m_nTickRemaining -= n;
    m_nDynamicsRemaining -= n;
    m_nGainRemaining -= n;
    if (m_nDynamicsRemaining == 0) {
      UpdateDynamics();
      m_nDynamicsRemaining = DYNAMICS_SAMPLES;
    }
    if (m_nGainRemaining == 0) {
      UpdateOutputGains();
      m_nGainRemaining = GAIN_SAMPLES;
    }
  }
  EndOfBlock(outputs, frames);
}

void ASpanora::ComputeTargets() {
  m_Targets.iid = P(PARAM_WR_ENABLED) != 0.0f ? Clamp01(P(PARAM_WIDTH)) : 0.0f;
  m_Targets.linear = P(PARAM_MONO) != 0.0f ? 0.0f : Clamp01(P(PARAM_LINEAR_WIDTH));
  m_Targets.bypass = P(PARAM_BYPASS) != 0.0f ? 1.0f : 0.0f;
  const bool itdOn = P(PARAM_SPLIT_DELAY_ENABLED) != 0.0f;
  m_Targets.itd = itdOn ? Clamp01(P(PARAM_SPLIT_DELAY_MIX)) : 0.0f;
  m_Targets.fill = (itdOn && P(PARAM_HAAS_ENABLED) != 0.0f) ? 1.0f : 0.0f;
  m_fItdWidthBase = m_Targets.itd;
}

void ASpanora::Tick() {
  constexpr float kStep = 0.01f;
  m_wB = StepTowards(m_wB, m_Targets.bypass, kStep);
  m_wI = StepTowards(m_wI, m_Targets.iid, kStep);
  m_wLin = StepTowards(m_wLin, m_Targets.linear, kStep);
  m_wT = StepTowards(m_wT, m_Targets.itd, kStep);
  m_wF = StepTowards(m_wF, m_Targets.fill, kStep);
  if (m_pD1->GetDelay() != m_nTargetDelay && m_fXs == 0.0f) {
    // D2 never reads further back than the delay it takes over.
    m_pD2->CopyRecentStateFrom(*m_pD1, m_nTargetDelay + 16);
    m_pD2->SetDelay(m_nTargetDelay);
    m_fXf = 0.0f;
    m_fXs = 1.0f / TICK_SAMPLES;
  }
  AdvanceRebuild();
}

void ASpanora::ProcessRun(const float* inL, const float* inR, float* outL, float* outR, int n) {
  RunBuffers& b = *m_pRun;
  const float* in[2] = {inL, inR};

  // Input plus anti-denormal noise; slice peaks; non-finite input detection.
  bool nonFinite = false;
  for (int c = 0; c < 2; ++c) {
    // The generator's sequence, two steps at a time from the same seed (the
    // second step jumps ahead), so consecutive samples do not wait on each
    // other's multiply. Modulo 2^32 the values are exactly those of single steps.
    constexpr std::uint32_t kMul = 1234567u, kAdd = 890123u;
    constexpr std::uint32_t kMul2 = kMul * kMul, kAdd2 = kMul * kAdd + kAdd;
    std::uint32_t seed = m_nSeed[c];
    float peak = m_fSliceInPeak[c];
    auto noiseOf = [](std::uint32_t value) { return std::bit_cast<float>((value & 0x807F0000u) | 0x1E000000u); };
    int k = 0;
    for (; k + 1 < n; k += 2) {
      const std::uint32_t first = seed * kMul + kAdd;
      const std::uint32_t second = seed * kMul2 + kAdd2;
      seed = second;
      const float x0 = in[c][k] + noiseOf(first);
      const float x1 = in[c][k + 1] + noiseOf(second);
      b.x[c][k] = x0;
      b.x[c][k + 1] = x1;
      const float a0 = std::fabs(x0), a1 = std::fabs(x1);
      peak = a0 > peak ? a0 : peak;
      peak = a1 > peak ? a1 : peak;
      nonFinite |= !(a0 <= 3.402823466e38f) | !(a1 <= 3.402823466e38f);
    }
    for (; k < n; ++k) {
      const float x = in[c][k] + NoiseSample(seed);
      b.x[c][k] = x;
      const float a = std::fabs(x);
      peak = a > peak ? a : peak;
      nonFinite |= !(a <= 3.402823466e38f);
    }
    m_nSeed[c] = seed;
    m_fSliceInPeak[c] = peak;
  }

  // IID: the chain of notches leaves a remainder, the parallel band-passes
  // add the other channel's bands; each band weighted by its fade.
  const float wI = m_wI;
  if (wI > 0.0f) {
    ProcessIid(n);
  } else {
    for (int c = 0; c < 2; ++c) {
      for (int k = 0; k < n; ++k) b.y[c][k] = wI * b.x[c][k] + (1.0f - wI) * b.x[c][k];
    }
  }

  // ITD: a delayed, band-limited mid added to the left and taken from the right.
  const float wT = m_wT;
  if (wT > 0.0f) {
    for (int k = 0; k < n; ++k) {
      const float m = (b.y[0][k] + b.y[1][k]) * 0.5f;
      float d = m_pD1->Process(m);
      if (m_fXs > 0.0f) {
        const float d2 = m_pD2->Process(m);
        d = (1.0f - m_fXf) * d + m_fXf * d2;
        m_fXf += m_fXs;
        if (m_fXf >= 1.0f) {
          m_fXf = m_fXs = 0.0f;
          std::swap(m_pD1, m_pD2);
        }
      }
      b.e[k] = d;
    }
    CRecursiveFilterCore::ProcessSeries(m_ItdLowPass, m_ItdHighPass, b.e, b.e, n);
    for (int k = 0; k < n; ++k) {
      b.y[0][k] = b.y[0][k] + wT * b.e[k];
      b.y[1][k] = b.y[1][k] - wT * b.e[k];
    }
  }

  // ITD Fill: each channel keeps its notched signal and adds its band,
  // delayed by four times the ITD delay.
  const float wF = m_wF;
  if (wF > 0.0f) {
    CRecursiveFilterCore* const filters[4] = {&m_FillNotch[0], &m_FillBandPass[0], &m_FillNotch[1], &m_FillBandPass[1]};
    const float* const ins[4] = {b.y[0], b.y[0], b.y[1], b.y[1]};
    float* const outs[4] = {b.tmp[0], b.rem[0], b.tmp[1], b.rem[1]};
    CRecursiveFilterCore::ProcessGroup<4>(filters, ins, outs, n);
    for (int c = 0; c < 2; ++c) {
      m_pFillDelay[c]->Process(b.rem[c], b.rem[c], n);
      for (int k = 0; k < n; ++k) {
        const float fill = b.tmp[c][k] + b.rem[c][k];
        b.y[c][k] = (1.0f - wF) * b.y[c][k] + wF * fill;
      }
    }
  }

  // Output stage: invert, shift, linear width, gains, bypass.
  const bool invert = m_bPhaseInvert.load(std::memory_order_relaxed);
  const float wLin = m_wLin;
  const float wB = m_wB;
  float gL = m_fGain[0], gR = m_fGain[1];
  const float sL = m_fGainStep[0], sR = m_fGainStep[1];
  float peakL = m_fSliceOutPeak[0], peakR = m_fSliceOutPeak[1];
  CDelayFilter<float>& shift = *m_pShiftDelay;
  for (int k = 0; k < n; ++k) {
    const float r3 = invert ? -b.y[1][k] : b.y[1][k];
    const float ld = shift.Process(b.y[0][k]);
    const float mid = (ld + r3) * 0.5f;
    const float side = wLin * (ld - r3);
    const float oL = (1.0f - wB) * (mid + side) * gL + wB * b.x[0][k];
    const float oR = wB * b.x[1][k] + (1.0f - wB) * (mid - side) * gR;
    gL += sL;
    gR += sR;
    outL[k] = oL;
    outR[k] = oR;
    const float aL = std::fabs(oL), aR = std::fabs(oR);
    peakL = aL > peakL ? aL : peakL;
    peakR = aR > peakR ? aR : peakR;
  }
  m_fGain[0] = gL;
  m_fGain[1] = gR;
  m_fSliceOutPeak[0] = peakL;
  m_fSliceOutPeak[1] = peakR;
  m_fOutPeakHold[0] = std::max(m_fOutPeakHold[0], peakL);
  m_fOutPeakHold[1] = std::max(m_fOutPeakHold[1], peakR);
  m_fBlockOutPeak = std::max({m_fBlockOutPeak, peakL, peakR});
  m_fBlockInPeak = std::max({m_fBlockInPeak, m_fSliceInPeak[0], m_fSliceInPeak[1]});

  // A non-finite input would poison every recursive filter and delay line
  // for good: start them afresh once the run is out.
  if (nonFinite) ResetAfterNonFiniteInput();
}

#if defined(__SSE2__)
// Sample by sample through all bands at once: each band's four filters (the
// notches of the chain and the band-passes of the parallel sum, both
// channels) share one register, and one register carries {remainder L, R,
// sum L, R} from band to band. With every band in flight together the
// recursions overlap instead of waiting on each other. The band filters are
// only ever stepped, never inspected, so their rings get back just the two
// samples the recursion reads.
void ASpanora::ProcessIid(int n) {
  RunBuffers& b = *m_pRun;
  const int bands = m_nMixCount;
  CBiquadQuad quads[NUM_BAND_SLOTS];
  CRecursiveFilterCore* groups[NUM_BAND_SLOTS][4];
  float fade[NUM_BAND_SLOTS];
  for (int i = 0; i < bands; ++i) {
    groups[i][0] = &m_BandA[0][i];
    groups[i][1] = &m_BandA[1][i];
    groups[i][2] = &m_BandB[0][i];
    groups[i][3] = &m_BandB[1][i];
    quads[i].Load(groups[i]);
    fade[i] = m_fFade[i];
  }
  const __m128 one = _mm_set1_ps(1.0f);
  const __m128 zero = _mm_setzero_ps();
  const float wI = m_wI;
  for (int k = 0; k < n; ++k) {
    const __m128 x = _mm_setr_ps(b.x[0][k], b.x[1][k], b.x[0][k], b.x[1][k]);
    __m128 acc = _mm_movelh_ps(x, zero);  // remainder = input, sums = 0
    for (int i = 0; i < bands; ++i) {
      const float f = fade[i];
      fade[i] = f + m_fFadeStep[i];
      const __m128 in = _mm_movelh_ps(acc, x);  // {remainder L, R, input L, R}
      const __m128 y = quads[i].Step(in);
      // Remainder lanes: (1 - f) * rem + f * notch; sum lanes: 1 * sum + f * band.
      const __m128 keep = _mm_shuffle_ps(_mm_set1_ps(1.0f - f), one, _MM_SHUFFLE(1, 0, 1, 0));
      acc = _mm_add_ps(_mm_mul_ps(keep, acc), _mm_mul_ps(_mm_set1_ps(f), y));
    }
    alignas(16) float p[4];
    _mm_store_ps(p, _mm_add_ps(_mm_movehl_ps(acc, acc), acc));  // sum + remainder
    b.y[0][k] = wI * p[0] + (1.0f - wI) * b.x[0][k];
    b.y[1][k] = wI * p[1] + (1.0f - wI) * b.x[1][k];
  }
  for (int i = 0; i < bands; ++i) {
    quads[i].StoreState(groups[i], n);
    m_fFade[i] = fade[i];
  }
}
#else
void ASpanora::ProcessIid(int n) {
  RunBuffers& b = *m_pRun;
  for (int c = 0; c < 2; ++c) {
    std::memcpy(b.rem[c], b.x[c], sizeof(float) * static_cast<std::size_t>(n));
    std::fill(b.sum[c], b.sum[c] + n, 0.0f);
  }
  for (int i = 0; i < m_nMixCount; ++i) {
    float f = m_fFade[i];
    const float step = m_fFadeStep[i];
    for (int k = 0; k < n; ++k) {
      b.fade[k] = f;
      f += step;
    }
    m_fFade[i] = f;
    CRecursiveFilterCore* const filters[4] = {&m_BandA[0][i], &m_BandA[1][i], &m_BandB[0][i], &m_BandB[1][i]};
    const float* const ins[4] = {b.rem[0], b.rem[1], b.x[0], b.x[1]};
    float* const outs[4] = {b.tmp[0], b.tmp[1], b.tmpB[0], b.tmpB[1]};
    CRecursiveFilterCore::ProcessGroup<4>(filters, ins, outs, n);
    for (int c = 0; c < 2; ++c) {
      for (int k = 0; k < n; ++k) {
        b.rem[c][k] = (1.0f - b.fade[k]) * b.rem[c][k] + b.fade[k] * b.tmp[c][k];
        b.sum[c][k] += b.fade[k] * b.tmpB[c][k];
      }
    }
  }
  for (int c = 0; c < 2; ++c) {
    for (int k = 0; k < n; ++k) b.y[c][k] = m_wI * (b.sum[c][k] + b.rem[c][k]) + (1.0f - m_wI) * b.x[c][k];
  }
}
#endif

void ASpanora::ResetAfterNonFiniteInput() {
  for (int c = 0; c < 2; ++c) {
    for (int i = 0; i < NUM_BAND_SLOTS; ++i) {
      m_BandA[c][i].ClearHistory();
      m_BandB[c][i].ClearHistory();
    }
    m_FillNotch[c].ClearHistory();
    m_FillBandPass[c].ClearHistory();
    m_pFillDelay[c]->Clear();
    m_fSliceInPeak[c] = m_fSliceOutPeak[c] = 0.0f;
  }
  m_ItdLowPass.ClearHistory();
  m_ItdHighPass.ClearHistory();
  m_pD1->Clear();
  m_pD2->Clear();
  m_pShiftDelay->Clear();
  m_bNonFiniteInput = true;
}

// ---------------------------------------------------------------------------
// Band layout and rebuild

void ASpanora::DesignBand(int slot, float edgeL, float edgeR) {
  for (int c = 0; c < 2; ++c) {
    m_BandA[c][slot].Clear();
    m_BandB[c][slot].Clear();
  }
  // Each channel loses its own band and gains the other channel's.
  m_BandA[0][slot].DesignNotch(edgeL, kIidBandwidth);
  m_BandB[0][slot].DesignBandPass(edgeR, kIidBandwidth);
  m_BandA[1][slot].DesignNotch(edgeR, kIidBandwidth);
  m_BandB[1][slot].DesignBandPass(edgeL, kIidBandwidth);
  if (std::min(edgeL, edgeR) < kLowestBandFraction) {
    // Too low to design stably: the notches become wires and the band adds
    // nothing, so the band simply drops out of the swap.
    for (int c = 0; c < 2; ++c) {
      m_BandA[c][slot].ScaleTowardsIdentity(0.0f);
      m_BandB[c][slot].Clear();
    }
  }
  m_fDesigned[0][slot] = edgeL;
  m_fDesigned[1][slot] = edgeR;
}

void ASpanora::AdvanceRebuild() {
  const bool layoutSettled = m_nTargetCount == m_nActiveCount && m_nRedesignSlot < 0 && m_nFadeOutSlot < 0;
  if (m_eRebuild == REBUILD_IDLE) {
    if (!layoutSettled || m_nQuietTicks < 11) m_eRebuild = REBUILD_REQUESTED;
    return;
  }
  if (m_eRebuild != REBUILD_REBUILDING) return;

  constexpr float kFadeStep = 1.0f / TICK_SAMPLES;
  // Fades set at the previous tick have run their 1024 samples. They only
  // advance while the IID stage is in the mix, so land them on their end
  // values: exact when they ran, inaudible when the stage was out.
  for (int i = 0; i < NUM_BAND_SLOTS; ++i) {
    if (m_fFadeStep[i] > 0.0f) m_fFade[i] = 1.0f;
    else if (m_fFadeStep[i] < 0.0f) m_fFade[i] = 0.0f;
    m_fFadeStep[i] = 0.0f;
  }
  if (m_nRedesignSlot >= 0) {
    const int spare = m_nActiveCount;
    for (int c = 0; c < 2; ++c) {
      m_BandA[c][m_nRedesignSlot] = m_BandA[c][spare];
      m_BandB[c][m_nRedesignSlot] = m_BandB[c][spare];
      m_fDesigned[c][m_nRedesignSlot] = m_fDesigned[c][spare];
    }
    m_fFade[m_nRedesignSlot] = 1.0f;
    m_fFade[spare] = 0.0f;
    m_nRedesignSlot = -1;
    m_nMixCount = m_nActiveCount;
    m_nQuietTicks = 0;
    return;
  }
  if (m_nFadeOutSlot >= 0) {
    m_fFade[m_nFadeOutSlot] = 0.0f;
    m_nFadeOutSlot = -1;
    m_nMixCount = m_nActiveCount;
    m_nQuietTicks = 0;
    return;
  }
  if (m_nActiveCount < m_nTargetCount) {
    const int slot = m_nActiveCount;
    DesignBand(slot, m_fEdge[0][slot], m_fEdge[1][slot]);
    m_fFade[slot] = 0.0f;
    m_fFadeStep[slot] = kFadeStep;
    m_nMixCount = ++m_nActiveCount;
    m_nQuietTicks = 0;
    return;
  }
  if (m_nActiveCount > m_nTargetCount) {
    m_nFadeOutSlot = --m_nActiveCount;
    m_fFadeStep[m_nFadeOutSlot] = -kFadeStep;
    m_nMixCount = m_nActiveCount + 1;
    m_nQuietTicks = 0;
    return;
  }
  // Counts agree: check one band per tick for moved edges.
  if (m_nActiveCount > 0) {
    const int i = m_nRoundRobin++ % m_nActiveCount;
    if (m_fDesigned[0][i] != m_fEdge[0][i] || m_fDesigned[1][i] != m_fEdge[1][i]) {
      const int spare = m_nActiveCount;
      DesignBand(spare, m_fEdge[0][i], m_fEdge[1][i]);
      m_fFade[spare] = 0.0f;
      m_fFadeStep[spare] = kFadeStep;
      m_fFadeStep[i] = -kFadeStep;
      m_nRedesignSlot = i;
      m_nMixCount = m_nActiveCount + 1;
      m_nQuietTicks = 0;
      return;
    }
  }
  if (++m_nQuietTicks > 10) {
    m_eRebuild = REBUILD_IDLE;  // the modulation may resume
  }
}

void ASpanora::UpdateFilters() {
  const float fs = sampleRate > 0.0f ? sampleRate : 44100.0f;

  // Band layout.
  int n = 1 + static_cast<int>(9.0f * P(PARAM_RESOLUTION) + 0.5f);
  n = std::clamp(n, 1, MAX_BANDS);
  const bool rebuild = m_bBandRebuild.exchange(false);
  if (n != m_nResolutionCount.load() || rebuild) {
    m_nResolutionCount.store(n);
    int count = n;
    const float lo = RangeToFrequency(P(PARAM_WR_LOW_FREQ)) / fs;
    const float hi = RangeToFrequency(P(PARAM_WR_HIGH_FREQ)) / fs;
    const float boundLo = RangeToFrequency(P(PARAM_WR_RESTRICT_LOW_FREQ)) / fs;
    const float boundHi = RangeToFrequency(P(PARAM_WR_RESTRICT_HIGH_FREQ)) / fs;
    const float r = std::exp(std::log(lo / hi) / static_cast<float>(2 * n + 1));
    float x = hi;
    while (count > 0 && x * r > boundHi) {
      --count;
      x = x * r * r;
    }
    const bool inverted = P(PARAM_WR_INVERT) != 0.0f;
    for (int i = 0; i < count; ++i) {
      x = x * r;
      if (x * r < boundLo) {
        count = i;
        break;
      }
      const float upper = x;
      x = x * r;
      const float lower = x;
      m_fEdge[0][i] = inverted ? upper : lower;
      m_fEdge[1][i] = inverted ? lower : upper;
    }
    m_nTargetCount = count;
    m_nQuietTicks = 0;
  }

  // ITD band limits and delay.
  float lpf = P(PARAM_SPLIT_DELAY_LPF);
  if (lpf < 1.0f) lpf = std::max(0.0f, lpf - 0.25f);
  float hpf = P(PARAM_SPLIT_DELAY_HPF);
  if (hpf > 0.0f) hpf = std::min(1.0f, hpf + 0.2f);
  // Cut-offs at or above Nyquist cannot be designed; keep them just below.
  const float nyquistGuard = 0.49f * fs;
  m_ItdLowPass.DesignBiquad(std::min(RangeToFrequency(lpf), nyquistGuard), 1.0f, fs, 1.0f, CRecursiveFilterCore::BIQUAD_LOWPASS);
  m_ItdHighPass.DesignBiquad(std::min(RangeToFrequency(hpf), nyquistGuard), 1.0f, fs, 1.0f, CRecursiveFilterCore::BIQUAD_HIGHPASS);
  float delay = (0.0002f + 0.0073f * Clamp01(P(PARAM_SPLIT_DELAY_TIME))) * fs;
  delay = std::max(delay, 10.0f);
  m_fBaseDelay = delay;
  m_nTargetDelay = static_cast<int>(delay);
  for (auto& fillDelay : m_pFillDelay) fillDelay->SetDelay(4.0f * delay);
}

void ASpanora::DesignFillFilters() {
  const float fs = sampleRate > 0.0f ? sampleRate : 44100.0f;
  const float fillFrequency[2] = {0.016625f, 0.082625f};
  for (int c = 0; c < 2; ++c) {
    m_FillNotch[c].Clear();
    m_FillBandPass[c].Clear();
    m_FillNotch[c].DesignNotch(fillFrequency[c], kFillBandwidth);
    m_FillBandPass[c].DesignBandPass(fillFrequency[c], kFillBandwidth);
  }
  (void)fs;
}

// ---------------------------------------------------------------------------
// End of block: deferred filter updates, analysis and meters

void ASpanora::EndOfBlock(float* const* outputs, int frames) {
  if (m_bFiltersDirty.exchange(false)) UpdateFilters();
  m_nPeakHoldRemaining -= frames;
  CKivEditorInterface* editor = GetKivEditor();
  if (editor == nullptr || !editor->isOpen()) {
    if (m_nPeakHoldRemaining <= 0) {
      m_nPeakHoldRemaining += TICK_SAMPLES * (1 + (-m_nPeakHoldRemaining) / TICK_SAMPLES);
      m_fOutPeakHold[0] = m_fOutPeakHold[1] = 0.0f;
    }
    return;
  }
  // The audio thread never waits for the editor: a busy editor misses one block.
  if (!editor->TryLock()) return;
  if (m_bAnalysisOn.load(std::memory_order_relaxed)) m_pAnalysis->Feed(outputs[0], outputs[1], frames);
  auto meter = [](float peak) {
    if (!(peak > 0.0f)) return 0.0f;
    return Clamp01(20.0f * std::log10(peak) / 60.0f + 1.0f);
  };
  editor->SetLevelMeters(meter(m_fBlockInPeak), meter(m_fBlockOutPeak));
  if (m_nPeakHoldRemaining <= 0) {
    m_nPeakHoldRemaining += TICK_SAMPLES * (1 + (-m_nPeakHoldRemaining) / TICK_SAMPLES);
    editor->SetOutputPeakHolds(m_fOutPeakHold[0], m_fOutPeakHold[1]);
    m_fOutPeakHold[0] = m_fOutPeakHold[1] = 0.0f;
  }
  editor->Unlock();
}
