#include "widener/SpanoraEngine.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

namespace {
constexpr float kMixStep = 0.01f;
constexpr float kMaxGain = 2.0f;  // trim up to +6 dB
constexpr float kBandPhaseOffset[MAX_BANDS] = {0.0f, 0.0f, 0.5f, 0.4f, 0.8f, 0.3f, 0.2f, 0.7f, 0.1f, 0.9f};

// NaN falls to lo.
float Inside(float v, float lo, float hi) { return v > lo ? (v < hi ? v : hi) : lo; }

// No inf or NaN among n samples: an exponent test, one pass that vectorises.
bool AllFinite(const float* v, int n) {
  std::uint32_t bad = 0;
  for (int k = 0; k < n; ++k) bad |= (std::bit_cast<std::uint32_t>(v[k]) & 0x7F800000u) == 0x7F800000u;
  return bad == 0;
}
}  // namespace

CSpanoraEngine::CSpanoraEngine() { Reset(); }

void CSpanoraEngine::Prepare(float sampleRate) {
  m_fSampleRate = sampleRate > 0.0f && std::isfinite(sampleRate) ? sampleRate : 44100.0f;
  m_Iid.Prepare(m_fSampleRate);
  m_Itd.Prepare(m_fSampleRate);
  m_Fill.Prepare(m_fSampleRate);
  m_Output.Prepare(m_fSampleRate);
}

void CSpanoraEngine::Reset() {
  m_Noise.Reset();
  m_Iid.Reset();
  m_Itd.Reset();
  m_Fill.Reset();
  m_Output.Reset();
  m_Dynamics.Reset();
  m_wI.Set(0.0f);
  m_wLin.Set(0.5f);
  m_wT.Set(0.0f);
  m_wF.Set(1.0f);  // with ITD Fill off the fill fades out over the first 100 ticks
  m_wB.Set(0.0f);
  m_ItdChange.Set(0.0f);
  m_nTickRemaining = 0;
  m_nDynamicsRemaining = 1;
  m_nGainRemaining = GAIN_SAMPLES;
  m_fSliceInPeak[0] = m_fSliceInPeak[1] = m_fSliceOutPeak[0] = m_fSliceOutPeak[1] = 0.0f;
  m_fBlockInPeak = m_fBlockOutPeak = 0.0f;
  ClearOutputPeakHolds();
}

void CSpanoraEngine::SetTargets(const SSpanoraTargets& t) {
  m_Targets.iid = Inside(t.iid, 0.0f, 1.0f);
  m_Targets.linear = Inside(t.linear, 0.0f, 1.0f);
  m_Targets.bypass = Inside(t.bypass, 0.0f, 1.0f);
  m_Targets.itd = Inside(t.itd, 0.0f, 1.0f);
  m_Targets.fill = Inside(t.fill, 0.0f, 1.0f);
  m_Targets.invert = t.invert;
  m_Targets.shift = std::clamp(t.shift, 0, MAX_SHIFT_SAMPLES);
  m_Targets.dynamics = t.dynamics;
  m_Targets.dynamicsDepth = Inside(t.dynamicsDepth, 0.0f, 1.0f);
  m_Targets.dynamicsShape = std::clamp(t.dynamicsShape, 0, CDynamicsLfo::NUM_SHAPES - 1);
  m_Targets.dynamicsRate = Inside(t.dynamicsRate, 0.0f, 1000.0f);
  for (int c = 0; c < 2; ++c) m_Targets.gain[c] = Inside(t.gain[c], 0.0f, kMaxGain);
  m_Output.SetShift(m_Targets.shift);
  m_Output.SetInvert(m_Targets.invert);
}

void CSpanoraEngine::SetItdDesign(const SItdDesign& design) {
  m_ItdDesign.lowPassHz = design.lowPassHz;
  m_ItdDesign.highPassHz = design.highPassHz;
  m_ItdDesign.baseDelay = Inside(design.baseDelay, 10.0f, static_cast<float>(MAX_DELAY_SAMPLES) / 4.0f);
  m_Itd.SetBandLimits(m_ItdDesign.lowPassHz, m_ItdDesign.highPassHz);
  m_Itd.SetTargetDelay(static_cast<int>(m_ItdDesign.baseDelay));
  m_Fill.SetDelay(4.0f * m_ItdDesign.baseDelay);
}

