#include "tools/spanora/DemoMaterial.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace spanora {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTempo = 120.0;
constexpr std::uint32_t kSeed = 0x5350414Eu;

// xorshift32: the same sequence on every platform and library version.
class CNoise {
 public:
  explicit CNoise(std::uint32_t seed) : m_nState(seed) {}
  double Next() {  // uniform in [-1, 1)
    m_nState ^= m_nState << 13;
    m_nState ^= m_nState >> 17;
    m_nState ^= m_nState << 5;
    return static_cast<double>(m_nState) / 2147483648.0 - 1.0;
  }

 private:
  std::uint32_t m_nState;
};

// A saw with polyBLEP corrections at the wrap, so its top octaves do not
// alias into the audible band.
double BlepSaw(double phase, double increment) {
  double value = 2.0 * phase - 1.0;
  if (phase < increment) {
    const double x = phase / increment;
    value -= x + x - x * x - 1.0;
  } else if (phase > 1.0 - increment) {
    const double x = (phase - 1.0) / increment;
    value -= x * x + x + x + 1.0;
  }
  return value;
}

void AddKick(SStereoBuffer& out, std::size_t start, int rate) {
  double phase = 0.0;
  const std::size_t length = std::min(out.left.size() - start, static_cast<std::size_t>(0.45 * rate));
  for (std::size_t i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double frequency = 45.0 + 110.0 * std::exp(-t / 0.035);  // the sweep down
    phase += 2.0 * kPi * frequency / rate;
    const double value = 0.9 * std::sin(phase) * std::exp(-t / 0.16) * std::min(1.0, t * 2000.0);
    out.left[start + i] += static_cast<float>(value);
    out.right[start + i] += static_cast<float>(value);
  }
}

void AddSnare(SStereoBuffer& out, std::size_t start, int rate, CNoise& noise) {
  const std::size_t length = std::min(out.left.size() - start, static_cast<std::size_t>(0.3 * rate));
  double previous = 0.0;
  for (std::size_t i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double white = noise.Next();
    const double bright = white - 0.6 * previous;  // tilt the burst upwards
    previous = white;
    const double body = std::sin(2.0 * kPi * 190.0 * t) * std::exp(-t / 0.05);
    const double value = 0.35 * bright * std::exp(-t / 0.07) + 0.3 * body;
    out.left[start + i] += static_cast<float>(value * 1.02);  // a hair off centre
    out.right[start + i] += static_cast<float>(value * 0.98);
  }
}

void AddHat(SStereoBuffer& out, std::size_t start, int rate, CNoise& noise, double level) {
  const std::size_t length = std::min(out.left.size() - start, static_cast<std::size_t>(0.08 * rate));
  double previous = 0.0;
  for (std::size_t i = 0; i < length; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double white = noise.Next();
    const double high = white - previous;  // first difference: a steep high-pass
    previous = white;
    const double value = level * 0.5 * high * std::exp(-t / 0.018);
    out.left[start + i] += static_cast<float>(value * 0.95);
    out.right[start + i] += static_cast<float>(value * 1.05);
  }
}

// A minor chord of detuned saws through a gentle low-pass, with a slow
// swell. Both channels carry the same saws; only a faint extra pair of
// voices, detuned differently per side, tells them apart, so the image is
// narrow: nearly mono.
void AddPad(SStereoBuffer& out, int rate) {
  const double notes[] = {110.0, 220.0, 261.63, 329.63, 392.0};
  const double detune[] = {-0.004, 0.003, 0.0061, -0.0057};  // shared, shared, left only, right only
  const double weight[][2] = {{1.0, 1.0}, {1.0, 1.0}, {0.25, 0.0}, {0.0, 0.25}};
  double phase[5][4] = {};
  double low[2] = {0.0, 0.0};
  const double smoothing = 1.0 - std::exp(-2.0 * kPi * 1800.0 / rate);
  const double seconds = static_cast<double>(out.left.size()) / rate;
  for (std::size_t i = 0; i < out.left.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    double sum[2] = {0.0, 0.0};
    for (int n = 0; n < 5; ++n)
      for (int d = 0; d < 4; ++d) {
        const double increment = notes[n] * (1.0 + detune[d]) / rate;
        const double value = BlepSaw(phase[n][d], increment);
        sum[0] += weight[d][0] * value;
        sum[1] += weight[d][1] * value;
        phase[n][d] += increment;
        if (phase[n][d] >= 1.0) phase[n][d] -= 1.0;
      }
    const double swell = std::min({1.0, t / 1.0, (seconds - t) / 0.5}) * (0.8 + 0.2 * std::sin(2.0 * kPi * 0.25 * t));
    for (int c = 0; c < 2; ++c) low[c] += smoothing * (sum[c] - low[c]);
    out.left[i] += static_cast<float>(0.05 * swell * low[0]);
    out.right[i] += static_cast<float>(0.05 * swell * low[1]);
  }
}

}  // namespace

SStereoBuffer SynthesiseDemoMaterial(int sampleRate, double seconds) {
  SStereoBuffer out;
  const std::size_t frames = static_cast<std::size_t>(seconds * sampleRate);
  out.left.assign(frames, 0.0f);
  out.right.assign(frames, 0.0f);
  if (frames == 0) return out;
  CNoise noise(kSeed);
  AddPad(out, sampleRate);
  // Sixteenth-note grid: kick on 1 and 3 (and the last sixteenth before 3
  // every other bar), snare on 2 and 4, hats on the eighths, accented on
  // the beat.
  const double sixteenth = 60.0 / kTempo / 4.0;
  for (int step = 0; step * sixteenth < seconds; ++step) {
    const std::size_t start = static_cast<std::size_t>(step * sixteenth * sampleRate);
    if (start >= frames) break;
    const int inBar = step % 16;
    const bool oddBar = (step / 16) % 2 == 1;
    if (inBar == 0 || inBar == 8 || (oddBar && inBar == 7)) AddKick(out, start, sampleRate);
    if (inBar == 4 || inBar == 12) AddSnare(out, start, sampleRate, noise);
    if (inBar % 2 == 0) AddHat(out, start, sampleRate, noise, inBar % 4 == 0 ? 1.0 : 0.6);
  }
  float peak = 0.0f;
  for (std::size_t i = 0; i < frames; ++i) peak = std::max({peak, std::fabs(out.left[i]), std::fabs(out.right[i])});
  if (peak > 0.0f) {
    const float gain = static_cast<float>(std::pow(10.0, -1.0 / 20.0)) / peak;
    for (std::size_t i = 0; i < frames; ++i) {
      out.left[i] *= gain;
      out.right[i] *= gain;
    }
  }
  return out;
}

}  // namespace spanora
