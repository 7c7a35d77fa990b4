#pragma once
// Hand-over of analysis spectra from the audio thread to the editor's
// displays, without a lock. The writer turns each spectrum into per-bin power
// in the back buffer and publishes it by flipping the front index; between
// two reads the front keeps, per bin, the largest power of every block
// published since the last read, so a slow display misses no peak.
//
// Every value that crosses threads is atomic (buffer entries are relaxed
// atomics, which cost a plain load or store): a reader may still see a
// buffer that the writer is refilling, but never undefined behaviour.
#include <atomic>
#include <cstdint>
#include <memory>

#include "Helpers/FFT.h"

class CFrequencyDataStore {
 public:
  static constexpr float INITIAL_SAMPLE_RATE = 22005.0f;

  // Weighting types: 0 none, 1..4 the A, B, C and D curves, 5..10 a tilt of
  // 1..6 dB per octave of power about 1 kHz.
  static constexpr int WEIGHTING_NONE = 0;
  static constexpr int WEIGHTING_A = 1;
  static constexpr int WEIGHTING_B = 2;
  static constexpr int WEIGHTING_C = 3;
  static constexpr int WEIGHTING_D = 4;
  static constexpr int WEIGHTING_TILT_1DB = 5;
  static constexpr int WEIGHTING_TILT_6DB = 10;
  // "None", "A", "B", "C", "D", "1dB" ... "6dB"; "" otherwise.
  static const char* WeightingName(int type) noexcept;

  // A read-only look at one power buffer (half size + 1 bins).
  class CPowerView {
   public:
    CPowerView() = default;
    CPowerView(const std::atomic<double>* values, int count) : m_pValues(values), m_nCount(count) {}
    int GetCount() const { return m_nCount; }
    double operator[](int bin) const { return m_pValues[bin].load(std::memory_order_relaxed); }
    void CopyTo(double* out) const;

   private:
    const std::atomic<double>* m_pValues = nullptr;
    int m_nCount = 0;
  };

  explicit CFrequencyDataStore(int fftSize);
  ~CFrequencyDataStore();
  CFrequencyDataStore(const CFrequencyDataStore&) = delete;
  CFrequencyDataStore& operator=(const CFrequencyDataStore&) = delete;

  // --- writer (audio thread) ---
  // Stores the power of spectrum[0 ... half size] (the count is not used) and
  // publishes it, unless frozen or a copy into this store is running.
  template <class T>
  void StoreValuesForGraph(const Complex<T>* spectrum, int count);
  // Makes the back buffer the front, merging the old front in unless a reader
  // has consumed it. Also used to publish a frozen copy once.
  void Publish();

  // --- reader (editor thread) ---
  // Marks the front as consumed, counts the read and returns the front.
  CPowerView BeginRead();
  // The front without counting a read.
  CPowerView PeekFront() const;
  // Publishes what a store left unpublished because a copy was running.
  void CatchUp();
  // Front index 0; zeroes the buffers unless nothing was stored since the
  // last Clear.
  void Clear();
  // Copies the other store's buffers and display settings (same size only).
  void CopyFrom(CFrequencyDataStore* other);
  int GetCopyInProgress() const { return m_nCopyInProgress.load(std::memory_order_acquire); }
  // The width graph ends each frame by counting the copy counter down.
  void DecrementCopyInProgress() { m_nCopyInProgress.fetch_sub(1, std::memory_order_acq_rel); }

  // While frozen, stores overwrite the front in place and nothing is published.
  void SetFrozen(bool frozen) { m_bFrozen.store(frozen, std::memory_order_release); }
  bool IsFrozen() const { return m_bFrozen.load(std::memory_order_acquire); }

  // Window gain = FFT-size factor times the factor of `window`.
  void SetUsingWindowFn(EWindowType window);
  // Recomputes the weighting curve when the type changed, then weights
  // power[0 ... half size] unless the type is WEIGHTING_NONE.
  void ApplyEqualLoudnessFn(double* power);

  // Keeps the complex spectrum as well (allocates once; not from the audio
  // thread). Bins read back as zero until then.
  void KeepComplexSpectrum();
  bool HasComplexSpectrum() const { return m_bComplexExist.load(std::memory_order_acquire); }
  Complex<double> GetComplexBin(int buffer, int bin) const;