void CSpanoraEngine::Tick() {
  m_wB.StepTowards(m_Targets.bypass, kMixStep);
  m_wI.StepTowards(m_Targets.iid, kMixStep);
  m_wLin.StepTowards(m_Targets.linear, kMixStep);
  m_wT.StepTowards(m_Targets.itd, kMixStep);
  m_wF.StepTowards(m_Targets.fill, kMixStep);
  if (!m_ItdChange.IsMoving() && !m_Itd.IsDelayFading()) {
    // A change waits for the running one. A new delay alone (the dynamics)
    // is a tap crossfade; anything else runs the old and the new chain side
    // by side. The cubic taps of the new fill line read two samples past its
    // delay.
    if (!m_Itd.WantsRedesign() && !m_Fill.WantsChange()) {
      m_Itd.TickDelay();
    } else {
      BeginItdChange();
    }
  }
  m_Output.Tick();
  m_Iid.Tick();
}

void CSpanoraEngine::BeginItdChange() {
  m_Itd.BeginChange();
  m_Fill.BeginChange();
  const int lag = static_cast<int>(std::ceil(m_Fill.Delay())) + 2;
  m_fItdChangeLag = static_cast<float>(lag) / TICK_SAMPLES;
  m_ItdChange.Set(0.0f);
  m_ItdChange.Glide(1.0f / TICK_SAMPLES, 1.0f + m_fItdChangeLag);
}

void CSpanoraEngine::UpdateDynamics() {
  const float depthTarget = (m_Iid.RebuildState() == REBUILD_IDLE && m_Targets.dynamics) ? m_Targets.dynamicsDepth : 0.0f;
  m_Dynamics.Advance(m_Targets.dynamicsRate, m_fSampleRate, m_Targets.dynamicsShape, depthTarget);
  const float depth = m_Dynamics.Depth();
  if (depth <= 0.0f) {
    m_Iid.ReleaseModulation(DYNAMICS_SAMPLES);
    return;
  }
  // Each band's gain glides to between 0 dB and -60 dB * depth.
  static const float kLn1000 = std::log(0.001f);
  for (int i = 1; i < m_Iid.ActiveCount(); ++i) {
    float p = kBandPhaseOffset[i] + m_Dynamics.Phase();
    if (p > 1.0f) p -= 1.0f;
    const float u = m_Dynamics.Value(p) * 0.5f + 0.5f;
    const float g = std::exp(kLn1000 + (1.0f - u * depth) * (0.0f - kLn1000));
    m_Iid.GlideBand(i, std::min(g, 1.0f), DYNAMICS_SAMPLES);
  }
  // The ITD width and delay swing around their base values.
  const float a = m_Dynamics.Value(m_Dynamics.Phase()) * 0.5f + 1.0f;
  m_wT.Set(std::min(m_Targets.itd * a, 1.0f));
  m_Itd.SetTargetDelay(std::min(static_cast<int>(a * m_ItdDesign.baseDelay), MAX_DELAY_SAMPLES));
}

void CSpanoraEngine::UpdateGains() {
  // The clock is read only while a measurement needs it.
  if (m_pClock != nullptr && m_Trim.IsRunning()) m_Trim.Update(m_fSliceInPeak, m_fSliceOutPeak, m_pClock());
  m_Output.SetGainTargets(m_Targets.gain[0], m_Targets.gain[1]);
  m_fSliceInPeak[0] = m_fSliceInPeak[1] = m_fSliceOutPeak[0] = m_fSliceOutPeak[1] = 0.0f;
}

int CSpanoraEngine::StartRun(int frames) {
  if (m_nTickRemaining == 0) {
    Tick();
    m_nTickRemaining = TICK_SAMPLES;
  }
  return std::min({frames, m_nTickRemaining, m_nDynamicsRemaining, m_nGainRemaining});
}

void CSpanoraEngine::FinishRun(int n) {
  m_nTickRemaining -= n;
  m_nDynamicsRemaining -= n;
  m_nGainRemaining -= n;
  if (m_nTickRemaining == TICK_SAMPLES / 2) m_Iid.HalfTick();
  if (m_nDynamicsRemaining == 0) {
    UpdateDynamics();
    m_nDynamicsRemaining = DYNAMICS_SAMPLES;
  }
  if (m_nGainRemaining == 0) {
    UpdateGains();
    m_nGainRemaining = GAIN_SAMPLES;
  }
}

