#include "widener/SpanoraItd.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr float kFillBandwidth = 0.01f;
constexpr float kFillFrequency[2] = {0.016625f, 0.082625f};
constexpr float kHighestCutoffFraction = 0.49f;  // cut-offs at Nyquist cannot be designed
// Below this fraction of the rate cos(omega) rounds so close to 1 in single
// precision that a pole lands on the unit circle and the filter runs away
// (20 Hz reaches it at 200 kHz).
constexpr float kLowestCutoffFraction = 1e-4f;

float KeepInside(float hz, float sampleRate) {
  const float most = kHighestCutoffFraction * sampleRate;
  const float least = kLowestCutoffFraction * sampleRate;
  return hz > least ? std::min(hz, most) : least;  // NaN falls to the lowest
}
}  // namespace

CItdStage::CItdStage() { Reset(); }

void CItdStage::Prepare(float sampleRate) {
  m_fSampleRate = sampleRate > 0.0f ? sampleRate : 44100.0f;
}

void CItdStage::Reset() {
  m_Line.Reset();
  m_nOld = m_Line.Delay();
  for (int set = 0; set < 2; ++set) {
    m_LowPass[set].ClearHistory();
    m_HighPass[set].ClearHistory();
  }
}

void CItdStage::SetBandLimits(float lowPassHz, float highPassHz) {
  m_fLowPassHz = KeepInside(lowPassHz, m_fSampleRate);
  m_fHighPassHz = KeepInside(highPassHz, m_fSampleRate);
  if (!m_bDesigned) {
    // Nothing has run through the filters yet: no old response to fade from.
    Design(m_LowPass[0], m_HighPass[0]);
    m_bDesigned = true;
  }
}

void CItdStage::Design(CRecursiveFilterCore& lowPass, CRecursiveFilterCore& highPass) const {
  lowPass.DesignBiquad(m_fLowPassHz, 1.0f, m_fSampleRate, 1.0f, CRecursiveFilterCore::BIQUAD_LOWPASS);
  highPass.DesignBiquad(m_fHighPassHz, 1.0f, m_fSampleRate, 1.0f, CRecursiveFilterCore::BIQUAD_HIGHPASS);
}

bool CItdStage::WantsRedesign() const {
  const CRecursiveFilterCore::DesignValues& design = m_LowPass[0].GetDesignValues();
  return m_fLowPassHz != design.frequency ||
         m_fHighPassHz != m_HighPass[0].GetDesignValues().frequency || m_fSampleRate != design.sampleRate;
}

void CItdStage::BeginChange() {
  // The old filters keep their history; the new ones start from silence and
  // are brought up to date on what the new delay has passed, so neither set
  // meets a history built by another delay or other coefficients.
  m_LowPass[1] = m_LowPass[0];
  m_HighPass[1] = m_HighPass[0];
  m_nOld = m_Line.Delay();
  m_Line.Jump();
  m_LowPass[0].ClearHistory();
  m_HighPass[0].ClearHistory();
  Design(m_LowPass[0], m_HighPass[0]);
  constexpr int kWarmUp = 2048;
  for (int k = kWarmUp; k >= 1; --k) m_HighPass[0].Process(m_LowPass[0].Process(m_Line.Past(k - 1)));
}

void CItdStage::Process(float* const y[2], float* const old[2], int n, float wT) noexcept {
  float e[GAIN_SAMPLES];
  for (int k = 0; k < n; ++k) e[k] = (y[0][k] + y[1][k]) * 0.5f;
  if (n <= 0) return;
  if (old != nullptr) {
    float eOld[GAIN_SAMPLES];
    for (int k = 0; k < n; ++k) {
      e[k] = m_Line.Process(e[k]);
      eOld[k] = m_Line.TapAt(m_nOld);
    }
    CRecursiveFilterCore::ProcessSeries(m_LowPass[1], m_HighPass[1], eOld, eOld, n);
    for (int k = 0; k < n; ++k) {
      old[0][k] = old[0][k] + wT * eOld[k];
      old[1][k] = old[1][k] - wT * eOld[k];
    }
  } else {
    m_Line.Process(e, e, n);
  }
  CRecursiveFilterCore::ProcessSeries(m_LowPass[0], m_HighPass[0], e, e, n);
  for (int k = 0; k < n; ++k) {
    y[0][k] = y[0][k] + wT * e[k];
    y[1][k] = y[1][k] - wT * e[k];
  }
}

CItdFillStage::CItdFillStage() {
  // Normalised designs: the same at every sample rate.
  for (int slot = 0; slot < 2; ++slot) {
    for (int c = 0; c < 2; ++c) {
      m_Notch[slot][c].Clear();
      m_BandPass[slot][c].Clear();
      m_Notch[slot][c].DesignNotch(kFillFrequency[c], kFillBandwidth);
      m_BandPass[slot][c].DesignBandPass(kFillFrequency[c], kFillBandwidth);
    }
  }
  Reset();
}

void CItdFillStage::Reset() {
  for (int slot = 0; slot < 2; ++slot) {
    for (int c = 0; c < 2; ++c) {
      m_Notch[slot][c].ClearHistory();
      m_BandPass[slot][c].ClearHistory();
      m_Line[slot][c].Clear();
    }
  }
  m_fDelay[0] = m_fDelay[1] = m_fTarget;
}

void CItdFillStage::SetDelay(float samples) {
  const float most = static_cast<float>(MAX_DELAY_SAMPLES);
  m_fTarget = samples > 0.0f ? std::min(samples, most) : 0.0f;  // NaN counts as 0
  if (!m_bDelaySet) m_fDelay[0] = m_fDelay[1] = m_fTarget;  // the first delay holds at once
  m_bDelaySet = true;
}

