#include "tests/support/SpanoraReference.h"

#include <algorithm>
#include <cmath>

namespace SpanoraReference {

void Iid(CIidBandBank& bank, const float x[2], float y[2], float wI) {
  const float* const in[2] = {&x[0], &x[1]};
  bank.Record(in, 1);
  if (!(wI > 0.0f)) {
    y[0] = x[0];
    y[1] = x[1];
    return;
  }
  float rem[2] = {x[0], x[1]};
  float sum[2] = {0.0f, 0.0f};
  for (int k = 0; k < bank.MixCount(); ++k) {
    const int slot = bank.ChainSlot(k);
    const float f = bank.Fade(slot).Next();
    for (int c = 0; c < 2; ++c) {
      rem[c] = (1.0f - f) * rem[c] + f * bank.Notch(c, slot).Process(rem[c]);
      sum[c] = 1.0f * sum[c] + f * bank.BandPass(c, slot).Process(x[c]);
    }
  }
  for (int c = 0; c < 2; ++c) y[c] = wI * (sum[c] + rem[c]) + (1.0f - wI) * x[c];
}

void Itd(CItdStage& itd, float y[2], float* old, float wT) {
  const float e = itd.HighPass(0).Process(itd.LowPass(0).Process(itd.Line().Process((y[0] + y[1]) * 0.5f)));
  y[0] = y[0] + wT * e;
  y[1] = y[1] - wT * e;
  if (old == nullptr) return;
  const float eOld = itd.HighPass(1).Process(itd.LowPass(1).Process(itd.Line().TapAt(itd.OldDelay())));
  old[0] = old[0] + wT * eOld;
  old[1] = old[1] - wT * eOld;
}

void Fill(CItdFillStage& fill, float y[2], float* old, float wF) {
  for (int set = 0; set < (old != nullptr ? 2 : 1); ++set) {
    float* const v = set == 0 ? y : old;
    for (int c = 0; c < 2; ++c) {
      const float a = fill.Notch(c, set).Process(v[c]);
      fill.Line(c, set).Write(fill.BandPass(c, set).Process(v[c]));
      const float filled = a + fill.Line(c, set).TapFractional(fill.Delay(set));
      v[c] = (1.0f - wF) * v[c] + wF * filled;
    }
  }
}

void Output(COutputStage& output, const float x[2], const float y[2], float out[2], float wLin, float wB) {
  const float r3 = output.Sign().Next() * y[1];
  const float ld = output.ShiftLine().Process(y[0]);
  const float mid = (ld + r3) * 0.5f;
  const float side = wLin * (ld - r3);
  out[0] = (1.0f - wB) * (mid + side) * output.Gain(0).Next() + wB * x[0];
  out[1] = wB * x[1] + (1.0f - wB) * (mid - side) * output.Gain(1).Next();
}

void Process(CSpanoraEngine& e, const float* const in[2], float* const out[2], int frames) {
  e.BeginBlock();
  for (int k = 0; k < frames; ++k) {
    e.StartRun(1);
    const float x[2] = {in[0][k] + e.Noise().Next(0), in[1][k] + e.Noise().Next(1)};
    float y[2];
    Iid(e.Iid(), x, y, e.IidMix());
    CLinearRamp& change = e.ItdChange();
    float old[2] = {y[0], y[1]};  // the old ITD and fill chain while a change runs
    float* const oldChain = change.IsMoving() ? old : nullptr;
    if (e.ItdMix() > 0.0f) Itd(e.Itd(), y, oldChain, e.ItdMix());
    if (e.FillMix() > 0.0f) Fill(e.Fill(), y, oldChain, e.FillMix());
    if (oldChain != nullptr) {
      const float h = std::clamp(change.Next() - e.ItdChangeLag(), 0.0f, 1.0f);
      for (int c = 0; c < 2; ++c) y[c] = (1.0f - h) * old[c] + h * y[c];
      if (change.Value() >= 1.0f + e.ItdChangeLag()) change.Set(0.0f);
    }
    float o[2];
    Output(e.Output(), x, y, o, e.LinearMix(), e.BypassMix());
    out[0][k] = o[0];
    out[1][k] = o[1];
    const float inPeak[2] = {std::fabs(x[0]), std::fabs(x[1])};
    const float outPeak[2] = {std::fabs(o[0]), std::fabs(o[1])};
    e.AddPeaks(inPeak, outPeak);
    e.FinishRun(1);
  }
}

}  // namespace SpanoraReference
