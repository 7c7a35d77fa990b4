#include "Helpers/FrequencyDataStore.h"

#include <algorithm>
#include <cmath>

#include "Helpers/ErrorReport.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {

constexpr auto RELAXED = std::memory_order_relaxed;

struct SizeFactor {
  int fftSize;
  float factor;
};
// Amplitude calibration of the displays per FFT size, and per window type.
constexpr SizeFactor SIZE_FACTORS[] = {
    {256, 15.700062f},   {512, 7.9788857f},    {1024, 4.289406f},      {2048, 1.9579611f},
    {4096, 1.0f},        {8192, 0.545135f},    {16384, 0.24315006f},   {32768, 0.12157503f},
    {65536, 0.060787514f}, {131072, 0.030393757f},
};
constexpr float WINDOW_FACTORS[NUM_WINDOW_TYPES] = {0.44878614f, 0.79302275f, 0.84693003f, 1.0f, 1.1625f};

// The weighting functions with the bin frequency in hertz put in as is.
double WeightA(double f) {
  return 7397049856.0 * f * f * f * f /
         ((f + 129.4) * (f + 129.4) * (f + 676.7) * (f + 4636.0) * (f + 76655.0) * (f + 76655.0));
}
double WeightB(double f) {
  return 5991849984.0 * f * f * f / ((f + 129.4) * (f + 129.4) * (f + 995.9) * (f + 76655.0) * (f + 76655.0));
}
double WeightC(double f) {
  return 5917969920.0 * f * f / ((f + 129.4) * (f + 129.4) * (f + 76655.0) * (f + 76655.0));
}
double WeightD(double f) {
  return 91104.32 * f * (f * f + 6532.0 * f + 40975000.0) /
         ((f + 1776.3) * (f + 7288.5) * (f * f + 21514.0 * f + 388360000.0));
}
double WeightTilt(double f, int decibelsPerOctave) {
  return std::pow(f / 1000.0, decibelsPerOctave * std::log(10.0) / (10.0 * std::log(2.0)));
}

void Pause() {
#if defined(__x86_64__) || defined(__i386__)
  _mm_pause();
#endif
}

// Counts a copy into a store for as long as it runs, whatever happens.
class CCopyScope {
 public:
  explicit CCopyScope(std::atomic<std::int32_t>& counter) : m_counter(counter) {
    m_counter.fetch_add(1, std::memory_order_acq_rel);
  }
  ~CCopyScope() { m_counter.fetch_sub(1, std::memory_order_acq_rel); }
  CCopyScope(const CCopyScope&) = delete;
  CCopyScope& operator=(const CCopyScope&) = delete;

 private:
  std::atomic<std::int32_t>& m_counter;
};

}  // namespace

const char* CFrequencyDataStore::WeightingName(int type) noexcept {
  static const char* const names[] = {"None", "A", "B", "C", "D", "1dB", "2dB", "3dB", "4dB", "5dB", "6dB"};
  return type >= 0 && type <= WEIGHTING_TILT_6DB ? names[type] : "";
}

void CFrequencyDataStore::CPowerView::CopyTo(double* out) const {
  for (int i = 0; i < m_nCount; ++i) out[i] = m_pValues[i].load(RELAXED);
}

CFrequencyDataStore::CFrequencyDataStore(int fftSize) : m_nHalfSize(std::max(fftSize / 2, 0)) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    const std::size_t bins = static_cast<std::size_t>(m_nHalfSize) + 1;
    m_pPower[0] = std::make_unique<std::atomic<double>[]>(bins);
    m_pPower[1] = std::make_unique<std::atomic<double>[]>(bins);
    m_pWeighting = std::make_unique<std::atomic<float>[]>(bins);
    for (std::size_t i = 0; i < bins; ++i) m_pWeighting[i].store(1.0f, RELAXED);
    SetUsingWindowFn(WINDOW_RECTANGLE);
    m_fWindowGain.store(1.0f, RELAXED);
    m_fDisplayGain.store(1.0f, RELAXED);
    Clear();
  });
  m_bConstructed.store(true, std::memory_order_release);
}

CFrequencyDataStore::~CFrequencyDataStore() = default;

void CFrequencyDataStore::WaitUntilConstructed() const {
  while (!m_bConstructed.load(std::memory_order_acquire)) Pause();
}

