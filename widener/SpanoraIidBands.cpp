#include "widener/SpanoraIidBands.h"

#include <algorithm>
#include <cstring>

namespace {
// Narrow bands below this fraction of the sample rate cannot be designed
// stably at the IID bandwidth; such a band is left out of the swap.
constexpr float kLowestBandFraction = 0.0012f;
constexpr float kIidBandwidth = 0.001f;
constexpr float kHighestEdge = 0.499f;
constexpr int kQuietTicks = 10;
}  // namespace

CIidBandBank::CIidBandBank() : m_pLanes(std::make_unique<SIidLanes>()) {
  SetKernel(SpanoraIidKernels::Default());
  Reset();
}

CIidBandBank::~CIidBandBank() = default;

void CIidBandBank::Reset() {
  m_bLanesLoaded = false;
  for (int c = 0; c < 2; ++c) {
    for (int i = 0; i < NUM_BAND_SLOTS; ++i) {
      m_Notch[c][i].Clear();
      m_BandPass[c][i].Clear();
      m_fDesigned[c][i] = 0.0f;
    }
  }
  for (CLinearRamp& fade : m_Fade) fade.Set(1.0f);
  m_nTargetCount = m_nActiveCount = m_nMixCount = 0;
  m_eRebuild = REBUILD_IDLE;
  m_nQuietTicks = m_nRoundRobin = 0;
  m_nRedesignSlot = m_nFadeOutSlot = -1;
  UpdateChain();
  std::fill(&m_fHistory[0][0], &m_fHistory[0][0] + 2 * HISTORY, 0.0f);
  m_nHistoryAt = 0;
}

void CIidBandBank::ClearHistory() {
  m_bLanesLoaded = false;
  std::fill(&m_fHistory[0][0], &m_fHistory[0][0] + 2 * HISTORY, 0.0f);
  for (int c = 0; c < 2; ++c) {
    for (int i = 0; i < NUM_BAND_SLOTS; ++i) {
      m_Notch[c][i].ClearHistory();
      m_BandPass[c][i].ClearHistory();
    }
  }
}

void CIidBandBank::SetLayout(const SBandLayout& layout) {
  m_nTargetCount = std::clamp(layout.count, 0, MAX_BANDS);
  for (int c = 0; c < 2; ++c) {
    for (int i = 0; i < MAX_BANDS; ++i) {
      const float e = layout.edge[c][i];
      m_fEdge[c][i] = e > 0.0f ? std::min(e, kHighestEdge) : 0.0f;  // NaN falls to 0
    }
  }
  m_nQuietTicks = 0;
}

void CIidBandBank::DesignBand(int slot, float edgeL, float edgeR) {
  for (int c = 0; c < 2; ++c) {
    m_Notch[c][slot].Clear();
    m_BandPass[c][slot].Clear();
  }
  if (std::min(edgeL, edgeR) < kLowestBandFraction) {
    // Too low to design stably (at high rates the design itself overflows):
    // the notches are wires and the band adds nothing, so the band simply
    // drops out of the swap.
    for (int c = 0; c < 2; ++c) m_Notch[c][slot].SetFeedforward(0, 1.0f);
  } else {
    // Each channel loses its own band and gains the other channel's.
    m_Notch[0][slot].DesignNotch(edgeL, kIidBandwidth);
    m_BandPass[0][slot].DesignBandPass(edgeR, kIidBandwidth);
    m_Notch[1][slot].DesignNotch(edgeR, kIidBandwidth);
    m_BandPass[1][slot].DesignBandPass(edgeL, kIidBandwidth);
  }
  m_fDesigned[0][slot] = edgeL;
  m_fDesigned[1][slot] = edgeR;
  // Up to date on the newest input, oldest first: the band fades in with
  // the state it would have had, not ringing at its own frequency. (The
  // notch sees the input rather than the remainder: close enough.)
  for (int k = 0; k < HISTORY; ++k) {
    const int at = (m_nHistoryAt + k) & (HISTORY - 1);
    for (int c = 0; c < 2; ++c) {
      m_Notch[c][slot].Process(m_fHistory[c][at]);
      m_BandPass[c][slot].Process(m_fHistory[c][at]);
    }
  }
}

void CIidBandBank::Record(const float* const x[2], int n) noexcept {
  // At most two copies per channel: up to the ring's end, then from its start.
  for (int done = 0; done < n;) {
    const int count = std::min(n - done, HISTORY - m_nHistoryAt);
    for (int c = 0; c < 2; ++c)
      std::memcpy(&m_fHistory[c][m_nHistoryAt], x[c] + done, sizeof(float) * static_cast<std::size_t>(count));
    m_nHistoryAt = (m_nHistoryAt + count) & (HISTORY - 1);
    done += count;
  }
}

