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

TYPED_TEST(FftTransform, UnalignedBuffersGiveTheSameResult) {
  using T = TypeParam;
  const int n = 256;
  FFT<T> fft(n);
  const std::vector<T> x = Noise<T>(n, 5);
  std::vector<Complex<T>> aligned(n / 2 + 1);
  fft.Forward(aligned.data(), x.data());

  // One element off any SIMD boundary on both sides.
  std::vector<T> shiftedIn(n + 1);
  std::copy(x.begin(), x.end(), shiftedIn.begin() + 1);
  std::vector<T> raw(2 * (n / 2 + 2) + 1);
  auto* shiftedOut = reinterpret_cast<Complex<T>*>(raw.data() + 1);
  fft.Forward(shiftedOut, shiftedIn.data() + 1);
  for (int k = 0; k <= n / 2; ++k) {
    EXPECT_EQ(shiftedOut[k].re, aligned[k].re);
    EXPECT_EQ(shiftedOut[k].im, aligned[k].im);
  }
  std::vector<T> back(n + 1);
  fft.Backward(shiftedOut, back.data() + 1);
  for (int i = 0; i < n; ++i) EXPECT_NEAR(back[i + 1], x[i], Eps<T>());
}

TEST(FftTransform, FloatAndDoubleAgree) {
  const int n = 1024;
  FFT<float> f(n);
  FFT<double> d(n);
  const std::vector<double> xd = Noise<double>(n, 9);
  std::vector<float> xf(xd.begin(), xd.end());
  std::vector<Complex<float>> sf(n / 2 + 1);
  std::vector<Complex<double>> sd(n / 2 + 1);
  f.Forward(sf.data(), xf.data());
  d.Forward(sd.data(), xd.data());
  for (int k = 0; k <= n / 2; ++k) {
    EXPECT_NEAR(sf[k].re, sd[k].re, 1e-3);
    EXPECT_NEAR(sf[k].im, sd[k].im, 1e-3);
  }
  FFT_Init();  // no work, and transforms do not depend on it
  FFT_Deinit();
  EXPECT_EQ(FFT_LastStatus(), 0);
}

// ---------------------------------------------------------------------------
// Windows

TEST(FftWindow, CacheReuseAndReplacement) {
  const std::vector<double> source = Noise<double>(1024, 2);
  WindowCache<double> cache;
  EXPECT_FALSE(cache.Matches(0, WINDOW_RECTANGLE));  // an empty cache matches nothing
  std::vector<double> rectangle = source;
  FFT<double>::ApplyWindow(rectangle.data(), 1023, WINDOW_RECTANGLE, &cache);
  EXPECT_EQ(rectangle, source);
  ASSERT_TRUE(cache.Matches(1023, WINDOW_RECTANGLE));
  EXPECT_EQ(cache.GetValues()[1023], 1.0);
  std::vector<double> first = source, second = source, fresh = source;
  FFT<double>::ApplyWindow(first.data(), 1023, WINDOW_BLACKMAN_HARRIS, &cache);
  const double* values = cache.GetValues();
  FFT<double>::ApplyWindow(second.data(), 1023, WINDOW_BLACKMAN_HARRIS, &cache);
  EXPECT_EQ(cache.GetValues(), values);  // no recomputation
  FFT<double>::ApplyWindow(fresh.data(), 1023, WINDOW_BLACKMAN_HARRIS, nullptr);
  EXPECT_EQ(0, std::memcmp(first.data(), second.data(), first.size() * sizeof(double)));
  EXPECT_EQ(0, std::memcmp(first.data(), fresh.data(), first.size() * sizeof(double)));

  // Same n, another type: recomputed and replaced.
  std::vector<double> ones(1024, 1.0);
  FFT<double>::ApplyWindow(ones.data(), 1023, WINDOW_HAMMING, &cache);
  EXPECT_TRUE(cache.Matches(1023, WINDOW_HAMMING));
  EXPECT_FALSE(cache.Matches(1023, WINDOW_BLACKMAN_HARRIS));
  EXPECT_EQ(cache.GetValues()[0], ones[0]);

  // An unknown type touches neither the data nor the cache, and nothing
  // matches it afterwards.
  std::vector<double> untouched = source;
  FFT<double>::ApplyWindow(untouched.data(), 1023, static_cast<EWindowType>(7), &cache);
  EXPECT_EQ(untouched, source);
  EXPECT_FALSE(cache.Matches(1023, static_cast<EWindowType>(7)));
  EXPECT_TRUE(cache.Matches(1023, WINDOW_HAMMING));
}

// Hann of five values; Hamming ends at a0 - a1 and peaks at a0 + a1 with
// a0 = 0.53836, a1 = 0.46164 as single-precision numbers, not the textbook
// 0.54/0.46 (ends 0.08). The double windows are held to the float ones below.
TEST(FftWindow, HannAndHammingValues) {
  std::vector<float> hann(5, 1.0f);
  FFT<float>::ApplyWindow(hann.data(), 4, WINDOW_HANN, nullptr);
  EXPECT_EQ(hann, (std::vector<float>{0.0f, 0.5f, 1.0f, 0.5f, 0.0f}));
  const double a0 = 0.5383599996566772, a1 = 0.46164000034332275;
  std::vector<double> d(9, 1.0);
  FFT<double>::ApplyWindow(d.data(), 8, WINDOW_HAMMING, nullptr);
  EXPECT_DOUBLE_EQ(d[0], a0 - a1);
  EXPECT_DOUBLE_EQ(d[8], a0 - a1);
  EXPECT_DOUBLE_EQ(d[4], a0 + a1);
}

TEST(FftWindow, FloatAndDoubleWindowsAgreeAndPrepareFillsCache) {
  for (EWindowType type : {WINDOW_HAMMING, WINDOW_HANN, WINDOW_BLACKMAN, WINDOW_BLACKMAN_HARRIS}) {
    std::vector<float> f(1024, 1.0f);
    std::vector<double> d(1024, 1.0);
    FFT<float>::ApplyWindow(f.data(), 1023, type, nullptr);
    FFT<double>::ApplyWindow(d.data(), 1023, type, nullptr);
    for (int i = 0; i < 1024; ++i) ASSERT_NEAR(f[i], d[i], 1e-6) << WindowTypeName(type) << " " << i;

    WindowCache<float> cache;
    FFT<float>::PrepareWindow(1023, type, &cache);
    ASSERT_TRUE(cache.Matches(1023, type));
    EXPECT_EQ(0, std::memcmp(cache.GetValues(), f.data(), f.size() * sizeof(float)));
  }
  EXPECT_STREQ(WindowTypeName(WINDOW_BLACKMAN_HARRIS), "Blackman-Harris");
}
