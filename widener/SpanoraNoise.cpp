#include "widener/SpanoraNoise.h"

#define NOISE_FUNCTION AddAntiDenormalNoiseSse
#include "widener/SpanoraNoiseAdd.inc"

CAntiDenormalNoise::CAntiDenormalNoise()
    : m_pAdd(__builtin_cpu_supports("avx2") ? &AddAntiDenormalNoiseAvx2 : &AddAntiDenormalNoiseSse) {
  Reset();
}

bool CAntiDenormalNoise::Process(int channel, const float* in, float* x, int n, float* peak) noexcept {
  std::uint32_t top = 0;
  m_nSeed[channel] = m_pAdd(m_nSeed[channel], in, x, n, &top);
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
