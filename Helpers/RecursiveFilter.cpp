#include "Helpers/RecursiveFilter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Helpers/ErrorReport.h"

namespace {
// 2 pi rounded to single precision; the designs work in float throughout.
constexpr float TWO_PI_F = 6.2831854820251465f;
}  // namespace

CRecursiveFilterCore::CRecursiveFilterCore(int nA, int nB)
    : m_nA(std::clamp(nA, 0, MAX_COEFFICIENTS - 1)), m_nB(std::clamp(nB, 0, MAX_COEFFICIENTS - 1)) {
  Clear();
}

void CRecursiveFilterCore::Clear() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    std::fill(std::begin(m_fA), std::end(m_fA), 0.0f);
    std::fill(std::begin(m_fB), std::end(m_fB), 0.0f);
    ClearHistory();
  });
}

void CRecursiveFilterCore::ClearHistory() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    std::fill(std::begin(m_fInput), std::end(m_fInput), 0.0f);
    std::fill(std::begin(m_fOutput), std::end(m_fOutput), 0.0f);
    m_nRingIndex = 0;
  });
}

void CRecursiveFilterCore::SetFeedforward(int i, float value) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (i >= 0 && i < MAX_COEFFICIENTS) m_fA[i] = value;
  });
}

void CRecursiveFilterCore::SetFeedback(int i, float value) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (i >= 0 && i < MAX_COEFFICIENTS) m_fB[i] = value;
  });
}

float CRecursiveFilterCore::GetFeedforward(int i) const {
  return kiv::Guard(KIV_SIGNATURE, 0.0f, [&] { return i >= 0 && i < MAX_COEFFICIENTS ? m_fA[i] : 0.0f; });
}

float CRecursiveFilterCore::GetFeedback(int i) const {
  return kiv::Guard(KIV_SIGNATURE, 0.0f, [&] { return i >= 0 && i < MAX_COEFFICIENTS ? m_fB[i] : 0.0f; });
}

float CRecursiveFilterCore::GetInputHistory(int k) const {
  return kiv::Guard(KIV_SIGNATURE, 0.0f, [&] {
    if (k < 0 || k >= HISTORY_LENGTH) return 0.0f;
    return m_fInput[(m_nRingIndex - k + HISTORY_LENGTH) % HISTORY_LENGTH];
  });
}

float CRecursiveFilterCore::GetOutputHistory(int k) const {
  return kiv::Guard(KIV_SIGNATURE, 0.0f, [&] {
    if (k < 0 || k >= HISTORY_LENGTH) return 0.0f;
    return m_fOutput[(m_nRingIndex - k + HISTORY_LENGTH) % HISTORY_LENGTH];
  });
}

void CRecursiveFilterCore::DesignNarrowBand(float f, float bw, bool bandPass) {
  const float r = 1.0f - 3.0f * bw;
  const float c = std::cos(TWO_PI_F * f);
  const float k = (1.0f - 2.0f * r * c + r * r) / (2.0f - 2.0f * c);
  if (bandPass) {
    m_fA[0] = 1.0f - k;
    m_fA[1] = 2.0f * (k - r) * c;
    m_fA[2] = r * r - k;
  } else {
    m_fA[0] = k;
    m_fA[1] = -2.0f * k * c;
    m_fA[2] = k;
  }
  m_fB[1] = 2.0f * r * c;
  m_fB[2] = -(r * r);
  m_design.frequency = f;
  m_design.bandwidthOrQ = bw;
}

void CRecursiveFilterCore::DesignNotch(float f, float bw) {
  kiv::Guard(KIV_SIGNATURE, [&] { DesignNarrowBand(f, bw, false); });
}

void CRecursiveFilterCore::DesignBandPass(float f, float bw) {
  kiv::Guard(KIV_SIGNATURE, [&] { DesignNarrowBand(f, bw, true); });
}

