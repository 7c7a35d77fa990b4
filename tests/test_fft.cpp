#include "Helpers/FFT.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

template <class T>
std::vector<T> Noise(int n, unsigned seed = 1) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  std::vector<T> v(n);
  for (T& x : v) x = static_cast<T>(dist(rng));
  return v;
}

template <class T>
constexpr double Eps() {
  return std::is_same_v<T, float> ? 1e-5 : 1e-12;
}

}  // namespace

template <class T>
class FftTransform : public ::testing::Test {};
using SampleTypes = ::testing::Types<float, double>;
TYPED_TEST_SUITE(FftTransform, SampleTypes);

// An impulse has a flat spectrum and a constant only DC; a round trip gives
// the input back, leaves the spectrum alone and ignores the imaginary parts
// of DC and Nyquist.
TYPED_TEST(FftTransform, KnownSpectraAndRoundTrip) {
  using T = TypeParam;
  const int n = 512;
  FFT<T> fft(n);
  ASSERT_TRUE(fft.IsValid());
  std::vector<T> time(n, T(0)), back(n), again(n);
  std::vector<Complex<T>> spectrum(n / 2 + 1);
  time[0] = T(1);
  fft.Forward(spectrum.data(), time.data());
  for (const Complex<T>& bin : spectrum) {
    ASSERT_NEAR(bin.re, 1.0, Eps<T>());
    ASSERT_NEAR(bin.im, 0.0, Eps<T>());
  }
  std::fill(time.begin(), time.end(), T(1));
  fft.Forward(n, spectrum.data(), time.data());
  EXPECT_NEAR(spectrum[0].re, n, n * Eps<T>());
  for (int k = 1; k <= n / 2; ++k) ASSERT_NEAR(std::hypot(spectrum[k].re, spectrum[k].im), 0.0, n * Eps<T>());

  const std::vector<T> x = Noise<T>(n);
  time = x;
  fft.Forward(spectrum.data(), time.data());
  EXPECT_EQ(time, x);
  const std::vector<Complex<T>> saved = spectrum;
  fft.Backward(spectrum.data(), back.data());
  EXPECT_EQ(0, std::memcmp(saved.data(), spectrum.data(), saved.size() * sizeof(Complex<T>)));
  for (int i = 0; i < n; ++i) ASSERT_NEAR(back[i], x[i], Eps<T>());
  spectrum[0].im = T(5);
  spectrum[n / 2].im = T(-7);
  fft.Backward(spectrum.data(), again.data());
  EXPECT_EQ(back, again);
}

// ---------------------------------------------------------------------------
// Windows

// Hann of five values; Hamming ends at a0 - a1 and peaks at a0 + a1 with
// a0 = 0.53836, a1 = 0.46164 as single-precision numbers, not the textbook
// 0.54/0.46 (ends 0.08). The double windows are held to the float ones, and
// a prepared cache to the applied window.
TEST(FftWindow, ValuesInBothPrecisions) {
  std::vector<float> hann(5, 1.0f);
  FFT<float>::ApplyWindow(hann.data(), 4, WINDOW_HANN, nullptr);
  EXPECT_EQ(hann, (std::vector<float>{0.0f, 0.5f, 1.0f, 0.5f, 0.0f}));
  const double a0 = 0.5383599996566772, a1 = 0.46164000034332275;
  std::vector<double> d(9, 1.0);
  FFT<double>::ApplyWindow(d.data(), 8, WINDOW_HAMMING, nullptr);
  EXPECT_DOUBLE_EQ(d[0], a0 - a1);
  EXPECT_DOUBLE_EQ(d[8], a0 - a1);
  EXPECT_DOUBLE_EQ(d[4], a0 + a1);

  for (EWindowType type : {WINDOW_HAMMING, WINDOW_HANN, WINDOW_BLACKMAN, WINDOW_BLACKMAN_HARRIS}) {
    std::vector<float> f(1024, 1.0f);
    std::vector<double> g(1024, 1.0);
    FFT<float>::ApplyWindow(f.data(), 1023, type, nullptr);
    FFT<double>::ApplyWindow(g.data(), 1023, type, nullptr);
    for (int i = 0; i < 1024; ++i) ASSERT_NEAR(f[i], g[i], 1e-6) << WindowTypeName(type) << " " << i;
    WindowCache<float> cache;
    FFT<float>::PrepareWindow(1023, type, &cache);
    ASSERT_TRUE(cache.Matches(1023, type));
    EXPECT_EQ(0, std::memcmp(cache.GetValues(), f.data(), f.size() * sizeof(float)));
  }
}
