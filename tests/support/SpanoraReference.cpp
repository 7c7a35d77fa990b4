#include "tests/support/SpanoraReference.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {
float Noise(std::uint32_t& seed) {
  seed = seed * 1234567u + 890123u;
  return std::bit_cast<float>((seed & 0x807F0000u) | 0x1E000000u);
}
}  // namespace

void CSpanoraReference::Process(ASpanora& s, float** inputs, float** outputs, int frames) {
  if (frames <= 0) return;
  s.UpdateDawTimeFromProcess();
  if (s.m_bSampleRateChanged.exchange(false)) {
    s.DesignFillFilters();
    s.UpdateFilters();
  }
  s.ComputeTargets();
  s.m_pShiftDelay->SetDelay(s.m_nShiftDelay.load());
  s.m_fBlockInPeak = s.m_fBlockOutPeak = 0.0f;
  for (int k = 0; k < frames; ++k) {
    if (s.m_nTickRemaining == 0) {
      s.Tick();
      s.m_nTickRemaining = TICK_SAMPLES;
    }
    Sample(s, inputs[0][k], inputs[1][k], outputs[0][k], outputs[1][k]);
    --s.m_nTickRemaining;
    if (--s.m_nDynamicsRemaining == 0) {
      s.UpdateDynamics();
      s.m_nDynamicsRemaining = DYNAMICS_SAMPLES;
    }
    if (--s.m_nGainRemaining == 0) {
      s.UpdateOutputGains();
      s.m_nGainRemaining = GAIN_SAMPLES;
    }
  }
  s.EndOfBlock(outputs, frames);
}

void CSpanoraReference::Sample(ASpanora& s, float inL, float inR, float& outL, float& outR) {
  float x[2] = {inL + Noise(s.m_nSeed[0]), inR + Noise(s.m_nSeed[1])};
  for (int c = 0; c < 2; ++c) s.m_fSliceInPeak[c] = std::max(s.m_fSliceInPeak[c], std::fabs(x[c]));

  float p[2] = {x[0], x[1]};
  if (s.m_wI > 0.0f) {
    float rem[2] = {x[0], x[1]};
    float sum[2] = {0.0f, 0.0f};
    for (int i = 0; i < s.m_nMixCount; ++i) {
      const float f = s.m_fFade[i];
      for (int c = 0; c < 2; ++c) rem[c] = (1.0f - f) * rem[c] + f * s.m_BandA[c][i].Process(rem[c]);
    }
    for (int i = 0; i < s.m_nMixCount; ++i) {
      const float f = s.m_fFade[i];
      s.m_fFade[i] += s.m_fFadeStep[i];
      for (int c = 0; c < 2; ++c) sum[c] += f * s.m_BandB[c][i].Process(x[c]);
    }
    for (int c = 0; c < 2; ++c) p[c] = sum[c] + rem[c];
  }
  float y[2];
  for (int c = 0; c < 2; ++c) y[c] = s.m_wI * p[c] + (1.0f - s.m_wI) * x[c];

  if (s.m_wT > 0.0f) {
    const float m = (y[0] + y[1]) * 0.5f;
    float d = s.m_pD1->Process(m);
    if (s.m_fXs > 0.0f) {
      const float d2 = s.m_pD2->Process(m);
      d = (1.0f - s.m_fXf) * d + s.m_fXf * d2;
      s.m_fXf += s.m_fXs;
      if (s.m_fXf >= 1.0f) {
        s.m_fXf = s.m_fXs = 0.0f;
        std::swap(s.m_pD1, s.m_pD2);
      }
    }
    const float e = s.m_ItdHighPass.Process(s.m_ItdLowPass.Process(d));
    y[0] = y[0] + s.m_wT * e;
    y[1] = y[1] - s.m_wT * e;
  }

  if (s.m_wF > 0.0f) {
    for (int c = 0; c < 2; ++c) {
      const float a = s.m_FillNotch[c].Process(y[c]);
      const float b = s.m_FillBandPass[c].Process(y[c]);
      const float fill = a + s.m_pFillDelay[c]->Process(b);
      y[c] = (1.0f - s.m_wF) * y[c] + s.m_wF * fill;
    }
  }

  const float r3 = s.m_bPhaseInvert.load() ? -y[1] : y[1];
  const float ld = s.m_pShiftDelay->Process(y[0]);
  const float mid = (ld + r3) * 0.5f;
  const float side = s.m_wLin * (ld - r3);
  outL = (1.0f - s.m_wB) * (mid + side) * s.m_fGain[0] + s.m_wB * x[0];
  outR = s.m_wB * x[1] + (1.0f - s.m_wB) * (mid - side) * s.m_fGain[1];
  s.m_fGain[0] += s.m_fGainStep[0];
  s.m_fGain[1] += s.m_fGainStep[1];
  s.m_fSliceOutPeak[0] = std::max(s.m_fSliceOutPeak[0], std::fabs(outL));
  s.m_fSliceOutPeak[1] = std::max(s.m_fSliceOutPeak[1], std::fabs(outR));
  s.m_fOutPeakHold[0] = std::max(s.m_fOutPeakHold[0], s.m_fSliceOutPeak[0]);
  s.m_fOutPeakHold[1] = std::max(s.m_fOutPeakHold[1], s.m_fSliceOutPeak[1]);
  s.m_fBlockOutPeak = std::max({s.m_fBlockOutPeak, s.m_fSliceOutPeak[0], s.m_fSliceOutPeak[1]});
  s.m_fBlockInPeak = std::max({s.m_fBlockInPeak, s.m_fSliceInPeak[0], s.m_fSliceInPeak[1]});
}
