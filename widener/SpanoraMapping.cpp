#include "widener/SpanoraMapping.h"

#include <algorithm>
#include <cmath>

namespace SpanoraMapping {
namespace {
// The values as the mapping reads them: each inside 0 ... 1, NaN as 0.
struct SClamped {
  float v[NUM_SPANORA_PARAMS];
  explicit SClamped(const float* values) {
    for (int i = 0; i < NUM_SPANORA_PARAMS; ++i) v[i] = values[i] > 0.0f ? (values[i] < 1.0f ? values[i] : 1.0f) : 0.0f;
  }
  float operator[](int i) const { return v[i]; }
};
}  // namespace

int BandCount(float resolution) { return std::clamp(1 + static_cast<int>(9.0f * resolution + 0.5f), 1, MAX_BANDS); }

SSpanoraTargets Targets(const float* values, float dynamicsRate) {
  const SClamped v(values);
  SSpanoraTargets t;
  t.iid = v[PARAM_WR_ENABLED] != 0.0f ? v[PARAM_WIDTH] : 0.0f;
  t.linear = v[PARAM_MONO] != 0.0f ? 0.0f : v[PARAM_LINEAR_WIDTH];
  t.bypass = v[PARAM_BYPASS] != 0.0f ? 1.0f : 0.0f;
  const bool itdOn = v[PARAM_SPLIT_DELAY_ENABLED] != 0.0f;
  t.itd = itdOn ? v[PARAM_SPLIT_DELAY_MIX] : 0.0f;
  t.fill = (itdOn && v[PARAM_HAAS_ENABLED] != 0.0f) ? 1.0f : 0.0f;
  t.invert = v[PARAM_INVERT] > 0.5f;
  t.shift = static_cast<int>(v[PARAM_SHIFT] * 1024.0f);
  t.dynamics = v[PARAM_DYNAMICS] != 0.0f;
  t.dynamicsDepth = v[PARAM_DYN_DEPTH];
  t.dynamicsShape = DynamicsShapeIndex(v[PARAM_DYN_TYPE]);
  t.dynamicsRate = dynamicsRate;

  // Trims: 0.5 is unity, up to +6 dB. Balance: each side falls by up to
  // 30 dB across its half and is muted at the end stop. Solo mutes the other.
  float trim[2] = {1.0f, 1.0f};
  if (v[PARAM_AUTO_LEVEL] != 0.0f) {
    trim[0] = 2.0f * v[PARAM_AUTO_LEVEL_AMOUNT0];
    trim[1] = 2.0f * v[PARAM_AUTO_LEVEL_AMOUNT1];
  }
  const float b = v[PARAM_BALANCE];
  static const float kLn1000 = std::log(0.001f);
  float balance[2] = {1.0f, 1.0f};
  if (b >= 1.0f) balance[0] = 0.0f;
  else if (b > 0.5f) balance[0] = std::exp((b - 0.5f) * kLn1000);
  if (b <= 0.0f) balance[1] = 0.0f;
  else if (b < 0.5f) balance[1] = std::exp((0.5f - b) * kLn1000);
  if (v[PARAM_SOLO_R] != 0.0f) balance[0] = 0.0f;
  if (v[PARAM_SOLO_L] != 0.0f) balance[1] = 0.0f;
  for (int c = 0; c < 2; ++c) t.gain[c] = balance[c] * trim[c];
  return t;
}

SBandLayout BandLayout(const float* values, float fs) {
  const SClamped v(values);
  SBandLayout layout;
  const int n = BandCount(v[PARAM_RESOLUTION]);
  int count = n;
  const float lo = RangeToFrequency(v[PARAM_WR_LOW_FREQ]) / fs;
  const float hi = RangeToFrequency(v[PARAM_WR_HIGH_FREQ]) / fs;
  const float boundLo = RangeToFrequency(v[PARAM_WR_RESTRICT_LOW_FREQ]) / fs;
  const float boundHi = RangeToFrequency(v[PARAM_WR_RESTRICT_HIGH_FREQ]) / fs;
  const float r = std::exp(std::log(lo / hi) / static_cast<float>(2 * n + 1));
  float x = hi;
  while (count > 0 && x * r > boundHi) {
    --count;
    x = x * r * r;
  }
  const bool inverted = v[PARAM_WR_INVERT] != 0.0f;
  for (int i = 0; i < count; ++i) {
    x = x * r;
    if (x * r < boundLo) {
      count = i;
      break;
    }
    const float upper = x;
    x = x * r;
    const float lower = x;
    layout.edge[0][i] = inverted ? upper : lower;
    layout.edge[1][i] = inverted ? lower : upper;
  }
  layout.count = count;
  return layout;
}

SItdDesign ItdDesign(const float* values, float fs) {
  const SClamped v(values);
  SItdDesign design;
  float lpf = v[PARAM_SPLIT_DELAY_LPF];
  if (lpf < 1.0f) lpf = std::max(0.0f, lpf - 0.25f);
  float hpf = v[PARAM_SPLIT_DELAY_HPF];
  if (hpf > 0.0f) hpf = std::min(1.0f, hpf + 0.2f);
  design.lowPassHz = RangeToFrequency(lpf);
  design.highPassHz = RangeToFrequency(hpf);
  design.baseDelay = std::max((0.0002f + 0.0073f * v[PARAM_SPLIT_DELAY_TIME]) * fs, 10.0f);
  return design;
}

}  // namespace SpanoraMapping
