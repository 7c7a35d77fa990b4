#pragma once
// The stereo-image widener effect: parameters and programs, and an audio path
// of second-order filters and delay lines that adds no latency.
//
// Threads: processReplacing runs on the host's audio thread and reads only
// atomics and state it owns. Parameter changes (any thread) store their
// values into m_fParam and raise flags; the audio thread picks them up per
// block, per 1024-sample tick or at the end of a block.
#include <atomic>
#include <cstdint>
#include <memory>

#include "Helpers/KivEffect.h"
#include "Helpers/RecursiveFilter.h"
#include "widener/SpanoraAnalysis.h"
#include "widener/SpanoraParameters.h"

// Process-wide: the editor keeps decoded images as textures (taken from the
// "CacheTextures" setting when an effect is built).
extern std::atomic<bool> g_bCacheTextures;

constexpr int NUM_BAND_SLOTS = 11;  // ten bands and one spare for redesigns
constexpr int MAX_BANDS = 10;
constexpr int TICK_SAMPLES = 1024;
constexpr int DYNAMICS_SAMPLES = 256;
constexpr int GAIN_SAMPLES = 128;
constexpr int MAX_DELAY_SAMPLES = 65536;

class ASpanora;
class CKivEditorInterface;
// The editor lives in its own library, over the view framework; a program
// that links it installs its factory once (SpanoraEditor.h), and every
// effect made afterwards creates its editor with it. Without one the effect
// runs without an editor.
using SpanoraEditorFactory = CKivEditorInterface* (*)(ASpanora* effect);
void SetSpanoraEditorFactory(SpanoraEditorFactory factory);

enum ERebuildState { REBUILD_IDLE, REBUILD_REQUESTED, REBUILD_SETTLING, REBUILD_REBUILDING };

class ASpanora : public KivEffect {
 public:
  explicit ASpanora(vst::HostCallback audioMaster);
  ~ASpanora() override;

  // --- VST interface -------------------------------------------------------
  void processReplacing(float** inputs, float** outputs, std::int32_t frames) override;
  void setSampleRate(float rate) override;
  void getParameterName(std::int32_t index, char* text) override;
  void getParameterLabel(std::int32_t index, char* text) override;
  void getParameterDisplay(std::int32_t index, char* text) override;
  bool getEffectName(char* text) override;
  bool getProductString(char* text) override;
  std::int32_t canDo(const char* text) override;

  // --- KivEffect -----------------------------------------------------------
  void Init() override;
  void Cleanup() override;
  int CreateFactoryPrograms() override;
  void ParameterChanged(int index) override;
  const char* GetParameterKey(int index) override;
  void OnIdle() override;

  // --- Widener -------------------------------------------------------------
  // The host tempo in beats per second: tempo / 60 when the host reports a
  // valid tempo, 2 when it reports none, 0 when the request fails.
  float GetBeatsPerSecond();
  // The IID band count processing currently uses (1..10).
  int GetResolutionCount() const { return m_nResolutionCount.load(std::memory_order_relaxed); }
  // Starts the 3-second input-trim measurement unless one is running.
  void StartAutoLevel();
  bool IsAutoLevelRunning() const { return m_nAutoLevelStart.load() != 0; }
  // Milliseconds since the running measurement started (0 when none runs).
  std::uint32_t GetAutoLevelElapsedMs() const;
  float GetDynamicsRate() const { return m_fRate.load(std::memory_order_relaxed); }
  CSpanoraAnalysis& GetAnalysis() { return *m_pAnalysis; }
  // The offsets remembered when "Link II/TD Range" was switched on: IID minus
  // ITD for 0 the widths, 1 the high bounds, 2 the low bounds. Any thread.
  float GetLinkOffset(int which) const {
    return (which >= 0 && which < 3) ? m_fLinkOffsets[which].load(std::memory_order_relaxed) : 0.0f;
  }

  // Millisecond clock of the trim measurement (tests replace it).
  using MillisecondClock = std::uint32_t (*)();
  void SetAutoLevelClock(MillisecondClock clock) { m_pClock = clock; }

 private:
  friend class CSpanoraReference;  // the per-sample reference path of the tests

  struct Targets {
    float iid, linear, bypass, itd, fill;
  };
  // Scratch of one run (at most one 128-sample slice).
  struct RunBuffers {
    float x[2][GAIN_SAMPLES];     // input plus noise (the dry signal)
    float rem[2][GAIN_SAMPLES];   // IID remainder
    float sum[2][GAIN_SAMPLES];   // IID parallel sums
    float tmp[2][GAIN_SAMPLES];   // filter outputs
    float tmpB[2][GAIN_SAMPLES];  // parallel filter outputs
    float fade[GAIN_SAMPLES];     // per-sample fade of one band
    float y[2][GAIN_SAMPLES];     // the chain's current pair
    float e[GAIN_SAMPLES];        // ITD side signal
  };