template <class T>
void CFrequencyDataStore::StoreValuesForGraph(const Complex<T>* spectrum, int /*count*/) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    WaitUntilConstructed();
    if (!spectrum || !m_pPower[0] || !m_pPower[1]) return;
    m_bCleared.store(false, RELAXED);
    m_bPublishSkipped.store(false, RELAXED);
    const bool frozen = m_bFrozen.load(std::memory_order_acquire);
    const int front = m_nFrontIndex.load(std::memory_order_acquire);
    const int target = frozen ? front : 1 - front;
    std::atomic<double>* power = m_pPower[target].get();
    for (int i = 0; i <= m_nHalfSize; ++i) {
      // Summed in the spectrum's own precision.
      const T p = spectrum[i].re * spectrum[i].re + spectrum[i].im * spectrum[i].im;
      power[i].store(static_cast<double>(p), RELAXED);
    }
    if (m_bComplexExist.load(std::memory_order_acquire)) {
      CAtomicComplex* bins = m_pComplex[target].get();
      for (int i = 0; i <= m_nHalfSize; ++i) {
        bins[i].re.store(static_cast<double>(spectrum[i].re), RELAXED);
        bins[i].im.store(static_cast<double>(spectrum[i].im), RELAXED);
      }
    }
    if (m_bApplyWeighting.load(RELAXED) && PrepareWeighting()) {
      for (int i = 0; i <= m_nHalfSize; ++i)
        power[i].store(power[i].load(RELAXED) * m_pWeighting[i].load(RELAXED), RELAXED);
    }
    if (frozen) return;
    if (m_nCopyInProgress.load(std::memory_order_acquire) < 1) {
      PublishBuffer(target);
    } else {
      m_bPublishSkipped.store(true, std::memory_order_release);
    }
  });
}

template void CFrequencyDataStore::StoreValuesForGraph<float>(const Complex<float>*, int);
template void CFrequencyDataStore::StoreValuesForGraph<double>(const Complex<double>*, int);

void CFrequencyDataStore::Publish() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    WaitUntilConstructed();
    PublishBuffer(1 - m_nFrontIndex.load(std::memory_order_acquire));
  });
}

void CFrequencyDataStore::PublishBuffer(int newFront) {
  if (!m_pPower[0] || !m_pPower[1]) return;
  m_nPublishCounter.fetch_add(1, std::memory_order_acq_rel);
  // The merge runs before the flip, into the buffer about to become the
  // front, so a reader never sees a half-merged front. The consumed flag is
  // taken and cleared in one step: a read that lands during the merge stays
  // recorded for the next publish.
  if (!m_bConsumed.exchange(false, std::memory_order_acq_rel)) {
    const std::atomic<double>* older = m_pPower[1 - newFront].get();
    std::atomic<double>* newer = m_pPower[newFront].get();
    for (int i = 0; i <= m_nHalfSize; ++i) {
      const double previous = older[i].load(RELAXED);
      if (previous > newer[i].load(RELAXED)) newer[i].store(previous, RELAXED);
    }
  }
  m_bPublishReserved.store(false, RELAXED);
  m_nFrontIndex.store(newFront, std::memory_order_release);
}

CFrequencyDataStore::CPowerView CFrequencyDataStore::BeginRead() {
  return kiv::Guard(KIV_SIGNATURE, CPowerView(), [&] {
    WaitUntilConstructed();
    m_nReadCounter.fetch_add(1, std::memory_order_acq_rel);
    m_bConsumed.store(true, std::memory_order_release);
    return PeekFront();
  });
}

CFrequencyDataStore::CPowerView CFrequencyDataStore::PeekFront() const {
  return kiv::Guard(KIV_SIGNATURE, CPowerView(), [&] {
    const int front = m_nFrontIndex.load(std::memory_order_acquire);
    if (!m_pPower[front]) return CPowerView();
    return CPowerView(m_pPower[front].get(), m_nHalfSize + 1);
  });
}

void CFrequencyDataStore::CatchUp() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_bPublishSkipped.exchange(false, std::memory_order_acq_rel))
      m_nFrontIndex.store(1 - m_nFrontIndex.load(std::memory_order_acquire), std::memory_order_release);
  });
}

void CFrequencyDataStore::Clear() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_nFrontIndex.store(0, std::memory_order_release);
    if (m_bCleared.load(std::memory_order_acquire)) return;
    for (int b = 0; b < 2; ++b) {
      if (m_pPower[b])
        for (int i = 0; i <= m_nHalfSize; ++i) m_pPower[b][i].store(0.0, RELAXED);
      if (m_pComplex[b])
        for (int i = 0; i <= m_nHalfSize; ++i) {
          m_pComplex[b][i].re.store(0.0, RELAXED);
          m_pComplex[b][i].im.store(0.0, RELAXED);
        }
    }
    m_bCleared.store(true, std::memory_order_release);
  });
}

