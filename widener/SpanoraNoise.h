#pragma once
// Anti-denormal noise: a tiny random value (2^-67 ... 2^-66, random sign)
// added to each input sample keeps the recursive filters out of denormal
// numbers during silence. One 32-bit generator per channel.
#include <bit>
#include <cmath>
#include <cstdint>

namespace SpanoraNoiseDetail {
constexpr std::uint32_t MUL = 1234567u, ADD = 890123u;
constexpr int JUMP = 8;  // samples a vector
constexpr int SPAN = 32;  // samples that jump from one seed
// j + 1 steps of the generator at once: seed * mul[j] + add[j] (mod 2^32).
struct SJump {
  std::uint32_t mul[SPAN], add[SPAN];
};
constexpr SJump MakeJump() {
  SJump jump{};
  std::uint32_t m = 1, a = 0;
  for (int j = 0; j < SPAN; ++j) {
    m *= MUL;
    a = a * MUL + ADD;
    jump.mul[j] = m;
    jump.add[j] = a;
  }
  return jump;
}
inline constexpr SJump JUMPS = MakeJump();
}  // namespace SpanoraNoiseDetail

// The block loop, one per instruction set: returns the new seed; *top takes
// the largest |x| as bits.
std::uint32_t AddAntiDenormalNoiseSse(std::uint32_t seed, const float* in, float* x, int n,
                                      std::uint32_t* top) noexcept;
std::uint32_t AddAntiDenormalNoiseAvx2(std::uint32_t seed, const float* in, float* x, int n,
                                       std::uint32_t* top) noexcept;

class CAntiDenormalNoise {
 public:
  // Picks the widest block loop this CPU runs.
  CAntiDenormalNoise();
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
  bool Process(int channel, const float* in, float* x, int n, float* peak) noexcept;

 private:
  static constexpr std::uint32_t MUL = SpanoraNoiseDetail::MUL, ADD = SpanoraNoiseDetail::ADD;
  static constexpr int JUMP = SpanoraNoiseDetail::JUMP;
  std::uint32_t m_nSeed[2];
  std::uint32_t (*m_pAdd)(std::uint32_t, const float*, float*, int, std::uint32_t*) noexcept;
};