void CIidBandBank::UpdateChain() {
  // A replacement (the spare slot) runs right after the band it replaces, so
  // it sees the very input that band sees, and its history fits the slot it
  // takes over; no band ever changes its place in the chain.
  int k = 0;
  for (int slot = 0; slot < m_nActiveCount; ++slot) {
    m_nChain[k++] = slot;
    if (slot == m_nRedesignSlot) m_nChain[k++] = m_nActiveCount;
  }
  if (m_nFadeOutSlot >= 0) m_nChain[k++] = m_nFadeOutSlot;
  m_nMixCount = k;
}

void CIidBandBank::ReleaseModulation(int samples) {
  if (m_eRebuild != REBUILD_REBUILDING) {
    for (int i = 1; i < m_nActiveCount; ++i) m_Fade[i].GlideTo(1.0f, samples);
  }
  if (m_eRebuild == REBUILD_REQUESTED) {
    m_eRebuild = REBUILD_SETTLING;
  } else if (m_eRebuild == REBUILD_SETTLING) {
    for (CLinearRamp& fade : m_Fade) fade.Set(1.0f);
    m_eRebuild = REBUILD_REBUILDING;
  }
}

void CIidBandBank::HalfTick() {
  for (CLinearRamp& fade : m_Fade) fade.Turn();
}

void CIidBandBank::Tick() {
  const bool layoutSettled = m_nTargetCount == m_nActiveCount && m_nRedesignSlot < 0 && m_nFadeOutSlot < 0;
  if (m_eRebuild == REBUILD_IDLE) {
    if (!layoutSettled || m_nQuietTicks <= kQuietTicks) m_eRebuild = REBUILD_REQUESTED;
    return;
  }
  if (m_eRebuild != REBUILD_REBUILDING) return;
  UnloadLanes();  // the steps below may redesign, copy or reorder filters

  // Fades set at the previous tick have run their 1024 samples. They only
  // advance while the IID stage is in the mix, so land them on their end
  // values: exact when they ran, inaudible when the stage was out.
  for (CLinearRamp& fade : m_Fade) fade.Land();
  if (m_nRedesignSlot >= 0) {
    const int spare = m_nActiveCount;
    for (int c = 0; c < 2; ++c) {
      m_Notch[c][m_nRedesignSlot] = m_Notch[c][spare];
      m_BandPass[c][m_nRedesignSlot] = m_BandPass[c][spare];
      m_fDesigned[c][m_nRedesignSlot] = m_fDesigned[c][spare];
    }
    m_Fade[m_nRedesignSlot].Set(1.0f);
    m_Fade[spare].Set(0.0f);
    m_nRedesignSlot = -1;
    m_nQuietTicks = 0;
    UpdateChain();
    return;
  }
  if (m_nFadeOutSlot >= 0) {
    m_Fade[m_nFadeOutSlot].Set(0.0f);
    m_nFadeOutSlot = -1;
    m_nQuietTicks = 0;
    UpdateChain();
    return;
  }
  if (m_nActiveCount < m_nTargetCount) {
    const int slot = m_nActiveCount++;
    DesignBand(slot, m_fEdge[0][slot], m_fEdge[1][slot]);
    m_Fade[slot].Set(0.0f);
    m_Fade[slot].Ease(1.0f, TICK_SAMPLES);
    m_nQuietTicks = 0;
    UpdateChain();
    return;
  }
  if (m_nActiveCount > m_nTargetCount) {
    m_nFadeOutSlot = --m_nActiveCount;
    m_Fade[m_nFadeOutSlot].Ease(0.0f, TICK_SAMPLES);
    m_nQuietTicks = 0;
    UpdateChain();
    return;
  }
  // Counts agree: check one band per tick for moved edges.
  if (m_nActiveCount > 0) {
    const int i = m_nRoundRobin++ % m_nActiveCount;
    if (m_fDesigned[0][i] != m_fEdge[0][i] || m_fDesigned[1][i] != m_fEdge[1][i]) {
      const int spare = m_nActiveCount;
      DesignBand(spare, m_fEdge[0][i], m_fEdge[1][i]);
      m_Fade[spare].Set(0.0f);
      m_Fade[spare].Ease(1.0f, TICK_SAMPLES);
      m_Fade[i].Ease(0.0f, TICK_SAMPLES);
      m_nRedesignSlot = i;
      m_nQuietTicks = 0;
      UpdateChain();
      return;
    }
  }
  if (++m_nQuietTicks > kQuietTicks) m_eRebuild = REBUILD_IDLE;  // the modulation may resume
}

