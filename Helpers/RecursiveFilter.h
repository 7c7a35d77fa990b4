#pragma once
// Time-domain building blocks of the widener: a direct-form recursive filter
// core with its coefficient designs, an integer delay line and a fractional
// delay line with four-point cubic interpolation. All storage is fixed at
// construction; the per-sample operations never allocate, lock or throw.
#include <algorithm>
#include <memory>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

// Direct-form recursive filter with up to 20 feedforward and 20 feedback
// coefficients. Past inputs and outputs live in two rings of 51 samples that
// share one index (the newest sample). Feedback coefficients carry their sign:
// a denominator 1 + A1 z^-1 + A2 z^-2 is stored as b1 = -A1, b2 = -A2.
class CRecursiveFilterCore {
 public:
  static constexpr int HISTORY_LENGTH = 51;
  static constexpr int MAX_COEFFICIENTS = 21;

  // Cookbook design types served by DesignBiquad. Only the low-pass and the
  // high-pass are implemented (they are all the widener uses); every other
  // type leaves the filter as it is.
  static constexpr int BIQUAD_LOWPASS = 3;
  static constexpr int BIQUAD_HIGHPASS = 4;
  static constexpr int BIQUAD_KEEP_TYPE = 9;

  CRecursiveFilterCore(int nA = 2, int nB = 2);

  // Zeroes all coefficients, both rings and the ring index.
  void Clear();
  // Zeroes only the rings (coefficients stay): a silent restart.
  void ClearHistory();

  void SetFeedforward(int i, float value);
  void SetFeedback(int i, float value);
  float GetFeedforward(int i) const;
  float GetFeedback(int i) const;
  int GetFeedforwardCount() const { return m_nA; }
  int GetFeedbackCount() const { return m_nB; }

  // Narrow-band designs at normalised frequency f (cycles per sample) and
  // bandwidth bw; a notch and a band-pass at the same f and bw sum to one.
  void DesignNotch(float f, float bw);
  void DesignBandPass(float f, float bw);
  // Cookbook biquad at `frequency` Hz; `type` BIQUAD_KEEP_TYPE reuses the type
  // of the previous design.
  void DesignBiquad(float frequency, float q, float sampleRate, float gain, int type);
  // Blends the filter towards a wire: g = 1 leaves it, g = 0 passes input.
  void ScaleTowardsIdentity(float g);

  // One sample. The second-order case (the widener's) has its own fast path.
  float Process(float x) noexcept;
  // A block; `in` and `out` may be the same array. Bit-identical to calling
  // Process(x) for every sample, but keeps the state in registers.
  void Process(const float* in, float* out, int n) noexcept;
  // N second-order filters over blocks of the same length, interleaved so
  // their recursions overlap; each is bit-identical to its own block Process.
  // Every in[i] may equal its out[i], but must not alias another filter's.
  // Two second-order filters in series over a block (first, then second),
  // sample by sample so that both recursions run at once; identical to two
  // block passes. `in` may equal `out`.
  static void ProcessSeries(CRecursiveFilterCore& first, CRecursiveFilterCore& second, const float* in, float* out,
                            int n) noexcept;
  template <int N>
  static void ProcessGroup(CRecursiveFilterCore* const (&filters)[N], const float* const (&in)[N],
                           float* const (&out)[N], int n) noexcept;