void CFrequencyDataStore::CopyFrom(CFrequencyDataStore* other) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!other || other == this) return;
    CCopyScope copying(m_nCopyInProgress);
    if (other->m_nHalfSize != m_nHalfSize) return;
    m_nFrontIndex.store(other->m_nFrontIndex.load(std::memory_order_acquire), std::memory_order_release);
    for (int b = 0; b < 2; ++b) {
      if (!m_pPower[b] || !other->m_pPower[b]) continue;
      for (int i = 0; i <= m_nHalfSize; ++i) m_pPower[b][i].store(other->m_pPower[b][i].load(RELAXED), RELAXED);
    }
    if (m_pWeighting && other->m_pWeighting)
      for (int i = 0; i <= m_nHalfSize; ++i) m_pWeighting[i].store(other->m_pWeighting[i].load(RELAXED), RELAXED);
    m_fDisplayGain.store(other->m_fDisplayGain.load(RELAXED), RELAXED);
    m_bApplyWeighting.store(other->m_bApplyWeighting.load(RELAXED), RELAXED);
    m_nWeightingType.store(other->m_nWeightingType.load(RELAXED), RELAXED);
    m_nCurveWeightingType.store(other->m_nCurveWeightingType.load(RELAXED), RELAXED);
    m_fSampleRate.store(other->m_fSampleRate.load(RELAXED), RELAXED);
  });
}

void CFrequencyDataStore::SetUsingWindowFn(EWindowType window) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    const int fftSize = 2 * m_nHalfSize;
    float gain = 1.0f;
    for (const SizeFactor& entry : SIZE_FACTORS)
      if (entry.fftSize == fftSize) gain = entry.factor;
    if (window >= 0 && window < NUM_WINDOW_TYPES) gain *= WINDOW_FACTORS[window];
    m_fWindowGain.store(gain, RELAXED);
  });
}

bool CFrequencyDataStore::PrepareWeighting() {
  const int type = m_nWeightingType.load(RELAXED);
  if (type != m_nCurveWeightingType.load(RELAXED)) {
    ComputeWeightingCurve(type);
    m_nCurveWeightingType.store(type, RELAXED);
  }
  return type != WEIGHTING_NONE && m_pWeighting;
}

void CFrequencyDataStore::ComputeWeightingCurve(int type) {
  if (!m_pWeighting) return;
  const double binWidth = static_cast<double>(m_fSampleRate.load(RELAXED)) / (2.0 * std::max(m_nHalfSize, 1));
  for (int i = 0; i <= m_nHalfSize; ++i) {
    const double f = i * binWidth;
    double w = 1.0;
    switch (type) {
      case WEIGHTING_A: w = WeightA(f); break;
      case WEIGHTING_B: w = WeightB(f); break;
      case WEIGHTING_C: w = WeightC(f); break;
      case WEIGHTING_D: w = WeightD(f); break;
      default:
        if (type >= WEIGHTING_TILT_1DB && type <= WEIGHTING_TILT_6DB) w = WeightTilt(f, type - WEIGHTING_D);
        break;
    }
    m_pWeighting[i].store(static_cast<float>(w), RELAXED);
  }
  // Every curve is zero (or singular) at DC: DC takes the first bin's weight.
  if (m_nHalfSize >= 1) m_pWeighting[0].store(m_pWeighting[1].load(RELAXED), RELAXED);
}

void CFrequencyDataStore::ApplyEqualLoudnessFn(double* power) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!PrepareWeighting() || !power) return;
    for (int i = 0; i <= m_nHalfSize; ++i) power[i] *= m_pWeighting[i].load(RELAXED);
  });
}

void CFrequencyDataStore::KeepComplexSpectrum() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_bComplexExist.load(std::memory_order_acquire)) return;
    const std::size_t bins = static_cast<std::size_t>(m_nHalfSize) + 1;
    m_pComplex[0] = std::make_unique<CAtomicComplex[]>(bins);
    m_pComplex[1] = std::make_unique<CAtomicComplex[]>(bins);
    m_bComplexExist.store(true, std::memory_order_release);
  });
}

Complex<double> CFrequencyDataStore::GetComplexBin(int buffer, int bin) const {
  return kiv::Guard(KIV_SIGNATURE, Complex<double>{0.0, 0.0}, [&] {
    if (!HasComplexSpectrum() || buffer < 0 || buffer > 1 || bin < 0 || bin > m_nHalfSize)
      return Complex<double>{0.0, 0.0};
    return Complex<double>{m_pComplex[buffer][bin].re.load(RELAXED), m_pComplex[buffer][bin].im.load(RELAXED)};
  });
}

double CFrequencyDataStore::GetPower(int buffer, int bin) const {
  return kiv::Guard(KIV_SIGNATURE, 0.0, [&] {
    if (buffer < 0 || buffer > 1 || bin < 0 || bin > m_nHalfSize || !m_pPower[buffer]) return 0.0;
    return m_pPower[buffer][bin].load(RELAXED);
  });
}

float CFrequencyDataStore::GetWeight(int bin) const {
  return kiv::Guard(KIV_SIGNATURE, 0.0f, [&] {
    if (bin < 0 || bin > m_nHalfSize || !m_pWeighting) return 0.0f;
    return m_pWeighting[bin].load(RELAXED);
  });
}
