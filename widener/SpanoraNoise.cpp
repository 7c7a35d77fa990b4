#include "widener/SpanoraNoise.h"

#include <cstring>

namespace {

// x = in + noise, eight generator steps at a time from the same seed (each
// jumps ahead from it), so samples do not wait on each other's multiply and
// the eight vectorise; modulo 2^32 the values are exactly those of single
// steps. Returns the new seed; *top takes the largest |x| as bits (above
// 0x7F800000 only when some x is not finite). Built for AVX2 as well, where
// the 32-bit multiplies and maxima are single instructions.
[[gnu::target_clones("avx2", "default")]] std::uint32_t AddNoise(std::uint32_t seed, const float* in, float* x,
                                                                   int n, std::uint32_t* top) noexcept {
  using namespace SpanoraNoiseDetail;
  typedef std::uint32_t U __attribute__((vector_size(JUMP * sizeof(std::uint32_t))));
  typedef float F __attribute__((vector_size(JUMP * sizeof(float))));
  U mul, add;
  for (int j = 0; j < JUMP; ++j) {
    mul[j] = JUMPS.mul[j];
    add[j] = JUMPS.add[j];
  }
  U most{};
  int k = 0;
  for (; k + JUMP <= n; k += JUMP) {
    const U next = seed * mul + add;
    F v;
    std::memcpy(&v, in + k, sizeof v);
    v = v + reinterpret_cast<F>((next & 0x807F0000u) | 0x1E000000u);  // FromSeed, lane by lane
    std::memcpy(x + k, &v, sizeof v);
    const U bits = reinterpret_cast<U>(v) & 0x7FFFFFFFu;
    most = bits > most ? bits : most;
    seed = next[JUMP - 1];
  }
  std::uint32_t largest = 0;
  for (int j = 0; j < JUMP; ++j) largest = most[j] > largest ? most[j] : largest;
  for (; k < n; ++k) {
    seed = seed * MUL + ADD;
    x[k] = in[k] + CAntiDenormalNoise::FromSeed(seed);
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(x[k]) & 0x7FFFFFFFu;
    largest = bits > largest ? bits : largest;
  }
  *top = largest;
  return seed;
}

}  // namespace

bool CAntiDenormalNoise::Process(int channel, const float* in, float* x, int n, float* peak) noexcept {
  std::uint32_t top = 0;
  m_nSeed[channel] = AddNoise(m_nSeed[channel], in, x, n, &top);
  float largest = *peak;
  if (top < 0x7F800000u) {
    // All finite: for non-negative floats the order of the bits is the order
    // of the values.
    const float a = std::bit_cast<float>(top);
    *peak = a > largest ? a : largest;
    return true;
  }
  for (int k = 0; k < n; ++k) {  // the largest finite or infinite |x|; NaN is passed over
    const float a = std::fabs(x[k]);
    largest = a > largest ? a : largest;
  }
  *peak = largest;
  return false;
}