  // The second-order coefficients and the two newest samples of each ring,
  // for kernels that step many filters in their own layout.
  struct SBiquadState {
    float a0, a1, a2, b1, b2;
    float x1, x2, y1, y2;  // x1, y1 the newest
    // One sample: the arithmetic of BiquadStep, then the history moves on.
    float Step(float x) noexcept;
  };
  SBiquadState GetBiquadState() const noexcept {
    const int i1 = m_nRingIndex, i2 = Previous(i1);
    return {m_fA[0], m_fA[1], m_fA[2], m_fB[1], m_fB[2], m_fInput[i1], m_fInput[i2], m_fOutput[i1], m_fOutput[i2]};
  }
  // Leaves the rings as n single steps would have left them, as far as the
  // recursion reads them: the two newest samples (older entries keep their
  // values). For owners that only step the filter.
  void ResumeAfterSteps(const SBiquadState& state, int n) noexcept {
    if (n <= 0) return;
    // Inline and without a loop: the fused loops call this for every filter
    // after every run, and short runs make that a cost. (After one step the
    // older pair is what the ring held as the newest: rewriting it is exact.)
    const int last = (m_nRingIndex + n) % HISTORY_LENGTH, previous = Previous(last);
    m_fInput[previous] = state.x2;
    m_fOutput[previous] = state.y2;
    m_fInput[last] = state.x1;
    m_fOutput[last] = state.y1;
    m_nRingIndex = last;
  }

  // The rings as anyone looking at the filter sees them: k = 0 is the newest
  // sample, k = 1 the one before, and so on.
  int GetRingIndex() const { return m_nRingIndex; }
  float GetInputHistory(int k) const;
  float GetOutputHistory(int k) const;

  // Values of the last design.
  struct DesignValues {
    float frequency = 0.0f;  // normalised, or Hz for the cookbook design
    float bandwidthOrQ = 0.0f;
    float sampleRate = 0.0f;
    float omega = 0.0f;
    float cosOmega = 0.0f;
    float alpha = 0.0f;
    float gain = 0.0f;
    int type = 0;
  };
  const DesignValues& GetDesignValues() const { return m_design; }

 private:
  static int Previous(int index) noexcept { return index == 0 ? HISTORY_LENGTH - 1 : index - 1; }
  static int Next(int index) noexcept { return index == HISTORY_LENGTH - 1 ? 0 : index + 1; }
  float ProcessGeneral(float x) noexcept;
  friend class CBiquadQuad;
  // Leaves the rings as n single calls with these inputs and outputs would;
  // the tails hold the last min(n, HISTORY_LENGTH) samples, `stride` apart.
  void WriteBackHistory(const float* inTail, const float* outTail, int n, int stride = 1,
                        int tailLength = HISTORY_LENGTH) noexcept;
  void DesignNarrowBand(float f, float bw, bool bandPass);

  float m_fInput[HISTORY_LENGTH];
  int m_nA;
  float m_fA[MAX_COEFFICIENTS];
  float m_fOutput[HISTORY_LENGTH];
  int m_nB;
  float m_fB[MAX_COEFFICIENTS];
  int m_nRingIndex;
  DesignValues m_design;
};

// The second-order step, shared by the single-sample and the block forms so
// that all evaluate exactly the same expression in the same order. The terms
// of past samples are summed first: the new input then reaches the output
// through one multiply and one add, which keeps chains of filters fast.
inline float BiquadStep(const float* a, const float* b, float x, float x1, float x2, float y1,
                        float y2) noexcept {
  return (((a[1] * x1 + a[2] * x2) + b[2] * y2) + b[1] * y1) + a[0] * x;
}

inline float CRecursiveFilterCore::SBiquadState::Step(float x) noexcept {
  const float y = (((a1 * x1 + a2 * x2) + b2 * y2) + b1 * y1) + a0 * x;  // BiquadStep's order
  x2 = x1;
  x1 = x;
  y2 = y1;
  y1 = y;
  return y;
}

inline float CRecursiveFilterCore::Process(float x) noexcept {
  if (m_nA != 2 || m_nB != 2) return ProcessGeneral(x);
  const int i1 = m_nRingIndex;
  const int i2 = Previous(i1);
  const float y = BiquadStep(m_fA, m_fB, x, m_fInput[i1], m_fInput[i2], m_fOutput[i1], m_fOutput[i2]);
  const int next = Next(i1);
  m_nRingIndex = next;
  m_fInput[next] = x;
  m_fOutput[next] = y;
  return y;
}

