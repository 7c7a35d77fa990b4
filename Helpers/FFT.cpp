#include "Helpers/FFT.h"

#include <fftw3.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>

#include <new>

#include "Helpers/ErrorReport.h"
#include "platform/DynamicLibrary.h"

namespace {

// FFTW's planner (plan creation and destruction) is not thread-safe, and two
// effects may be built or torn down on different host threads at once. The
// audio thread only executes plans, which needs no lock.
std::mutex& PlannerMutex() {
  static std::mutex mutex;
  return mutex;
}

// FFTW keeps tables in caches that live as long as the library. Were it
// unloaded together with a plug-in module that a host closes, those caches
// would be lost (and rebuilt at the next load): keep the library loaded.
__attribute__((constructor)) void PinFftwLibraries() {
  for (const char* name : {"libfftw3f.so.3", "libfftw3.so.3"}) platform::PinLoadedLibrary(name);
}

std::atomic<int> g_nLastStatus{0};
void SetStatus(int status) noexcept { g_nLastStatus.store(status, std::memory_order_relaxed); }

// Single- and double-precision FFTW behind one face.
template <class T>
struct Fftw;

template <>
struct Fftw<float> {
  using Complex = fftwf_complex;
  using Plan = fftwf_plan;
  // Forward runs on the caller's const input: ask for it to be preserved
  // (already the default for out-of-place real-to-complex, now explicit).
  static Plan PlanForward(int n, float* in, Complex* out) {
    return fftwf_plan_dft_r2c_1d(n, in, out, FFTW_ESTIMATE | FFTW_PRESERVE_INPUT);
  }
  // c2r always destroys its input; Backward hands it a private copy.
  static Plan PlanBackward(int n, Complex* in, float* out) {
    return fftwf_plan_dft_c2r_1d(n, in, out, FFTW_ESTIMATE | FFTW_DESTROY_INPUT);
  }
  static void Destroy(void* plan) { fftwf_destroy_plan(static_cast<Plan>(plan)); }
  static void ExecuteForward(void* plan, float* in, Complex* out) {
    fftwf_execute_dft_r2c(static_cast<Plan>(plan), in, out);
  }
  static void ExecuteBackward(void* plan, Complex* in, float* out) {
    fftwf_execute_dft_c2r(static_cast<Plan>(plan), in, out);
  }
  static int AlignmentOf(const void* p) { return fftwf_alignment_of(static_cast<float*>(const_cast<void*>(p))); }
};

template <>
struct Fftw<double> {
  using Complex = fftw_complex;
  using Plan = fftw_plan;
  static Plan PlanForward(int n, double* in, Complex* out) {
    return fftw_plan_dft_r2c_1d(n, in, out, FFTW_ESTIMATE | FFTW_PRESERVE_INPUT);
  }
  static Plan PlanBackward(int n, Complex* in, double* out) {
    return fftw_plan_dft_c2r_1d(n, in, out, FFTW_ESTIMATE | FFTW_DESTROY_INPUT);
  }
  static void Destroy(void* plan) { fftw_destroy_plan(static_cast<Plan>(plan)); }
  static void ExecuteForward(void* plan, double* in, Complex* out) {
    fftw_execute_dft_r2c(static_cast<Plan>(plan), in, out);
  }
  static void ExecuteBackward(void* plan, Complex* in, double* out) {
    fftw_execute_dft_c2r(static_cast<Plan>(plan), in, out);
  }
  static int AlignmentOf(const void* p) { return fftw_alignment_of(static_cast<double*>(const_cast<void*>(p))); }
};

template <class T>
typename Fftw<T>::Complex* AsFftw(Complex<T>* p) {
  return reinterpret_cast<typename Fftw<T>::Complex*>(p);
}

// Window coefficients: the single-precision numbers nearest the decimals, in
// both precisions.
constexpr float HAMMING_A0 = 0.53836f, HAMMING_A1 = 0.46164f;
constexpr float BLACKMAN_A0 = 0.42f, BLACKMAN_A2 = 0.08f;
constexpr float BH_A0 = 0.35875f, BH_A1 = 0.48829f, BH_A2 = 0.14128f, BH_A3 = 0.01168f;
constexpr double TWO_PI = 6.283185307179586476925286766559;

// Window value at index i. Double: everything in double. Float: the step is
// rounded once, every angle and every cosine is rounded to float, and the
// weighted sum (formed in double) is rounded to float.
template <class T>
struct WindowMath;

template <>
struct WindowMath<double> {
  double step;
  explicit WindowMath(int n) : step(n > 0 ? TWO_PI / n : 0.0) {}
  double Cos(int multiple, int i) const { return std::cos(multiple * step * i); }
  static double Round(double v) { return v; }
};

template <>
struct WindowMath<float> {
  float step;
  explicit WindowMath(int n) : step(static_cast<float>(n > 0 ? TWO_PI / n : 0.0)) {}
  double Cos(int multiple, int i) const {
    const float angle = multiple == 1 ? step * static_cast<float>(i)
                                      : static_cast<float>(multiple) * step * static_cast<float>(i);
    return static_cast<float>(std::cos(static_cast<double>(angle)));
  }
  static float Round(double v) { return static_cast<float>(v); }
};

template <class T>
T WindowValue(const WindowMath<T>& math, EWindowType type, int i) {
  switch (type) {
    case WINDOW_HAMMING:
      return math.Round(double(HAMMING_A0) - double(HAMMING_A1) * math.Cos(1, i));
    case WINDOW_HANN:
      return math.Round(0.5 - 0.5 * math.Cos(1, i));
    case WINDOW_BLACKMAN:
      return math.Round(double(BLACKMAN_A0) - 0.5 * math.Cos(1, i) + double(BLACKMAN_A2) * math.Cos(2, i));
    case WINDOW_BLACKMAN_HARRIS:
      return math.Round(double(BH_A0) - double(BH_A1) * math.Cos(1, i) + double(BH_A2) * math.Cos(2, i) -
                        double(BH_A3) * math.Cos(3, i));
    case WINDOW_RECTANGLE:
    default:
      return T(1);
  }
}

bool IsKnownWindow(EWindowType type) { return type >= 0 && type < NUM_WINDOW_TYPES; }

}  // namespace