void CRecursiveFilterCore::DesignBiquad(float frequency, float q, float sampleRate, float gain, int type) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (type == BIQUAD_KEEP_TYPE) type = m_design.type;
    // The other cookbook responses (band-pass, notch, peaking, shelves, ...)
    // are not implemented: nothing here uses them, so they change nothing.
    if (type != BIQUAD_LOWPASS && type != BIQUAD_HIGHPASS) return;
    const float omega = TWO_PI_F * frequency / sampleRate;
    const float alpha = std::sin(omega) / (2.0f * q);
    const float c = std::cos(omega);
    const float norm = 1.0f + alpha;
    if (type == BIQUAD_LOWPASS) {
      m_fA[0] = (1.0f - c) / 2.0f / norm;
      m_fA[1] = (1.0f - c) / norm;
      m_fA[2] = (1.0f - c) / 2.0f / norm;
    } else {
      m_fA[0] = (1.0f + c) / 2.0f / norm;
      m_fA[1] = -(1.0f + c) / norm;
      m_fA[2] = (1.0f + c) / 2.0f / norm;
    }
    m_fB[1] = 2.0f * c / norm;
    m_fB[2] = -(1.0f - alpha) / norm;
    m_design = DesignValues{frequency, q, sampleRate, omega, c, alpha, gain, type};
  });
}

void CRecursiveFilterCore::ScaleTowardsIdentity(float g) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_fA[0] = 1.0f - g + g * m_fA[0];
    for (int i = 1; i <= m_nA; ++i) m_fA[i] *= g;
    for (int i = 1; i <= m_nB; ++i) m_fB[i] *= g;
  });
}

float CRecursiveFilterCore::ProcessGeneral(float x) noexcept {
  // Newest history sample sits at the ring index, older ones before it.
  float y = m_fA[0] * x;
  int index = m_nRingIndex;
  for (int k = 1; k <= m_nA || k <= m_nB; ++k) {
    if (k <= m_nA) y += m_fA[k] * m_fInput[index];
    if (k <= m_nB) y += m_fB[k] * m_fOutput[index];
    index = Previous(index);
  }
  const int next = Next(m_nRingIndex);
  m_nRingIndex = next;
  m_fInput[next] = x;
  m_fOutput[next] = y;
  return y;
}

void CRecursiveFilterCore::Process(const float* in, float* out, int n) noexcept {
  if (n <= 0) return;
  if (m_nA != 2 || m_nB != 2) {
    for (int i = 0; i < n; ++i) out[i] = ProcessGeneral(in[i]);
    return;
  }
  CRecursiveFilterCore* self[1] = {this};
  const float* ins[1] = {in};
  float* outs[1] = {out};
  ProcessGroup<1>(self, ins, outs, n);
}

void CRecursiveFilterCore::ProcessSeries(CRecursiveFilterCore& first, CRecursiveFilterCore& second, const float* in,
                                         float* out, int n) noexcept {
  if (n <= 0) return;
  if (first.m_nA != 2 || first.m_nB != 2 || second.m_nA != 2 || second.m_nB != 2 || n > 4096) {
    first.Process(in, out, n);
    second.Process(out, out, n);
    return;
  }
  const float a1[3] = {first.m_fA[0], first.m_fA[1], first.m_fA[2]};
  const float b1[3] = {0.0f, first.m_fB[1], first.m_fB[2]};
  const float a2[3] = {second.m_fA[0], second.m_fA[1], second.m_fA[2]};
  const float b2[3] = {0.0f, second.m_fB[1], second.m_fB[2]};
  const int i1 = first.m_nRingIndex, i2 = second.m_nRingIndex;
  float fx1 = first.m_fInput[i1], fx2 = first.m_fInput[Previous(i1)];
  float fy1 = first.m_fOutput[i1], fy2 = first.m_fOutput[Previous(i1)];
  float sx1 = second.m_fInput[i2], sx2 = second.m_fInput[Previous(i2)];
  float sy1 = second.m_fOutput[i2], sy2 = second.m_fOutput[Previous(i2)];
  const int tail = n < HISTORY_LENGTH ? n : HISTORY_LENGTH;
  float inTail[HISTORY_LENGTH], midTail[HISTORY_LENGTH];
  for (int k = 0; k < tail; ++k) inTail[k] = in[n - tail + k];
  for (int k = 0; k < n; ++k) {
    const float x = in[k];
    const float mid = BiquadStep(a1, b1, x, fx1, fx2, fy1, fy2);
    fx2 = fx1;
    fx1 = x;
    fy2 = fy1;
    fy1 = mid;
    const float y = BiquadStep(a2, b2, mid, sx1, sx2, sy1, sy2);
    sx2 = sx1;
    sx1 = mid;
    sy2 = sy1;
    sy1 = y;
    if (k >= n - tail) midTail[k - (n - tail)] = mid;
    out[k] = y;
  }
  first.WriteBackHistory(inTail, midTail, n);
  second.WriteBackHistory(midTail, out + (n - tail), n);
}

