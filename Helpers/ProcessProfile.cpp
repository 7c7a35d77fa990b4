#include "Helpers/ProcessProfile.h"

#include <algorithm>
#include <cstring>

#include "platform/Clock.h"

namespace {
std::uint64_t Pack(float average, float maximum) noexcept {
  std::uint32_t a = 0, m = 0;
  std::memcpy(&a, &average, sizeof a);
  std::memcpy(&m, &maximum, sizeof m);
  return (static_cast<std::uint64_t>(m) << 32) | a;
}
}  // namespace

void CProcessProfile::SetWindowFrames(std::int64_t frames) noexcept { m_nWindowFrames = std::max<std::int64_t>(1, frames); }

void CProcessProfile::Record(double ms, std::int32_t frames) noexcept {
  m_nLastFrames.store(frames, std::memory_order_relaxed);
  ++m_nCalls;
  m_nFrames += std::max(0, frames);
  m_dSumMs += ms;
  m_dMaxMs = std::max(m_dMaxMs, ms);
  if (m_nFrames < m_nWindowFrames) return;
  m_nPublished.store(Pack(static_cast<float>(m_dSumMs / static_cast<double>(m_nCalls)), static_cast<float>(m_dMaxMs)),
                     std::memory_order_release);
  m_nFrames = m_nCalls = 0;
  m_dSumMs = m_dMaxMs = 0.0;
}

CProcessProfile::SFigures CProcessProfile::Read() const noexcept {
  const std::uint64_t word = m_nPublished.load(std::memory_order_acquire);
  const auto a = static_cast<std::uint32_t>(word), m = static_cast<std::uint32_t>(word >> 32);
  SFigures figures;
  std::memcpy(&figures.averageMs, &a, sizeof a);
  std::memcpy(&figures.maxMs, &m, sizeof m);
  figures.lastFrames = m_nLastFrames.load(std::memory_order_relaxed);
  return figures;
}

CProcessTimer::CProcessTimer(CProcessProfile& profile, std::int32_t frames, bool enabled) noexcept
    : m_Profile(profile), m_nFrames(frames), m_bEnabled(enabled), m_nStart(enabled ? platform::QueryPerformanceCounter() : 0) {}

CProcessTimer::~CProcessTimer() {
  if (!m_bEnabled) return;
  const std::int64_t ticks = platform::QueryPerformanceCounter() - m_nStart;
  m_Profile.Record(1000.0 * static_cast<double>(ticks) / static_cast<double>(platform::QueryPerformanceFrequency()),
                   m_nFrames);
}
