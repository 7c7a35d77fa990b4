#pragma once
// Deterministic test signals.
#include <random>
#include <vector>

// n samples of uniform white noise in -1..1 from `seed`.
inline std::vector<float> Noise(int n, unsigned seed = 1) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
  std::vector<float> v(static_cast<std::size_t>(n));
  for (float& x : v) x = dist(rng);
  return v;
}