const char* WindowTypeName(EWindowType type) noexcept {
  static const char* const names[NUM_WINDOW_TYPES] = {"Rectangle", "Hamming", "Hann", "Blackman",
                                                      "Blackman-Harris"};
  return IsKnownWindow(type) ? names[type] : "";
}

void FftMemoryDeleter::operator()(void* p) const noexcept { fftw_free(p); }

void* FftAllocateBytes(std::size_t bytes) {
  void* p = fftw_malloc(std::max<std::size_t>(bytes, 1));
  if (!p) throw std::bad_alloc();
  return p;
}

void FFT_Init() {}
void FFT_Deinit() {}
int FFT_LastStatus() noexcept { return g_nLastStatus.load(std::memory_order_relaxed); }

template <class T>
FFT<T>::FFT(int n) : m_n(n), m_scale(n > 0 ? T(1) / T(n) : T(0)) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (n < 1) return;
    m_pTime = AllocateFftArray<T>(static_cast<std::size_t>(n));
    m_pSpectrum = AllocateFftArray<Complex<T>>(static_cast<std::size_t>(n / 2 + 1));
    std::lock_guard<std::mutex> lock(PlannerMutex());
    // Estimated plans: construction stays fast and gives the same plan every
    // time; measuring would take seconds and run the transform meanwhile.
    m_pForwardPlan = Fftw<T>::PlanForward(n, m_pTime.get(), AsFftw(m_pSpectrum.get()));
    m_pBackwardPlan = Fftw<T>::PlanBackward(n, AsFftw(m_pSpectrum.get()), m_pTime.get());
    SetStatus(IsValid() ? 0 : -1);
  });
}