#if defined(__SSE2__)
// Second-order filters in the lanes of SSE registers: coefficients and the
// two past inputs and outputs. Step does, lane by lane, exactly the scalar
// arithmetic of BiquadStep.
struct SBiquadLanes {
  __m128 a0, a1, a2, b1, b2, x1, x2, y1, y2;
  __m128 Step(__m128 x) noexcept {
    const __m128 past = _mm_add_ps(_mm_add_ps(_mm_mul_ps(a1, x1), _mm_mul_ps(a2, x2)), _mm_mul_ps(b2, y2));
    const __m128 y = _mm_add_ps(_mm_add_ps(past, _mm_mul_ps(b1, y1)), _mm_mul_ps(a0, x));
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
  }
};

// Four second-order filters in the four lanes of SSE registers, stepped one
// sample at a time by a loop of the caller's, so that many groups (and what
// sits between them) can share one pass over the samples. Lane by lane it
// does exactly the scalar arithmetic of BiquadStep.
class CBiquadQuad {
 public:
  void Load(CRecursiveFilterCore* const (&filters)[4]) noexcept {
    float v[9][4];
    for (int j = 0; j < 4; ++j) {
      const CRecursiveFilterCore& f = *filters[j];
      const int i1 = f.m_nRingIndex, i2 = CRecursiveFilterCore::Previous(i1);
      v[0][j] = f.m_fA[0];
      v[1][j] = f.m_fA[1];
      v[2][j] = f.m_fA[2];
      v[3][j] = f.m_fB[1];
      v[4][j] = f.m_fB[2];
      v[5][j] = f.m_fInput[i1];
      v[6][j] = f.m_fInput[i2];
      v[7][j] = f.m_fOutput[i1];
      v[8][j] = f.m_fOutput[i2];
    }
    m_L = {_mm_loadu_ps(v[0]), _mm_loadu_ps(v[1]), _mm_loadu_ps(v[2]), _mm_loadu_ps(v[3]), _mm_loadu_ps(v[4]),
           _mm_loadu_ps(v[5]), _mm_loadu_ps(v[6]), _mm_loadu_ps(v[7]), _mm_loadu_ps(v[8])};
  }
  __m128 Step(__m128 x) noexcept { return m_L.Step(x); }
  // Writes the rings back as n single calls would have left them, for the two
  // newest samples (the ones the recursion reads, held in the registers);
  // older ring entries keep their values. For owners that only step.
  void StoreState(CRecursiveFilterCore* const (&filters)[4], int n) const noexcept {
    alignas(16) float x1[4], x2[4], y1[4], y2[4];
    _mm_store_ps(x1, m_L.x1);
    _mm_store_ps(x2, m_L.x2);
    _mm_store_ps(y1, m_L.y1);
    _mm_store_ps(y2, m_L.y2);
    for (int j = 0; j < 4; ++j) filters[j]->ResumeAfterSteps({0, 0, 0, 0, 0, x1[j], x2[j], y1[j], y2[j]}, n);
  }

 private:
  SBiquadLanes m_L;
};
#endif