void CItdFillStage::BeginChange() {
  const int old = m_nNew;
  m_nNew = 1 - m_nNew;
  for (int c = 0; c < 2; ++c) {
    m_Notch[m_nNew][c] = m_Notch[old][c];
    m_BandPass[m_nNew][c] = m_BandPass[old][c];
  }
  m_fDelay[m_nNew] = m_fTarget;
}

void CItdFillStage::ProcessSet(int set, float* const y[2], int n, float wF) noexcept {
  const int slot = Slot(set);
  float notch[2][GAIN_SAMPLES], band[2][GAIN_SAMPLES];
  CRecursiveFilterCore* const filters[4] = {&m_Notch[slot][0], &m_Notch[slot][1], &m_BandPass[slot][0],
                                            &m_BandPass[slot][1]};
  const float* const ins[4] = {y[0], y[1], y[0], y[1]};
  float* const outs[4] = {notch[0], notch[1], band[0], band[1]};
  CRecursiveFilterCore::ProcessGroup<4>(filters, ins, outs, n);
  float* const notches[2] = {notch[0], notch[1]};
  float* const bands[2] = {band[0], band[1]};
  MixRun(slot, y, notches, bands, n, wF);
}

void CItdFillStage::Process(float* const y[2], float* const old[2], int n, float wF) noexcept {
  ProcessSet(0, y, n, wF);
  if (old != nullptr) ProcessSet(1, old, n, wF);
}

void CItdFillStage::FinishRun(float* const y[2], float* const notch[2], float* const band[2], int n,
                              float wF) noexcept {
  MixRun(m_nNew, y, notch, band, n, wF);
}

void CItdFillStage::MixRun(int slot, float* const y[2], float* const notch[2], float* const band[2], int n,
                           float wF) noexcept {
  for (int c = 0; c < 2; ++c) {
    m_Line[slot][c].WriteAndTapFractional(band[c], band[c], n, m_fDelay[slot]);
    for (int k = 0; k < n; ++k) {
      const float filled = notch[c][k] + band[c][k];
      y[c][k] = (1.0f - wF) * y[c][k] + wF * filled;
    }
  }
}

void ProcessItdAndFill(CItdStage& itd, CItdFillStage& fill, float* const y[2], int n, float wT, float wF) noexcept {
  if (n <= 0) return;
  CRecursiveFilterCore& lowPass = itd.LowPass(0);
  CRecursiveFilterCore& highPass = itd.HighPass(0);
  CRecursiveFilterCore::SBiquadState lp = lowPass.GetBiquadState(), hp = highPass.GetBiquadState();
  CRecursiveFilterCore* const quad[4] = {&fill.Notch(0), &fill.Notch(1), &fill.BandPass(0), &fill.BandPass(1)};
  CBiquadQuad filters;
  filters.Load(quad);
  float delayed[GAIN_SAMPLES], notch[2][GAIN_SAMPLES], band[2][GAIN_SAMPLES];
  for (int k = 0; k < n; ++k) delayed[k] = (y[0][k] + y[1][k]) * 0.5f;
  itd.Line().Process(delayed, delayed, n);
  // The fill's filters and the mix for sample k, once its ITD signal e is known.
  auto finish = [&](int k, float e) {
    const float l2 = y[0][k] + wT * e, r2 = y[1][k] - wT * e;
    y[0][k] = l2;
    y[1][k] = r2;
    alignas(16) float out[4];
    _mm_store_ps(out, filters.Step(_mm_setr_ps(l2, r2, l2, r2)));
    notch[0][k] = out[0];
    notch[1][k] = out[1];
    band[0][k] = out[2];
    band[1][k] = out[3];
  };
  // The low-pass runs one sample ahead of the high-pass that it feeds, so
  // both step together in two lanes: at step k the low-pass takes sample k,
  // the high-pass sample k - 1 (lane by lane the arithmetic of BiquadStep).
  lp.Step(delayed[0]);
  if (n > 1) {
    auto pair = [](float l, float h) { return _mm_setr_ps(l, h, 0, 0); };
    SBiquadLanes f = {pair(lp.a0, hp.a0), pair(lp.a1, hp.a1), pair(lp.a2, hp.a2), pair(lp.b1, hp.b1), pair(lp.b2, hp.b2),
                      pair(lp.x1, hp.x1), pair(lp.x2, hp.x2), pair(lp.y1, hp.y1), pair(lp.y2, hp.y2)};
    for (int k = 1; k < n; ++k) {
      const __m128 out = f.Step(_mm_unpacklo_ps(_mm_set_ss(delayed[k]), f.y1));  // {d[k], mid[k - 1], ...}
      finish(k - 1, _mm_cvtss_f32(_mm_shuffle_ps(out, out, 1)));
    }
    alignas(16) float v[4][4];
    _mm_store_ps(v[0], f.x1);
    _mm_store_ps(v[1], f.x2);
    _mm_store_ps(v[2], f.y1);
    _mm_store_ps(v[3], f.y2);
    lp.x1 = v[0][0], lp.x2 = v[1][0], lp.y1 = v[2][0], lp.y2 = v[3][0];
    hp.x1 = v[0][1], hp.x2 = v[1][1], hp.y1 = v[2][1], hp.y2 = v[3][1];
  }
  finish(n - 1, hp.Step(lp.y1));
  lowPass.ResumeAfterSteps(lp, n);
  highPass.ResumeAfterSteps(hp, n);
  filters.StoreState(quad, n);
  float* const notches[2] = {notch[0], notch[1]};
  float* const bands[2] = {band[0], band[1]};
  fill.FinishRun(y, notches, bands, n, wF);
}