template <class T>
FFT<T>::~FFT() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_pForwardPlan && !m_pBackwardPlan) return;
    std::lock_guard<std::mutex> lock(PlannerMutex());
    if (m_pForwardPlan) Fftw<T>::Destroy(m_pForwardPlan);
    if (m_pBackwardPlan) Fftw<T>::Destroy(m_pBackwardPlan);
    SetStatus(0);
  });
}

template <class T>
void FFT<T>::Forward(Complex<T>* spectrumOut, const T* timeIn) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!IsValid() || !spectrumOut || !timeIn) return;
    const std::size_t bins = static_cast<std::size_t>(m_n / 2 + 1);
    // The plan may run on other arrays only with the alignment it was made
    // for; otherwise go through its own buffers. An out-of-place real-to-
    // complex plan made with FFTW_PRESERVE_INPUT leaves its input untouched,
    // so the const_cast is safe.
    const bool inAligned = Fftw<T>::AlignmentOf(timeIn) == Fftw<T>::AlignmentOf(m_pTime.get());
    const bool outAligned = Fftw<T>::AlignmentOf(spectrumOut) == Fftw<T>::AlignmentOf(m_pSpectrum.get());
    T* in = inAligned ? const_cast<T*>(timeIn) : m_pTime.get();
    Complex<T>* out = outAligned ? spectrumOut : m_pSpectrum.get();
    if (!inAligned) std::copy_n(timeIn, m_n, m_pTime.get());
    Fftw<T>::ExecuteForward(m_pForwardPlan, in, AsFftw(out));
    if (!outAligned) std::copy_n(m_pSpectrum.get(), bins, spectrumOut);
    SetStatus(0);
  });
}

template <class T>
void FFT<T>::Backward(const Complex<T>* spectrumIn, T* timeOut) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!IsValid() || !spectrumIn || !timeOut) return;
    const int bins = m_n / 2 + 1;
    // The complex-to-real transform overwrites its input: work on a copy so
    // the caller's spectrum survives, and make DC and Nyquist purely real.
    Complex<T>* spectrum = m_pSpectrum.get();
    std::copy_n(spectrumIn, bins, spectrum);
    spectrum[0].im = T(0);
    if (m_n % 2 == 0) spectrum[bins - 1].im = T(0);
    const bool outAligned = Fftw<T>::AlignmentOf(timeOut) == Fftw<T>::AlignmentOf(m_pTime.get());
    T* out = outAligned ? timeOut : m_pTime.get();
    Fftw<T>::ExecuteBackward(m_pBackwardPlan, AsFftw(spectrum), out);
    for (int i = 0; i < m_n; ++i) timeOut[i] = out[i] * m_scale;
    SetStatus(0);
  });
}

template <class T>
void FFT<T>::Window(T* data, int n, EWindowType type, WindowCache<T>* cache) {
  if (n < 0 || !IsKnownWindow(type)) return;
  if (cache && cache->Matches(n, type)) {
    if (data) {
      const T* w = cache->m_pValues.get();
      for (int i = 0; i <= n; ++i) data[i] *= w[i];
    }
    return;
  }
  T* values = nullptr;
  if (cache) {
    // Emptied first: if the allocation throws, the cache matches nothing and
    // the data have not been touched.
    cache->m_pValues.reset();
    cache->m_pValues = std::make_unique<T[]>(static_cast<std::size_t>(n) + 1);
    cache->m_n = n;
    cache->m_eType = type;
    values = cache->m_pValues.get();
  }
  const WindowMath<T> math(n);
  const bool scaleData = data && type != WINDOW_RECTANGLE;
  for (int i = 0; i <= n; ++i) {
    const T w = WindowValue<T>(math, type, i);
    if (values) values[i] = w;
    if (scaleData) data[i] *= w;
  }
}

template <class T>
void FFT<T>::ApplyWindow(T* data, int n, EWindowType type, WindowCache<T>* cache) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (data) Window(data, n, type, cache);
  });
}

template <class T>
void FFT<T>::PrepareWindow(int n, EWindowType type, WindowCache<T>* cache) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (cache) Window(nullptr, n, type, cache);
  });
}

template class FFT<float>;
template class FFT<double>;