template <int N>
void CRecursiveFilterCore::ProcessGroup(CRecursiveFilterCore* const (&filters)[N], const float* const (&in)[N],
                                        float* const (&out)[N], int n) noexcept {
  if (n <= 0) return;
  for (int j = 0; j < N; ++j) {
    if (filters[j]->m_nA != 2 || filters[j]->m_nB != 2) {
      for (int i = 0; i < N; ++i) filters[i]->Process(in[i], out[i], n);
      return;
    }
  }
  float a[N][3], b[N][3], x1[N], x2[N], y1[N], y2[N];
  float inTail[N][HISTORY_LENGTH];
  const int tail = n < HISTORY_LENGTH ? n : HISTORY_LENGTH;
  for (int j = 0; j < N; ++j) {
    const CRecursiveFilterCore& f = *filters[j];
    a[j][0] = f.m_fA[0];
    a[j][1] = f.m_fA[1];
    a[j][2] = f.m_fA[2];
    b[j][0] = 0.0f;
    b[j][1] = f.m_fB[1];
    b[j][2] = f.m_fB[2];
    const int index = f.m_nRingIndex;
    x1[j] = f.m_fInput[index];
    x2[j] = f.m_fInput[Previous(index)];
    y1[j] = f.m_fOutput[index];
    y2[j] = f.m_fOutput[Previous(index)];
    for (int k = 0; k < tail; ++k) inTail[j][k] = in[j][n - tail + k];
  }
#if defined(__SSE2__)
  if constexpr (N == 4) {
    // Four filters in the four lanes of one register: lane by lane the very
    // same multiplies and adds, so the bits match the scalar form.
    CBiquadQuad quad;
    quad.Load(filters);
    for (int k = 0; k < n; ++k) {
      alignas(16) float y[4];
      _mm_store_ps(y, quad.Step(_mm_setr_ps(in[0][k], in[1][k], in[2][k], in[3][k])));
      out[0][k] = y[0];
      out[1][k] = y[1];
      out[2][k] = y[2];
      out[3][k] = y[3];
    }
    for (int j = 0; j < N; ++j) filters[j]->WriteBackHistory(inTail[j], out[j] + (n - tail), n);
    return;
  }
#endif
  for (int k = 0; k < n; ++k) {
    for (int j = 0; j < N; ++j) {
      const float x = in[j][k];
      const float y = BiquadStep(a[j], b[j], x, x1[j], x2[j], y1[j], y2[j]);
      out[j][k] = y;
      x2[j] = x1[j];
      x1[j] = x;
      y2[j] = y1[j];
      y1[j] = y;
    }
  }
  for (int j = 0; j < N; ++j) filters[j]->WriteBackHistory(inTail[j], out[j] + (n - tail), n);
}

// The ring both delay lines are built on: maxDelay + 1 samples and the
// index of the newest. A tap `delay` samples back reads what was written that
// many writes ago (0 is the newest sample).
template <class T>
class CDelayBuffer {
 public:
  explicit CDelayBuffer(int maxDelay);
  ~CDelayBuffer();
  CDelayBuffer(const CDelayBuffer&) = delete;
  CDelayBuffer& operator=(const CDelayBuffer&) = delete;

  int GetMaxDelay() const { return m_nMaxDelay; }
  bool IsAllocated() const { return m_pBuffer != nullptr; }
  // Zeroes the samples and the write index.
  void Clear();
  // Copies the write index and the newest `samples` + 1 values (all of them
  // when `samples` is negative) of a buffer of the same size.
  bool CopyFrom(const CDelayBuffer& other, int samples = -1);

  void Write(T x) noexcept {
    m_nWrite = m_nWrite == m_nMaxDelay ? 0 : m_nWrite + 1;
    m_pBuffer[m_nWrite] = x;
  }
  // `delay` in 0 ... maximum.
  T Tap(int delay) const noexcept {
    int read = m_nWrite - delay;
    if (read < 0) read += m_nMaxDelay + 1;
    return m_pBuffer[read];
  }
  // Four-point cubic (Hermite) at a fractional `delay` in 0 ... maximum; an
  // integer delay returns the stored sample exactly.
  T TapFractional(float delay) const noexcept {
    int i;
    T t;
    Position(m_nWrite, delay, &i, &t);
    return Interpolate(i, t);
  }
  // Writes a block and reads it back at a fixed fractional delay: the read
  // position moves on by exactly one sample each time, so its fraction is
  // worked out once. Identical to Write then TapFractional per sample; `in`
  // may equal `out`.
  void WriteAndTapFractional(const T* in, T* out, int n, float delay) noexcept;
  // Integer form of the same.
  void WriteAndTap(const T* in, T* out, int n, int delay) noexcept;
  // The parts of that: n writes, then the taps at `delay` that each of the
  // last n writes would have read right after it. Exact when delay + n is
  // at most the buffer's length (no read meets a later write of the block);
  // false and nothing read otherwise.
  void WriteBlock(const T* in, int n) noexcept;
  bool TapBlock(T* out, int n, int delay) const noexcept;

