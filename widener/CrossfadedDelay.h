#pragma once
// A delay line whose delay never jumps: a new delay takes over at the next
// tick by a crossfade from the old tap to the new one over one tick, both
// read from the same buffer. A change that arrives during a crossfade waits
// for it to finish. TDelay is int (plain taps) or float (cubic taps).
#include <cmath>
#include <type_traits>

#include "Helpers/RecursiveFilter.h"
#include "widener/LinearRamp.h"
#include "widener/SpanoraTiming.h"

template <class TDelay>
class CCrossfadedDelay {
 public:
  explicit CCrossfadedDelay(int maxDelay = MAX_DELAY_SAMPLES) : m_Buffer(maxDelay) {}

  // Silence, and the target delay in force at once.
  void Reset() {
    m_Buffer.Clear();
    m_Fade.Set(0.0f);
    m_Delay = m_From = m_Target;
  }
  // Clamped to 0 ... maximum; NaN counts as 0.
  void SetTarget(TDelay delay) {
    const TDelay most = static_cast<TDelay>(m_Buffer.GetMaxDelay());
    m_Target = delay > TDelay(0) ? (delay < most ? delay : most) : TDelay(0);
  }
  TDelay Target() const { return m_Target; }
  TDelay Delay() const { return m_Delay; }
  bool IsFading() const { return m_Fade.IsMoving(); }
  CLinearRamp& Fade() { return m_Fade; }

  // The target at once, for an owner that crossfades two taps itself.
  void Jump() {
    m_Fade.Set(0.0f);
    m_Delay = m_From = m_Target;
  }
  // At a tick: a changed target starts a crossfade unless one is running.
  void Tick() {
    if (m_Delay == m_Target || IsFading()) return;
    m_From = m_Delay;
    m_Delay = m_Target;
    m_Fade.Set(0.0f);
    m_Fade.Glide(1.0f / TICK_SAMPLES, 1.0f);
  }

  float Process(float x) noexcept {
    m_Buffer.Write(x);
    const float now = TapAt(m_Delay);
    if (!IsFading()) return now;
    const float f = m_Fade.Next();
    const float y = (1.0f - f) * TapAt(m_From) + f * now;
    if (m_Fade.Value() >= 1.0f) m_Fade.Set(0.0f);
    return y;
  }
  // Identical to Process(x) per sample; `in` may equal `out`.
  void Process(const float* in, float* out, int n) noexcept {
    int k = 0;
    if constexpr (std::is_same_v<TDelay, int>) {
      // A crossfade: the block goes in once and both taps come out as
      // blocks; only the mix walks the ramp sample by sample.
      float from[TICK_SAMPLES];
      if (IsFading() && n <= TICK_SAMPLES && m_From + n <= m_Buffer.GetMaxDelay() + 1 &&
          m_Delay + n <= m_Buffer.GetMaxDelay() + 1) {
        m_Buffer.WriteBlock(in, n);
        m_Buffer.TapBlock(from, n, m_From);
        m_Buffer.TapBlock(out, n, m_Delay);
        CLinearRamp fade = m_Fade;  // a local copy stays in a register
        for (k = 0; k < n; ++k) {
          const float f = fade.Next();
          out[k] = (1.0f - f) * from[k] + f * out[k];
          if (fade.Value() >= 1.0f) {
            fade.Set(0.0f);
            break;
          }
        }
        m_Fade = fade;
        return;
      }
    }
    for (; k < n && IsFading(); ++k) out[k] = Process(in[k]);
    if (k == n) return;
    if constexpr (std::is_same_v<TDelay, int>) m_Buffer.WriteAndTap(in + k, out + k, n - k, m_Delay);
    else m_Buffer.WriteAndTapFractional(in + k, out + k, n - k, m_Delay);
  }
  // What was written `back` samples ago, seen through the current delay.
  float Past(int back) const noexcept {
    const int most = m_Buffer.GetMaxDelay();
    const TDelay delay = m_Delay + static_cast<TDelay>(back);
    return TapAt(delay < static_cast<TDelay>(most) ? delay : static_cast<TDelay>(most));
  }
  // The newest sample seen through `delay` (0 ... maximum).
  float TapAt(TDelay delay) const noexcept {
    if constexpr (std::is_same_v<TDelay, int>) return m_Buffer.Tap(delay);
    else return m_Buffer.TapFractional(delay);
  }

 private:
  CDelayBuffer<float> m_Buffer;
  CLinearRamp m_Fade;
  TDelay m_Delay = 0, m_From = 0, m_Target = 0;
};
