#pragma once
// Anti-denormal noise: a tiny random value (2^-67 ... 2^-66, random sign)
// added to each input sample keeps the recursive filters out of denormal
// numbers during silence. One 32-bit generator per channel.
#include <bit>
#include <cmath>
#include <cstdint>

namespace SpanoraNoiseDetail {
constexpr std::uint32_t MUL = 1234567u, ADD = 890123u;
constexpr int JUMP = 8;
// j + 1 steps of the generator at once: seed * mul[j] + add[j] (mod 2^32).
struct SJump {
  std::uint32_t mul[JUMP], add[JUMP];
};
constexpr SJump MakeJump() {
  SJump jump{};
  std::uint32_t m = 1, a = 0;
  for (int j = 0; j < JUMP; ++j) {
    m *= MUL;
    a = a * MUL + ADD;
    jump.mul[j] = m;
    jump.add[j] = a;
  }
  return jump;
}
inline constexpr SJump JUMPS = MakeJump();
}  // namespace SpanoraNoiseDetail

class CAntiDenormalNoise {
 public:
  CAntiDenormalNoise() { Reset(); }
  void Reset() {
    m_nSeed[0] = 600u;
    m_nSeed[1] = 598u;
  }

  static float FromSeed(std::uint32_t seed) { return std::bit_cast<float>((seed & 0x807F0000u) | 0x1E000000u); }
  // One step of the channel's generator.
  float Next(int channel) {
    m_nSeed[channel] = m_nSeed[channel] * MUL + ADD;
    return FromSeed(m_nSeed[channel]);
  }

  // x = in + noise over a run; returns false when the input holds a
  // non-finite sample. *peak takes the largest |x|.
  bool Process(int channel, const float* in, float* x, int n, float* peak) noexcept {
    // Eight steps at a time from the same seed (each jumps ahead from it), so
    // samples do not wait on each other's multiply and the eight vectorise;
    // modulo 2^32 the values are exactly those of single steps.
    std::uint32_t seed = m_nSeed[channel];
    float largest = *peak;
    std::uint32_t bad = 0;
    int k = 0;
    for (; k + JUMP <= n; k += JUMP) {
      std::uint32_t next[JUMP];
      for (int j = 0; j < JUMP; ++j) next[j] = seed * SpanoraNoiseDetail::JUMPS.mul[j] + SpanoraNoiseDetail::JUMPS.add[j];
      for (int j = 0; j < JUMP; ++j) {
        const float v = in[k + j] + FromSeed(next[j]);
        x[k + j] = v;
        const float a = std::fabs(v);
        largest = a > largest ? a : largest;
        bad |= (std::bit_cast<std::uint32_t>(v) & 0x7F800000u) == 0x7F800000u;
      }
      seed = next[JUMP - 1];
    }
    for (; k < n; ++k) {
      seed = seed * MUL + ADD;
      x[k] = in[k] + FromSeed(seed);
      const float a = std::fabs(x[k]);
      largest = a > largest ? a : largest;
      bad |= (std::bit_cast<std::uint32_t>(x[k]) & 0x7F800000u) == 0x7F800000u;
    }
    m_nSeed[channel] = seed;
    *peak = largest;
    return bad == 0;
  }

 private:
  static constexpr std::uint32_t MUL = SpanoraNoiseDetail::MUL, ADD = SpanoraNoiseDetail::ADD;
  static constexpr int JUMP = SpanoraNoiseDetail::JUMP;
  std::uint32_t m_nSeed[2];
};