void CRecursiveFilterCore::WriteBackHistory(const float* inTail, const float* outTail, int n, int stride,
                                            int tailLength) noexcept {
  // Only the newest HISTORY_LENGTH samples of a block survive in the rings;
  // they land exactly where sample-by-sample processing would have put them.
  const int limit = std::clamp(tailLength, 2, static_cast<int>(HISTORY_LENGTH));
  const int tail = n < limit ? n : limit;
  const int last = (m_nRingIndex + n) % HISTORY_LENGTH;
  int index = last - tail + 1;
  if (index < 0) index += HISTORY_LENGTH;
  int k = 0;
  while (k < tail) {
    const int run = std::min(tail - k, HISTORY_LENGTH - index);
    for (int j = 0; j < run; ++j, ++k) {
      m_fInput[index + j] = inTail[k * stride];
      m_fOutput[index + j] = outTail[k * stride];
    }
    index = 0;
  }
  m_nRingIndex = last;
}

// ---------------------------------------------------------------------------

template <class T>
CDelayBuffer<T>::CDelayBuffer(int maxDelay) : m_nMaxDelay(std::max(maxDelay, 1)) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_pBuffer = std::make_unique<T[]>(static_cast<size_t>(m_nMaxDelay) + 1);
    Clear();
  });
}

template <class T>
CDelayBuffer<T>::~CDelayBuffer() = default;

template <class T>
void CDelayBuffer<T>::Clear() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_pBuffer) std::fill_n(m_pBuffer.get(), m_nMaxDelay + 1, T(0));
    m_nWrite = 0;
  });
}

template <class T>
bool CDelayBuffer<T>::CopyFrom(const CDelayBuffer& other, int samples) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (other.m_nMaxDelay != m_nMaxDelay || !m_pBuffer || !other.m_pBuffer) return false;
    if (&other == this) return true;
    m_nWrite = other.m_nWrite;
    const int size = m_nMaxDelay + 1;
    int count = samples < 0 ? size : std::clamp(samples + 1, 1, size);
    // The newest `count` samples end at the write index; copy them in at most
    // two contiguous pieces.
    int start = m_nWrite - count + 1;
    if (start < 0) {
      std::copy_n(other.m_pBuffer.get() + start + size, -start, m_pBuffer.get() + start + size);
      count += start;
      start = 0;
    }
    std::copy_n(other.m_pBuffer.get() + start, count, m_pBuffer.get() + start);
    return true;
  });
}

template <class T>
CDelayFilter<T>::CDelayFilter(int maxDelay, bool startAtMax)
    : m_Buffer(maxDelay), m_nDelay(startAtMax ? m_Buffer.GetMaxDelay() : 0) {}

template <class T>
void CDelayFilter<T>::SetDelay(int delay) {
  m_nDelay = std::clamp(delay, 0, m_Buffer.GetMaxDelay());
}

template <class T>
bool CDelayFilter<T>::CopyStateFrom(const CDelayFilter& other) {
  return CopyRecentStateFrom(other, -1);
}

template <class T>
bool CDelayFilter<T>::CopyRecentStateFrom(const CDelayFilter& other, int samples) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (!m_Buffer.CopyFrom(other.m_Buffer, samples)) return false;
    m_nDelay = other.m_nDelay;
    return true;
  });
}

template <class T>
CFloatDelayFilter<T>::CFloatDelayFilter(int maxDelay, bool startAtMax)
    : m_Buffer(maxDelay), m_fDelay(startAtMax ? static_cast<float>(m_Buffer.GetMaxDelay()) : 0.0f) {}

template <class T>
void CFloatDelayFilter<T>::SetDelay(float delay) {
  // Written so that NaN falls to 0: a negative or NaN delay would read
  // outside the buffer.
  m_fDelay = delay > 0.0f ? std::min(delay, static_cast<float>(m_Buffer.GetMaxDelay())) : 0.0f;
}

template <class T>
bool CFloatDelayFilter<T>::CopyStateFrom(const CFloatDelayFilter& other) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (!m_Buffer.CopyFrom(other.m_Buffer)) return false;
    m_fDelay = other.m_fDelay;
    return true;
  });
}

template class CDelayBuffer<float>;
template class CDelayBuffer<double>;
template class CDelayFilter<float>;
template class CDelayFilter<double>;
template class CFloatDelayFilter<float>;
template class CFloatDelayFilter<double>;