 private:
  // Read position for a tap at `delay` once `write` holds the newest sample:
  // index *i and fraction *t (in double, so a long line keeps its fraction).
  void Position(int write, float delay, int* i, T* t) const noexcept {
    double p = static_cast<double>(write) - static_cast<double>(delay);
    if (p < 0.0) p += m_nMaxDelay + 1;
    int index = static_cast<int>(p);
    *t = static_cast<T>(p - index);
    if (index > m_nMaxDelay) index -= m_nMaxDelay + 1;
    *i = index;
  }
  // Four-point cubic through [i - 1], [i], [i + 1], [i + 2], at fraction t past [i].
  T Interpolate(int i, T t) const noexcept {
    const int im = i == 0 ? m_nMaxDelay : i - 1;
    const int i1 = i == m_nMaxDelay ? 0 : i + 1;
    const int i2 = i1 == m_nMaxDelay ? 0 : i1 + 1;
    const T s0 = m_pBuffer[i];
    const T s1 = m_pBuffer[i1];
    const T sm = m_pBuffer[im];
    const T s2 = m_pBuffer[i2];
    const T c1 = T(0.5) * (s1 - sm);
    const T c2 = sm - T(2.5) * s0 + T(2) * s1 - T(0.5) * s2;
    const T c3 = T(0.5) * (s2 - sm) + T(1.5) * (s0 - s1);
    return ((c3 * t + c2) * t + c1) * t + s0;
  }

  int m_nMaxDelay;
  std::unique_ptr<T[]> m_pBuffer;
  int m_nWrite = 0;
};

// Integer delay line of up to `maxDelay` samples (buffer of maxDelay + 1).
template <class T>
class CDelayFilter {
 public:
  CDelayFilter(int maxDelay, bool startAtMax);

  // Zeroes the buffer and the write index; the delay stays.
  void Clear() { m_Buffer.Clear(); }
  // Delay in samples, clamped to 0 ... maximum.
  void SetDelay(int delay);
  int GetDelay() const { return m_nDelay; }
  int GetMaxDelay() const { return m_Buffer.GetMaxDelay(); }
  // Copies maximum, delay, buffer and write index of a line of the same
  // size; returns false (and changes nothing) for a different size.
  bool CopyStateFrom(const CDelayFilter& other);
  // The same, but only the newest `samples` + 1 values of the buffer: enough
  // for any delay up to `samples`, at a fraction of the cost.
  bool CopyRecentStateFrom(const CDelayFilter& other, int samples);

  T Process(T x) noexcept {
    if (!m_Buffer.IsAllocated()) return x;
    m_Buffer.Write(x);
    return m_Buffer.Tap(m_nDelay);
  }
  CDelayBuffer<T>& Buffer() { return m_Buffer; }
  const CDelayBuffer<T>& Buffer() const { return m_Buffer; }

 private:
  CDelayBuffer<T> m_Buffer;
  int m_nDelay = 0;
};

// Fractional delay line: four-point cubic (Hermite) interpolation between the
// stored samples; an integer delay returns the stored sample exactly.
template <class T>
class CFloatDelayFilter {
 public:
  CFloatDelayFilter(int maxDelay, bool startAtMax);

  void Clear() { m_Buffer.Clear(); }
  // Delay in samples, clamped to 0 ... maximum (NaN counts as 0).
  void SetDelay(float delay);
  float GetDelay() const { return m_fDelay; }
  int GetMaxDelay() const { return m_Buffer.GetMaxDelay(); }
  bool CopyStateFrom(const CFloatDelayFilter& other);

  T Process(T x) noexcept {
    if (!m_Buffer.IsAllocated()) return x;
    m_Buffer.Write(x);
    return m_Buffer.TapFractional(m_fDelay);
  }
  // A block at the current delay, identical to Process(x) per sample. `in`
  // may equal `out`.
  void Process(const T* in, T* out, int n) noexcept;
  CDelayBuffer<T>& Buffer() { return m_Buffer; }