void CSpanoraEngine::AddPeaks(const float inPeak[2], const float outPeak[2]) {
  for (int c = 0; c < 2; ++c) {
    m_fSliceInPeak[c] = std::max(m_fSliceInPeak[c], inPeak[c]);
    m_fSliceOutPeak[c] = std::max(m_fSliceOutPeak[c], outPeak[c]);
    m_fOutPeakHold[c] = std::max(m_fOutPeakHold[c], outPeak[c]);
  }
  m_fBlockInPeak = std::max({m_fBlockInPeak, inPeak[0], inPeak[1]});
  m_fBlockOutPeak = std::max({m_fBlockOutPeak, outPeak[0], outPeak[1]});
}

void CSpanoraEngine::Process(const float* const in[2], float* const out[2], int frames) noexcept {
  BeginBlock();
  for (int done = 0; done < frames;) {
    const int n = StartRun(frames - done);
    const float* const runIn[2] = {in[0] + done, in[1] + done};
    float* const runOut[2] = {out[0] + done, out[1] + done};
    ProcessRun(runIn, runOut, n);
    FinishRun(n);
    done += n;
  }
}

void CSpanoraEngine::ProcessRun(const float* const in[2], float* const out[2], int n) noexcept {
  float x[2][GAIN_SAMPLES], y[2][GAIN_SAMPLES];
  const float* const xs[2] = {x[0], x[1]};
  float* const ys[2] = {y[0], y[1]};
  float inPeak[2] = {0.0f, 0.0f}, outPeak[2] = {0.0f, 0.0f};
  bool finite = m_Noise.Process(0, in[0], x[0], n, &inPeak[0]);
  finite &= m_Noise.Process(1, in[1], x[1], n, &inPeak[1]);

  m_Iid.Process(xs, ys, n, m_wI.Value());
  const float wT = m_wT.Value(), wF = m_wF.Value();
  if (m_ItdChange.IsMoving()) {
    ProcessItdChange(ys, n, wT, wF);
  } else if (wT > 0.0f && wF > 0.0f) {
    ProcessItdAndFill(m_Itd, m_Fill, ys, n, wT, wF);
  } else {
    if (wT > 0.0f) m_Itd.Process(ys, nullptr, n, wT);
    if (wF > 0.0f) m_Fill.Process(ys, nullptr, n, wF);
  }
  m_Output.Process(xs, ys, out, n, m_wLin.Value(), m_wB.Value(), outPeak);

  // One check per run: a state that turned non-finite shows in the output
  // (0 * inf is NaN too), and so does a non-finite input.
  finite &= AllFinite(out[0], n) & AllFinite(out[1], n);
  if (!finite) {
    for (int c = 0; c < 2; ++c) {
      for (int k = 0; k < n; ++k) {
        if (!std::isfinite(out[c][k])) out[c][k] = 0.0f;
      }
      inPeak[c] = std::isfinite(inPeak[c]) ? inPeak[c] : 0.0f;
      outPeak[c] = 0.0f;
      for (int k = 0; k < n; ++k) outPeak[c] = std::max(outPeak[c], std::fabs(out[c][k]));
    }
    RecoverFromNonFinite();
  }
  AddPeaks(inPeak, outPeak);
}

void CSpanoraEngine::ProcessItdChange(float* const y[2], int n, float wT, float wF) noexcept {
  // The old and the new chain side by side, then from one to the other.
  float old[2][GAIN_SAMPLES];
  float* const olds[2] = {old[0], old[1]};
  for (int c = 0; c < 2; ++c) std::copy(y[c], y[c] + n, old[c]);
  if (wT > 0.0f) m_Itd.Process(y, olds, n, wT);
  if (wF > 0.0f) m_Fill.Process(y, olds, n, wF);
  for (int k = 0; k < n && m_ItdChange.IsMoving(); ++k) {
    const float h = std::clamp(m_ItdChange.Next() - m_fItdChangeLag, 0.0f, 1.0f);
    for (int c = 0; c < 2; ++c) y[c][k] = (1.0f - h) * old[c][k] + h * y[c][k];
    if (m_ItdChange.Value() >= 1.0f + m_fItdChangeLag) m_ItdChange.Set(0.0f);
  }
}

void CSpanoraEngine::RecoverFromNonFinite() {
  m_Iid.ClearHistory();
  m_Itd.Reset();
  m_Fill.Reset();
  m_ItdChange.Set(0.0f);
  m_Output.ClearHistory();
  m_bRecovered = true;
}
