#pragma once
// Block FFT filter: turns host blocks of any size into frames of N samples,
// transforms each frame, lets a callback read or change the spectrum,
// transforms it back and plays the result out of an output ring with a fixed
// latency. Per host block the owner calls ValuesIn, CompleteProcessing, then
// ValuesOut (an analysis-only owner may skip ValuesOut).
#include <memory>

#include "Helpers/FFT.h"
#include "Helpers/RecursiveFilter.h"
#include "Helpers/SpinLock.h"

// Receives every frame's spectrum (n/2 + 1 bins for a frame of n samples) on
// the thread that called ValuesIn, with the filter's lock held; may change it
// in place. Runs on the audio thread: must not allocate, block or throw.
// Context the callback needs (such as its effect) lives in the object itself.
template <class T>
class FftFilterCallBack {
 public:
  virtual ~FftFilterCallBack() = default;
  virtual void Apply(int n, Complex<T>* spectrum) = 0;
};

// Owns the transform of length N.
template <class T>
class FreqDomainOperator {
 public:
  explicit FreqDomainOperator(int n) : m_fft(n), m_nLength(n) {}
  virtual ~FreqDomainOperator() = default;
  FreqDomainOperator(const FreqDomainOperator&) = delete;
  FreqDomainOperator& operator=(const FreqDomainOperator&) = delete;
  int GetLength() const { return m_nLength; }

 protected:
  FFT<T> m_fft;
  int m_nLength;
};

template <class T>
class FftFilter : public FreqDomainOperator<T> {
 public:
  static constexpr int MAX_EXTRA_LATENCY = 65536;

  // Allocates frame (N), spectrum (N/2 + 1) and output ring (4N), then Clear().
  FftFilter(int n, FftFilterCallBack<T>* callback);
  ~FftFilter() override;

 protected:
  // Hands the spectrum to the callback.
  virtual void FrequencyDomainTransform();
  // Overlap step between backward transform and output; none here.
  virtual void OperateOverlap() {}

 public:
  // Feeds input; a completed frame is transformed and handed to the callback.
  // A block that overfills the frame leaves its rest pending until ValuesOut.
  void ValuesIn(const float* in, int count);
  // Finishes the frame transformed since the last call, queues its output;
  // returns whether there was one.
  virtual bool CompleteProcessing();
  // Takes output samples (consuming any pending input first).
  void ValuesOut(float* out, int count);

  virtual void Clear();
  virtual void ClearOutput();
  // Shortens the latency to suit the host's block size; returns true.
  virtual bool NotifyOfProcessingBlockSize(int blockSize);
  // Samples between ValuesIn and ValuesOut (not counting PadWithExtraLatency).
  virtual int GetOutputLatency();
  // Delays the input by `samples` more (at most 65536). Allocates: call it
  // from set-up code, never from the audio thread.
  virtual void PadWithExtraLatency(int samples);

  // Windowing of each frame before the forward transform. Prepares the window
  // values here so the audio thread never computes or allocates them.
  void SetWindow(EWindowType type, bool enabled);

  int GetHop() const { return m_nHop; }
  // The spectrum of the last frame (N/2 + 1 bins).
  const Complex<T>* GetSpectrum() const { return m_pSpectrum.get(); }

 private:
  bool HasBuffers() const { return m_pFrame && m_pSpectrum && m_pRing; }
  void ValuesInLocked(const float* in, int count);
  void ValuesOutLocked(float* out, int count);
  bool CompleteProcessingLocked();

  using FreqDomainOperator<T>::m_fft;
  using FreqDomainOperator<T>::m_nLength;

  int m_nFrameFill = 0;
  int m_nHop = 0;
  FftArray<T> m_pFrame;
  FftArray<Complex<T>> m_pSpectrum;
  int m_nFrameWrite = 0;
  std::unique_ptr<T[]> m_pRing;
  int m_nRingLength = 0;
  int m_nRingWrapEnd = 0;
  int m_nRingWrite = 0;
  int m_nRingRead = 0;
  int m_nLatencyReduction = 0;
  bool m_bFrameReady = false;
  const float* m_pPendingIn = nullptr;
  int m_nPendingCount = 0;
  FftFilterCallBack<T>* m_pCallback;
  EWindowType m_eWindowType = WINDOW_RECTANGLE;
  bool m_bWindowEnabled = false;
  WindowCache<T> m_windowCache;
  std::unique_ptr<CDelayFilter<T>> m_pInputDelay;
  kiv::CSpinLock m_lock;
};

extern template class FftFilter<float>;
extern template class FftFilter<double>;
