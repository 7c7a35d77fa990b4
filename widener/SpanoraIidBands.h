#pragma once
// The IID stage: up to ten band pairs between the focus frequencies. Per
// channel a chain of notches leaves a remainder and parallel band-passes add
// the other channel's bands; each band is weighted by its fade. Layout
// changes are rebuilt one band per tick, every band change a one-tick fade.
#include <memory>

#include "Helpers/RecursiveFilter.h"
#include "widener/LinearRamp.h"
#include "widener/SpanoraIidKernel.h"
#include "widener/SpanoraTiming.h"

enum ERebuildState { REBUILD_IDLE, REBUILD_REQUESTED, REBUILD_SETTLING, REBUILD_REBUILDING };

// Band edges normalised to the sample rate; edge[0] is the left channel's own
// band (its notch), edge[1] the right's.
struct SBandLayout {
  int count = 0;
  float edge[2][MAX_BANDS] = {};
};

class CIidBandBank {
 public:
  CIidBandBank();
  ~CIidBandBank();
  CIidBandBank(const CIidBandBank&) = delete;
  CIidBandBank& operator=(const CIidBandBank&) = delete;

  // The kernel that runs the chain (an unavailable one falls back to SSE).
  void SetKernel(EIidKernel kernel);
  EIidKernel Kernel() const { return m_eKernel; }

  // Designs are normalised: nothing depends on the sample rate.
  void Prepare(float /*sampleRate*/) {}
  // No bands, every fade at 1, rebuild idle.
  void Reset();
  // Silences the band filters and keeps the layout (recovery from a
  // non-finite state).
  void ClearHistory();

  // The layout to rebuild towards; edges are kept inside 0 ... 0.5.
  void SetLayout(const SBandLayout& layout);
  // One rebuild step (every tick); band fades are S-curves over a tick that
  // turn at its half.
  void Tick();
  void HalfTick();

  // y = wI * (remainder + parallel sum) + (1 - wI) * x; y = x when wI is 0.
  // Records the input (Record) whatever wI is.
  void Process(const float* const x[2], float* const y[2], int n, float wI) noexcept;
  // Keeps the newest input, on which a new band's filters are brought up to
  // date before it fades in (so it does not ring from a silent start).
  void Record(const float* const x[2], int n) noexcept;

  // The dynamics modulation moves band gains 1 ... active count - 1.
  int ActiveCount() const { return m_nActiveCount; }
  int TargetCount() const { return m_nTargetCount; }
  ERebuildState RebuildState() const { return m_eRebuild; }
  void GlideBand(int band, float gain, int samples) { m_Fade[band].GlideTo(gain, samples); }
  // With the modulation at depth 0: gains return to 1 and a pending rebuild
  // moves on (requested, settling, rebuilding).
  void ReleaseModulation(int samples);

  // The chain: MixCount() bands in chain order, ChainSlot(k) the slot of the
  // k-th. A replacement band runs right after the band it replaces.
  int MixCount() const { return m_nMixCount; }
  int ChainSlot(int position) const { return m_nChain[position]; }
  // Between kernel runs the filters' state lives in the kernel's lanes;
  // these take it back first.
  CRecursiveFilterCore& Notch(int channel, int slot) {
    UnloadLanes();
    return m_Notch[channel][slot];
  }
  CRecursiveFilterCore& BandPass(int channel, int slot) {
    UnloadLanes();
    return m_BandPass[channel][slot];
  }
  CLinearRamp& Fade(int slot) { return m_Fade[slot]; }
  const CLinearRamp& Fade(int slot) const { return m_Fade[slot]; }

 private:
  void DesignBand(int slot, float edgeL, float edgeR);
  void UpdateChain();
  // The chain's filters into the kernel's lanes (in chain order), and back.
  void LoadLanes() noexcept;
  void UnloadLanes() noexcept;
  void ProcessBands(const float* const x[2], float* const y[2], int n, float wI) noexcept;

  CRecursiveFilterCore m_Notch[2][NUM_BAND_SLOTS];
  CRecursiveFilterCore m_BandPass[2][NUM_BAND_SLOTS];
  CLinearRamp m_Fade[NUM_BAND_SLOTS];
  float m_fEdge[2][MAX_BANDS] = {};
  float m_fDesigned[2][NUM_BAND_SLOTS] = {};  // edges the slot's filters were designed at
  int m_nChain[NUM_BAND_SLOTS] = {};
  int m_nTargetCount = 0;
  int m_nActiveCount = 0;
  int m_nMixCount = 0;
  ERebuildState m_eRebuild = REBUILD_IDLE;
  int m_nQuietTicks = 0;
  int m_nRoundRobin = 0;
  int m_nRedesignSlot = -1;  // band being replaced by the spare, or -1
  int m_nFadeOutSlot = -1;   // band fading out before it is dropped, or -1
  std::unique_ptr<SIidLanes> m_pLanes;
  bool m_bLanesLoaded = false;  // the lanes hold the chain's newest filter state
  int m_nLaneSteps = 0;         // samples run in the lanes since they were loaded (kept small)
  static constexpr int HISTORY = 2048;  // a power of two
  float m_fHistory[2][HISTORY] = {};
  int m_nHistoryAt = 0;  // where the next input sample goes
  EIidKernel m_eKernel = IID_KERNEL_SSE;
  IidKernel m_pKernel = nullptr;
};