 private:
  CDelayBuffer<T> m_Buffer;
  float m_fDelay = 0.0f;
};

template <class T>
inline void CDelayBuffer<T>::WriteAndTapFractional(const T* in, T* out, int n, float delay) noexcept {
  if (n <= 0) return;
  // The first read position exactly as TapFractional computes it.
  int i;
  T t;
  Position(m_nWrite == m_nMaxDelay ? 0 : m_nWrite + 1, delay, &i, &t);
  const int size = m_nMaxDelay + 1, first = m_nWrite + 1;
  // Reads below the first write stay at or behind each write; reads above
  // the block (a delay near the whole line) never meet it.
  const bool apart = i + 2 <= first || i - 1 >= first + n;
  if (delay >= 3.0f && m_nWrite + n < size && i >= 1 && i + n + 2 < size && apart) {
    // Neither the writes nor the reads wrap, and no read meets a sample the
    // block writes after it: write the block, then read it as a plain
    // four-tap filter over consecutive samples, which vectorises.
    std::copy_n(in, n, m_pBuffer.get() + m_nWrite + 1);
    m_nWrite += n;
    const T* b = m_pBuffer.get() + i;
    for (int k = 0; k < n; ++k) {
      const T s0 = b[k], s1 = b[k + 1], sm = b[k - 1], s2 = b[k + 2];
      const T c1 = T(0.5) * (s1 - sm);
      const T c2 = sm - T(2.5) * s0 + T(2) * s1 - T(0.5) * s2;
      const T c3 = T(0.5) * (s2 - sm) + T(1.5) * (s0 - s1);
      out[k] = ((c3 * t + c2) * t + c1) * t + s0;
    }
    return;
  }
  for (int k = 0; k < n; ++k) {
    Write(in[k]);
    out[k] = Interpolate(i, t);
    i = i == m_nMaxDelay ? 0 : i + 1;
  }
}

template <class T>
inline void CDelayBuffer<T>::WriteAndTap(const T* in, T* out, int n, int delay) noexcept {
  if (n <= 0) return;
  if (delay >= 0 && delay + n <= m_nMaxDelay + 1) {
    WriteBlock(in, n);
    TapBlock(out, n, delay);
    return;
  }
  for (int k = 0; k < n; ++k) {
    Write(in[k]);
    out[k] = Tap(delay);
  }
}

template <class T>
inline void CDelayBuffer<T>::WriteBlock(const T* in, int n) noexcept {
  const int size = m_nMaxDelay + 1;
  for (int done = 0; done < n;) {
    const int at = m_nWrite == m_nMaxDelay ? 0 : m_nWrite + 1;
    const int count = std::min(n - done, size - at);
    std::copy_n(in + done, count, m_pBuffer.get() + at);
    m_nWrite = at + count - 1;
    done += count;
  }
}

template <class T>
inline bool CDelayBuffer<T>::TapBlock(T* out, int n, int delay) const noexcept {
  const int size = m_nMaxDelay + 1;
  if (n <= 0 || delay < 0 || delay + n > size) return false;
  int at = m_nWrite - (n - 1) - delay;  // the first write's read
  if (at < 0) at += size;
  for (int done = 0; done < n;) {
    const int count = std::min(n - done, size - at);
    std::copy_n(m_pBuffer.get() + at, count, out + done);
    at = 0;
    done += count;
  }
  return true;
}

template <class T>
inline void CFloatDelayFilter<T>::Process(const T* in, T* out, int n) noexcept {
  if (!m_Buffer.IsAllocated()) {
    for (int k = 0; k < n; ++k) out[k] = in[k];
    return;
  }
  m_Buffer.WriteAndTapFractional(in, out, n, m_fDelay);
}

extern template class CDelayBuffer<float>;
extern template class CDelayBuffer<double>;
extern template class CDelayFilter<float>;
extern template class CDelayFilter<double>;
extern template class CFloatDelayFilter<float>;
extern template class CFloatDelayFilter<double>;
