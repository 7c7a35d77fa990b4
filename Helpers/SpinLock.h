#pragma once
// A minimal spin lock for very short critical sections that the audio thread
// may enter: no system call, no allocation, never sleeps. Meant for locks
// that are almost never contended (one FFT frame of work at most).
#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace kiv {

class CSpinLock {
 public:
  void lock() noexcept {
    for (;;) {
      if (!m_bLocked.exchange(true, std::memory_order_acquire)) return;
      while (m_bLocked.load(std::memory_order_relaxed)) Pause();
    }
  }
  bool try_lock() noexcept {
    return !m_bLocked.load(std::memory_order_relaxed) && !m_bLocked.exchange(true, std::memory_order_acquire);
  }
  void unlock() noexcept { m_bLocked.store(false, std::memory_order_release); }

 private:
  static void Pause() noexcept {
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#endif
  }
  std::atomic<bool> m_bLocked{false};
};

}  // namespace kiv
