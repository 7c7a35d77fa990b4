#pragma once
// Real-input discrete Fourier transform of fixed length over FFTW3, the
// complex bin type its spectra are made of, the analysis windows and a
// one-entry cache of computed window values.
//
// Spectrum layout: a transform of length N gives N/2 + 1 bins; bin k holds the
// component at k * fs / N, bin 0 is DC and bin N/2 the Nyquist frequency. In
// memory that is N + 2 values: re0, im0, re1, im1, ..., re(N/2), im(N/2).
#include <cstddef>
#include <cstdint>
#include <memory>

template <class T>
struct Complex {
  T re;  // left unset by default construction: owners clear their arrays
  T im;
};
static_assert(sizeof(Complex<float>) == 2 * sizeof(float), "bins must pack as re, im pairs");
static_assert(sizeof(Complex<double>) == 2 * sizeof(double), "bins must pack as re, im pairs");

enum EWindowType : std::int32_t {
  WINDOW_RECTANGLE = 0,
  WINDOW_HAMMING = 1,
  WINDOW_HANN = 2,
  WINDOW_BLACKMAN = 3,
  WINDOW_BLACKMAN_HARRIS = 4,
};
constexpr int NUM_WINDOW_TYPES = 5;
// "Rectangle", "Hamming", "Hann", "Blackman", "Blackman-Harris"; "" otherwise.
const char* WindowTypeName(EWindowType type) noexcept;

// Memory aligned the way the transform library wants it for its SIMD paths.
struct FftMemoryDeleter {
  void operator()(void* p) const noexcept;
};
template <class T>
using FftArray = std::unique_ptr<T[], FftMemoryDeleter>;
void* FftAllocateBytes(std::size_t bytes);  // throws std::bad_alloc
template <class T>
FftArray<T> AllocateFftArray(std::size_t count) {
  return FftArray<T>(static_cast<T*>(FftAllocateBytes(count * sizeof(T))));
}

// The last computed window: n + 1 values for a length argument n and a type.
template <class T>
class WindowCache {
 public:
  WindowCache() = default;
  // An empty cache never matches.
  bool Matches(int n, EWindowType type) const { return m_pValues && m_n == n && m_eType == type; }
  const T* GetValues() const { return m_pValues.get(); }
  int GetN() const { return m_n; }
  EWindowType GetType() const { return m_eType; }

 private:
  template <class>
  friend class FFT;
  std::unique_ptr<T[]> m_pValues;
  int m_n = 0;
  EWindowType m_eType = WINDOW_RECTANGLE;
};

// Out-of-place real transform of length n: Forward is unscaled, Backward is
// scaled by 1/n so that Backward(Forward(x)) == x. Construction and
// destruction take a process-wide planner lock (FFTW's planner is not
// thread-safe); the transforms themselves take no lock and never allocate.
template <class T>
class FFT {
 public:
  explicit FFT(int n);
  ~FFT();
  FFT(const FFT&) = delete;
  FFT& operator=(const FFT&) = delete;

  int GetLength() const { return m_n; }
  bool IsValid() const { return m_pForwardPlan && m_pBackwardPlan; }

  // Reads n samples, writes n/2 + 1 bins.
  void Forward(Complex<T>* spectrumOut, const T* timeIn);
  void Forward(int /*n*/, Complex<T>* spectrumOut, const T* timeIn) { Forward(spectrumOut, timeIn); }
  // Reads n/2 + 1 bins (never modified; the imaginary parts of DC and Nyquist
  // are ignored), writes n samples.
  void Backward(const Complex<T>* spectrumIn, T* timeOut);
  void Backward(int /*n*/, const Complex<T>* spectrumIn, T* timeOut) { Backward(spectrumIn, timeOut); }

  // Multiplies data[0 ... n] (n + 1 values) by the symmetric window of the
  // given type; `cache` may be null. Allocates only when the cache does not
  // match; an unknown type changes neither the data nor the cache.
  static void ApplyWindow(T* data, int n, EWindowType type, WindowCache<T>* cache);
  // Fills the cache for (n, type) without touching any data, so that a later
  // ApplyWindow on the audio thread finds it ready and does not allocate.
  static void PrepareWindow(int n, EWindowType type, WindowCache<T>* cache);

 private:
  static void Window(T* data, int n, EWindowType type, WindowCache<T>* cache);

  int m_n;
  void* m_pForwardPlan = nullptr;
  void* m_pBackwardPlan = nullptr;
  FftArray<T> m_pTime;             // n values: the plans' own time buffer
  FftArray<Complex<T>> m_pSpectrum;  // n/2 + 1 bins: the plans' own spectrum buffer
  T m_scale;
};

// Process-wide hooks of the transform library; nothing to do with FFTW.
void FFT_Init();
void FFT_Deinit();
// Status of the last plan, transform or free call (0 = fine, -1 = no plan);
// kept for inspection only, never acted on.
int FFT_LastStatus() noexcept;

extern template class FFT<float>;
extern template class FFT<double>;