  float P(int index) const { return m_fParam[index].load(std::memory_order_relaxed); }
  void ComputeTargets();
  void Tick();
  void AdvanceRebuild();
  void ProcessRun(const float* inL, const float* inR, float* outL, float* outR, int n);
  void ProcessIid(int n);
  void UpdateDynamics();
  void UpdateOutputGains();
  void EndOfBlock(float* const* outputs, int frames);
  void UpdateFilters();
  void UpdateDynamicsRate();
  void DesignFillFilters();
  void DesignBand(int slot, float edgeL, float edgeR);
  void ResetAfterNonFiniteInput();
  void EnforceRangePair(int changed, int lower, int upper);
  float LfoValue(float phase);

  // Parameter values the audio thread reads (first letter only).
  std::atomic<float> m_fParam[NUM_SPANORA_PARAMS];
  std::atomic<bool> m_bFiltersDirty{true};
  std::atomic<bool> m_bBandRebuild{true};
  std::atomic<bool> m_bSampleRateChanged{true};
  std::atomic<int> m_nResolutionCount{10};
  std::atomic<float> m_fRate{0.0f};
  std::atomic<bool> m_bPhaseInvert{false};
  std::atomic<bool> m_bAnalysisOn{true};
  std::atomic<int> m_nShiftDelay{0};
  std::atomic<float> m_fLinkOffsets[3] = {0.0f, 0.0f, 0.0f};

  // IID bands.
  CRecursiveFilterCore m_BandA[2][NUM_BAND_SLOTS];
  CRecursiveFilterCore m_BandB[2][NUM_BAND_SLOTS];
  float m_fEdge[2][MAX_BANDS] = {};
  float m_fDesigned[2][NUM_BAND_SLOTS] = {};  // edges the slot's filters were designed at
  float m_fFade[NUM_BAND_SLOTS];
  float m_fFadeStep[NUM_BAND_SLOTS];
  int m_nTargetCount = 0;
  int m_nActiveCount = 0;
  int m_nMixCount = 0;
  ERebuildState m_eRebuild = REBUILD_IDLE;
  int m_nQuietTicks = 0;
  int m_nRoundRobin = 0;
  int m_nRedesignSlot = -1;  // band being replaced by the spare, or -1
  int m_nFadeOutSlot = -1;   // band fading out before it is dropped, or -1

  // ITD.
  std::unique_ptr<CDelayFilter<float>> m_pD1, m_pD2;
  float m_fXf = 0.0f;
  float m_fXs = 0.0f;
  int m_nTargetDelay = 0;
  float m_fBaseDelay = 10.0f;
  CRecursiveFilterCore m_ItdLowPass;
  CRecursiveFilterCore m_ItdHighPass;

  // ITD Fill.
  CRecursiveFilterCore m_FillNotch[2];
  CRecursiveFilterCore m_FillBandPass[2];
  std::unique_ptr<CFloatDelayFilter<float>> m_pFillDelay[2];

  // Output stage.
  std::unique_ptr<CDelayFilter<float>> m_pShiftDelay;
  float m_fGain[2] = {1.0f, 1.0f};
  float m_fGainStep[2] = {0.0f, 0.0f};

  // Smoothed mixes and their targets.
  float m_wI = 0.0f, m_wLin = 0.5f, m_wT = 0.0f, m_wF = 1.0f, m_wB = 0.0f;
  Targets m_Targets{0, 0.5f, 0, 0, 0};
  float m_fItdWidthBase = 0.0f;

  // Anti-denormal noise.
  std::uint32_t m_nSeed[2] = {600u, 598u};

  // Event countdowns (samples), persisting across blocks.
  int m_nTickRemaining = 0;
  int m_nDynamicsRemaining = 1;
  int m_nGainRemaining = GAIN_SAMPLES;
  int m_nPeakHoldRemaining = TICK_SAMPLES;

  // Peaks: the current 128-sample slice, the block, and the holds.
  float m_fSliceInPeak[2] = {0, 0};
  float m_fSliceOutPeak[2] = {0, 0};
  float m_fBlockInPeak = 0.0f;
  float m_fBlockOutPeak = 0.0f;
  float m_fOutPeakHold[2] = {0, 0};
  bool m_bNonFiniteInput = false;

  // Dynamics.
  float m_fPhase = 0.0f;
  bool m_bWrapped = false;
  int m_nShape = 0;
  float m_fDepth = 0.0f;
  float m_fRandomPrevious = 0.0f;
  float m_fRandomNext = 0.0f;
  std::uint32_t m_nRandomState = 1u;

  // Input-trim measurement.
  std::atomic<std::uint32_t> m_nAutoLevelStart{0};
  std::atomic<bool> m_bAutoLevelReset{false};
  float m_fTrimHold[4] = {0, 0, 0, 0};  // input L, input R, output L, output R
  MillisecondClock m_pClock;
  // Results handed from the audio thread to idle, which applies them through
  // the automated path (the audio thread never touches undo or host state).
  std::atomic<bool> m_bAutoLevelResultPending{false};
  std::atomic<float> m_fAutoLevelResult[2]{-1.0f, -1.0f};

  std::unique_ptr<CSpanoraAnalysis> m_pAnalysis;
  std::unique_ptr<RunBuffers> m_pRun;
};
