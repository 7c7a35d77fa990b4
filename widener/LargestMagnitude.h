#pragma once
// The peak measure the audio path shares: the largest of `largest` and every
// |v[k]|, NaN passed over (an infinity counts), four lanes at a time. Each
// lane keeps the largest of its share, so the result is the sample-by-sample
// one.
#include <cmath>
#include <cstdint>
#include <cstring>

inline float LargestMagnitude(const float* v, int n, float largest) noexcept {
  typedef float V4 __attribute__((vector_size(16)));
  typedef std::uint32_t U4 __attribute__((vector_size(16)));
  V4 most = V4{} + largest;
  int k = 0;
  for (; k + 4 <= n; k += 4) {
    V4 a;
    std::memcpy(&a, v + k, sizeof a);
    a = reinterpret_cast<V4>(reinterpret_cast<U4>(a) & 0x7FFFFFFFu);
    most = a > most ? a : most;
  }
  for (int j = 0; j < 4; ++j) largest = most[j] > largest ? most[j] : largest;
  for (; k < n; ++k) {
    const float a = std::fabs(v[k]);
    largest = a > largest ? a : largest;
  }
  return largest;
}
