#pragma once
// Processing time per call of the audio path, for the editor's profiling
// lines. The audio thread accumulates privately and publishes the average and
// maximum of each window of about one second of audio as one atomic word, so
// the editor reads a consistent pair without a lock and the audio thread never
// waits. Windows are counted in frames, not wall time, so the figures follow
// the audio and a test can drive them.
#include <atomic>
#include <cstdint>

#include "platform/Clock.h"

class CProcessProfile {
 public:
  struct SFigures {
    float averageMs = 0.0f;
    float maxMs = 0.0f;
    std::int32_t lastFrames = 0;  // the frames of the latest call
  };

  // Audio thread: the window is this many frames (one second at the rate).
  void SetWindowFrames(std::int64_t frames) noexcept;
  // Audio thread: one call of the audio path that took `ms` for `frames`.
  void Record(double ms, std::int32_t frames) noexcept;
  // Any thread: the last completed window; zeros before the first.
  SFigures Read() const noexcept;

 private:
  std::int64_t m_nWindowFrames = 44100;
  std::int64_t m_nFrames = 0;
  std::int64_t m_nCalls = 0;
  double m_dSumMs = 0.0;
  double m_dMaxMs = 0.0;
  std::atomic<std::uint64_t> m_nPublished{0};  // two floats: average, maximum
  std::atomic<std::int32_t> m_nLastFrames{0};
};

// Times one call of the audio path into a profile on scope exit; when not
// `enabled` (nobody shows the figures) it reads no clock at all.
class CProcessTimer {
 public:
  CProcessTimer(CProcessProfile& profile, std::int32_t frames, bool enabled) noexcept;
  ~CProcessTimer();
  // The start as a tick count: the timer's own reading when it times (one
  // read serves both), else the coarse clock's.
  std::uint32_t StartTick() const noexcept {
    return m_bEnabled ? platform::TickCountFromPerformanceCounter(m_nStart) : platform::GetCoarseTickCount();
  }
  CProcessTimer(const CProcessTimer&) = delete;
  CProcessTimer& operator=(const CProcessTimer&) = delete;

 private:
  CProcessProfile& m_Profile;
  std::int32_t m_nFrames;
  bool m_bEnabled;
  std::int64_t m_nStart;
};
