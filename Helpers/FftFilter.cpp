#include "Helpers/FftFilter.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "Helpers/ErrorReport.h"

template <class T>
FftFilter<T>::FftFilter(int n, FftFilterCallBack<T>* callback)
    : FreqDomainOperator<T>(n), m_nHop(n), m_pCallback(callback) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (n < 1) return;
    // If any allocation fails the filter stays inert: every operation checks
    // HasBuffers() first.
    m_pFrame = AllocateFftArray<T>(static_cast<std::size_t>(n));
    m_pSpectrum = AllocateFftArray<Complex<T>>(static_cast<std::size_t>(n / 2 + 1));
    m_pRing = std::make_unique<T[]>(static_cast<std::size_t>(4) * n);
    m_nRingLength = 4 * n;
    Clear();
  });
}

template <class T>
FftFilter<T>::~FftFilter() = default;

template <class T>
void FftFilter<T>::FrequencyDomainTransform() {
  if (m_pCallback) m_pCallback->Apply(m_nLength, m_pSpectrum.get());
}

template <class T>
void FftFilter<T>::ValuesIn(const float* in, int count) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    std::lock_guard<kiv::CSpinLock> lock(m_lock);
    ValuesInLocked(in, count);
  });
}

template <class T>
void FftFilter<T>::ValuesInLocked(const float* in, int count) {
  if (!HasBuffers() || !in || count <= 0) return;
  const int k = std::min(count, m_nHop - m_nFrameFill);
  T* frame = m_pFrame.get() + m_nFrameWrite;
  if (m_pInputDelay) {
    for (int i = 0; i < k; ++i) frame[i] = m_pInputDelay->Process(static_cast<T>(in[i]));
  } else {
    for (int i = 0; i < k; ++i) frame[i] = static_cast<T>(in[i]);
  }
  m_nFrameFill += k;
  m_nFrameWrite += k;
  if (m_nFrameFill < m_nHop) return;

  m_nFrameWrite = 0;
  m_nFrameFill = 0;
  if (m_bWindowEnabled) FFT<T>::ApplyWindow(m_pFrame.get(), m_nLength - 1, m_eWindowType, &m_windowCache);
  m_fft.Forward(m_pSpectrum.get(), m_pFrame.get());
  FrequencyDomainTransform();
  m_bFrameReady = true;
  if (count - k > 0) {
    m_pPendingIn = in + k;
    m_nPendingCount = count - k;
  }
}

template <class T>
bool FftFilter<T>::CompleteProcessing() {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    std::lock_guard<kiv::CSpinLock> lock(m_lock);
    return CompleteProcessingLocked();
  });
}

template <class T>
bool FftFilter<T>::CompleteProcessingLocked() {
  if (!HasBuffers() || !m_bFrameReady) return false;
  m_bFrameReady = false;
  m_fft.Backward(m_pSpectrum.get(), m_pFrame.get());
  OperateOverlap();
  // Frames are written whole: one that would run past the end starts over
  // at the ring start, and the reader wraps at the recorded end instead.
  if (m_nRingWrite + m_nHop > m_nRingLength) m_nRingWrite = 0;
  std::copy_n(m_pFrame.get(), m_nHop, m_pRing.get() + m_nRingWrite);
  m_nRingWrite += m_nHop;
  if (m_nRingWrite > m_nRingWrapEnd) m_nRingWrapEnd = m_nRingWrite;
  return true;
}

template <class T>
void FftFilter<T>::ValuesOut(float* out, int count) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    std::lock_guard<kiv::CSpinLock> lock(m_lock);
    if (!HasBuffers() || !out || count <= 0) return;
    if (m_nPendingCount > 0) {
      const float* pending = m_pPendingIn;
      const int pendingCount = m_nPendingCount;
      ValuesInLocked(pending, pendingCount);
      m_pPendingIn = nullptr;
      m_nPendingCount = 0;
    }
    // In pieces of at most one hop: the reader then never passes the
    // recorded end of the ring, whatever block size the host uses.
    while (count > 0) {
      const int piece = std::min(count, m_nHop);
      ValuesOutLocked(out, piece);
      out += piece;
      count -= piece;
    }
  });
}