void CIidBandBank::Process(const float* const x[2], float* const y[2], int n, float wI) noexcept {
  Record(x, n);
  if (wI > 0.0f) {
    ProcessBands(x, y, n, wI);
    return;
  }
  for (int c = 0; c < 2; ++c) {
    if (y[c] != x[c]) std::memcpy(y[c], x[c], sizeof(float) * static_cast<std::size_t>(n));
  }
}

void CIidBandBank::LoadLanes() noexcept {
  SIidLanes& lanes = *m_pLanes;
  for (int k = 0; k < IID_KERNEL_LANES / 4; ++k) {
    for (int j = 0; j < 4; ++j) {
      const int i = 4 * k + j;
      // Lanes above the chain run idle on zeros.
      CRecursiveFilterCore::SBiquadState f{};
      if (k < m_nMixCount) {
        const int slot = m_nChain[k];
        const CRecursiveFilterCore* const filters[4] = {&m_Notch[0][slot], &m_Notch[1][slot], &m_BandPass[0][slot],
                                                        &m_BandPass[1][slot]};
        f = filters[j]->GetBiquadState();
      }
      lanes.a0[i] = f.a0;
      lanes.a1[i] = f.a1;
      lanes.a2[i] = f.a2;
      lanes.b1[i] = f.b1;
      lanes.b2[i] = f.b2;
      lanes.x1[i] = f.x1;
      lanes.x2[i] = f.x2;
      lanes.y1[i] = f.y1;
      lanes.y2[i] = f.y2;
      lanes.fade[i] = lanes.step[i] = lanes.acceleration[i] = 0.0f;
    }
  }
  m_bLanesLoaded = true;
  m_nLaneSteps = 0;
}

void CIidBandBank::UnloadLanes() noexcept {
  if (!m_bLanesLoaded) return;
  m_bLanesLoaded = false;
  const SIidLanes& lanes = *m_pLanes;
  for (int k = 0; k < m_nMixCount; ++k) {
    const int slot = m_nChain[k];
    CRecursiveFilterCore* const filters[4] = {&m_Notch[0][slot], &m_Notch[1][slot], &m_BandPass[0][slot],
                                              &m_BandPass[1][slot]};
    for (int j = 0; j < 4; ++j) {
      const int i = 4 * k + j;
      filters[j]->ResumeAfterSteps({0, 0, 0, 0, 0, lanes.x1[i], lanes.x2[i], lanes.y1[i], lanes.y2[i]}, m_nLaneSteps);
    }
  }
}

void CIidBandBank::ProcessBands(const float* const x[2], float* const y[2], int n, float wI) noexcept {
  const int bands = m_nMixCount;
  if (bands == 0) {
    // No band: the remainder is the input and the sum is 0.
    for (int c = 0; c < 2; ++c) {
      for (int t = 0; t < n; ++t) y[c][t] = wI * (x[c][t] + 0.0f) + (1.0f - wI) * x[c][t];
    }
    return;
  }
  // The filters stay in the lanes from run to run; the fades, which the
  // engine moves between runs, go in each time.
  if (!m_bLanesLoaded) LoadLanes();
  SIidLanes& lanes = *m_pLanes;
  lanes.bands = bands;
  for (int k = 0; k < bands; ++k) {
    const CLinearRamp& fade = m_Fade[m_nChain[k]];
    for (int j = 4 * k; j < 4 * k + 4; ++j) {
      lanes.fade[j] = fade.Value();
      lanes.step[j] = fade.Step();
      lanes.acceleration[j] = fade.Acceleration();
    }
  }
  m_pKernel(lanes, x, y, n, wI);
  // The rings' index as n single steps would leave it (modulo their length,
  // never below the 2 that decide how much of the tail is written back).
  m_nLaneSteps += n;
  if (m_nLaneSteps >= 2 * CRecursiveFilterCore::HISTORY_LENGTH)
    m_nLaneSteps = CRecursiveFilterCore::HISTORY_LENGTH + m_nLaneSteps % CRecursiveFilterCore::HISTORY_LENGTH;
  for (int k = 0; k < bands; ++k) m_Fade[m_nChain[k]].Resume(lanes.fade[4 * k], lanes.step[4 * k]);
}

IidKernel SpanoraIidKernels::Get(EIidKernel kernel) {
  switch (kernel) {
    case IID_KERNEL_AVX2: return &IidKernelAvx2;
    case IID_KERNEL_AVX512: return &IidKernelAvx512;
    default: return &IidKernelSse;
  }
}

void CIidBandBank::SetKernel(EIidKernel kernel) {
  m_eKernel = SpanoraIidKernels::IsAvailable(kernel) ? kernel : IID_KERNEL_SSE;
  m_pKernel = SpanoraIidKernels::Get(m_eKernel);
}