  int GetHalfSize() const { return m_nHalfSize; }
  int GetFrontIndex() const { return m_nFrontIndex.load(std::memory_order_acquire); }
  double GetPower(int buffer, int bin) const;
  std::int32_t GetPublishCounter() const { return m_nPublishCounter.load(std::memory_order_acquire); }
  std::int32_t GetReadCounter() const { return m_nReadCounter.load(std::memory_order_acquire); }
  bool IsPublishSkipped() const { return m_bPublishSkipped.load(std::memory_order_acquire); }
  bool IsConsumed() const { return m_bConsumed.load(std::memory_order_acquire); }
  bool IsConstructed() const { return m_bConstructed.load(std::memory_order_acquire); }

  bool GetUseWindowGain() const { return m_bUseWindowGain.load(std::memory_order_relaxed); }
  void SetUseWindowGain(bool use) { m_bUseWindowGain.store(use, std::memory_order_relaxed); }
  float GetWindowGain() const { return m_fWindowGain.load(std::memory_order_relaxed); }
  float GetDisplayGain() const { return m_fDisplayGain.load(std::memory_order_relaxed); }
  void SetDisplayGain(float gain) { m_fDisplayGain.store(gain, std::memory_order_relaxed); }
  bool GetApplyWeighting() const { return m_bApplyWeighting.load(std::memory_order_relaxed); }
  void SetApplyWeighting(bool apply) { m_bApplyWeighting.store(apply, std::memory_order_relaxed); }
  float GetSampleRate() const { return m_fSampleRate.load(std::memory_order_relaxed); }
  void SetSampleRate(float rate) { m_fSampleRate.store(rate, std::memory_order_relaxed); }
  int GetWeightingType() const { return m_nWeightingType.load(std::memory_order_relaxed); }
  void SetWeightingType(int type) { m_nWeightingType.store(type, std::memory_order_relaxed); }
  int GetCurveWeightingType() const { return m_nCurveWeightingType.load(std::memory_order_relaxed); }
  float GetWeight(int bin) const;

 private:
  void WaitUntilConstructed() const;
  void PublishBuffer(int newFront);
  // Brings the curve up to date; returns whether it is to be applied.
  bool PrepareWeighting();
  void ComputeWeightingCurve(int type);

  std::unique_ptr<std::atomic<double>[]> m_pPower[2];
  struct CAtomicComplex {
    std::atomic<double> re{0.0};
    std::atomic<double> im{0.0};
  };
  std::unique_ptr<CAtomicComplex[]> m_pComplex[2];
  std::atomic<int> m_nFrontIndex{0};
  int m_nHalfSize;
  std::atomic<std::int32_t> m_nCopyInProgress{0};
  std::atomic<bool> m_bFrozen{false};
  std::atomic<bool> m_bPublishSkipped{false};
  std::atomic<bool> m_bConsumed{false};
  std::atomic<bool> m_bPublishReserved{false};  // cleared by every publish; set by nothing yet
  std::atomic<std::int32_t> m_nPublishCounter{0};
  std::atomic<bool> m_bUseWindowGain{true};
  std::atomic<float> m_fWindowGain{1.0f};
  std::atomic<float> m_fDisplayGain{1.0f};
  std::atomic<bool> m_bApplyWeighting{false};
  std::atomic<float> m_fSampleRate{INITIAL_SAMPLE_RATE};
  std::unique_ptr<std::atomic<float>[]> m_pWeighting;
  std::atomic<int> m_nWeightingType{WEIGHTING_NONE};
  std::atomic<int> m_nCurveWeightingType{WEIGHTING_NONE};
  std::atomic<std::int32_t> m_nReadCounter{0};
  std::atomic<bool> m_bConstructed{false};
  std::atomic<bool> m_bComplexExist{false};
  std::atomic<bool> m_bCleared{false};
};

extern template void CFrequencyDataStore::StoreValuesForGraph<float>(const Complex<float>*, int);
extern template void CFrequencyDataStore::StoreValuesForGraph<double>(const Complex<double>*, int);