template <class T>
void FftFilter<T>::ValuesOutLocked(float* out, int count) {
  const T* ring = m_pRing.get();
  if (m_nRingRead + count > m_nRingWrapEnd) {
    const int first = m_nRingWrapEnd - m_nRingRead;
    const int rest = count - first;
    std::transform(ring + m_nRingRead, ring + m_nRingWrapEnd, out, [](T v) { return static_cast<float>(v); });
    std::transform(ring, ring + rest, out + first, [](T v) { return static_cast<float>(v); });
    m_nRingWrapEnd = m_nRingWrite;
    m_nRingRead = rest;
  } else {
    std::transform(ring + m_nRingRead, ring + m_nRingRead + count, out, [](T v) { return static_cast<float>(v); });
    m_nRingRead += count;
    if (m_nRingRead >= m_nRingWrapEnd) {
      m_nRingRead = 0;
      m_nRingWrapEnd = m_nRingWrite;
    }
  }
}

template <class T>
void FftFilter<T>::Clear() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_nFrameFill = 0;
    m_nHop = m_nLength;
    m_nFrameWrite = 0;
    m_nRingRead = 0;
    m_nRingWrite = m_nRingWrapEnd = m_nHop;
    if (!HasBuffers()) return;
    std::fill_n(m_pFrame.get(), m_nLength, T(0));
    ClearOutput();
    std::fill_n(m_pSpectrum.get(), m_nLength / 2 + 1, Complex<T>{T(0), T(0)});
    if (m_pInputDelay) m_pInputDelay->Clear();
    m_bFrameReady = false;
    m_pPendingIn = nullptr;
    m_nPendingCount = 0;
  });
}

template <class T>
void FftFilter<T>::ClearOutput() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_pRing) std::fill_n(m_pRing.get(), m_nRingLength, T(0));
  });
}

template <class T>
bool FftFilter<T>::NotifyOfProcessingBlockSize(int blockSize) {
  return kiv::Guard(KIV_SIGNATURE, true, [&] {
    // A negative size counts as none: the reduction never goes below zero.
    m_nLatencyReduction = blockSize > 0 ? blockSize - 1 : 0;
    Clear();
    if (m_nHop - m_nLatencyReduction < 1) m_nLatencyReduction = m_nHop - 1;
    // Starting the reader r samples into the silent first hop brings the
    // first frame out r samples earlier.
    m_nRingRead += m_nLatencyReduction;
    return true;
  });
}

template <class T>
int FftFilter<T>::GetOutputLatency() {
  return kiv::Guard(KIV_SIGNATURE, 0, [&] { return std::max(m_nHop - m_nLatencyReduction, 0); });
}

template <class T>
void FftFilter<T>::PadWithExtraLatency(int samples) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    auto delay = std::make_unique<CDelayFilter<T>>(MAX_EXTRA_LATENCY, false);
    delay->SetDelay(std::min(samples, MAX_EXTRA_LATENCY));
    // Swapped in under the lock so a running ValuesIn never sees a line
    // being freed; the old one is freed after the lock is released.
    std::lock_guard<kiv::CSpinLock> lock(m_lock);
    std::swap(m_pInputDelay, delay);
  });
}

template <class T>
void FftFilter<T>::SetWindow(EWindowType type, bool enabled) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    WindowCache<T> cache;
    if (enabled) FFT<T>::PrepareWindow(m_nLength - 1, type, &cache);
    std::lock_guard<kiv::CSpinLock> lock(m_lock);
    std::swap(m_windowCache, cache);
    m_eWindowType = type;
    m_bWindowEnabled = enabled;
  });
}

template class FftFilter<float>;
template class FftFilter<double>;
