#pragma once
// Anti-denormal noise: a tiny random value (2^-67 ... 2^-66, random sign)
// added to each input sample keeps the recursive filters out of denormal
// numbers during silence. One 32-bit generator per channel.
#include <bit>
#include <cmath>
#include <cstdint>

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
    // Two steps at a time from the same seed (the second jumps ahead), so
    // consecutive samples do not wait on each other's multiply; modulo 2^32
    // the values are exactly those of single steps.
    constexpr std::uint32_t kMul2 = MUL * MUL, kAdd2 = MUL * ADD + ADD;
    std::uint32_t seed = m_nSeed[channel];
    float largest = *peak;
    bool finite = true;
    int k = 0;
    for (; k + 1 < n; k += 2) {
      const std::uint32_t first = seed * MUL + ADD;
      seed = seed * kMul2 + kAdd2;
      const float x0 = in[k] + FromSeed(first);
      const float x1 = in[k + 1] + FromSeed(seed);
      x[k] = x0;
      x[k + 1] = x1;
      const float a0 = std::fabs(x0), a1 = std::fabs(x1);
      largest = a0 > largest ? a0 : largest;
      largest = a1 > largest ? a1 : largest;
      finite &= (a0 <= 3.402823466e38f) & (a1 <= 3.402823466e38f);
    }
    for (; k < n; ++k) {
      seed = seed * MUL + ADD;
      x[k] = in[k] + FromSeed(seed);
      const float a = std::fabs(x[k]);
      largest = a > largest ? a : largest;
      finite &= a <= 3.402823466e38f;
    }
    m_nSeed[channel] = seed;
    *peak = largest;
    return finite;
  }

 private:
  static constexpr std::uint32_t MUL = 1234567u, ADD = 890123u;
  std::uint32_t m_nSeed[2];
};
