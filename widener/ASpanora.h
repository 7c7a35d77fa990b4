#pragma once
// The stereo-image widener effect: parameters and programs, and an audio path
// of second-order filters and delay lines that adds no latency.
//
// Threads: processReplacing runs on the host's audio thread and reads only
// atomics and state it owns. Parameter changes (any thread) store their
// values into m_fParam and raise flags; the audio thread picks them up per
// block, per 1024-sample tick or at the end of a block. ParameterChanged
// runs under the effect's state lock (KivEffect), so the control state kept
// here needs no more than that; the dynamics rate, which asks the host for
// its tempo, is worked out once the lock is let go (RunAfterStateLock).
#include <atomic>
#include <cstdint>
#include <memory>

#include "Helpers/KivEffect.h"
#include "widener/SpanoraAnalysis.h"
#include "widener/SpanoraEngine.h"
#include "widener/SpanoraParameters.h"

class ASpanora;
class CKivEditorInterface;
// The editor lives in its own library, over the view framework; a program
// that links it installs its factory once (SpanoraEditor.h), and every
// effect made afterwards creates its editor with it. Without one the effect
// runs without an editor.
using SpanoraEditorFactory = CKivEditorInterface* (*)(ASpanora* effect);
void SetSpanoraEditorFactory(SpanoraEditorFactory factory);

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
  void EnforceStoredRules() override;
  void RunAfterStateLock(std::uint32_t tasks) override;

  // --- Widener -------------------------------------------------------------
  // The host tempo in beats per second: tempo / 60 when the host reports a
  // valid tempo, 2 when it reports none, 0 when the request fails.
  float GetBeatsPerSecond();
  // The IID band count processing currently uses (1..10).
  int GetResolutionCount() const { return m_nResolutionCount.load(std::memory_order_relaxed); }
  // Starts the 3-second input-trim measurement unless one is running.
  void StartAutoLevel();
  bool IsAutoLevelRunning() const { return m_pEngine && m_pEngine->Trim().IsRunning(); }
  float GetDynamicsRate() const { return m_fRate.load(std::memory_order_relaxed); }
  CSpanoraAnalysis& GetAnalysis() { return *m_pAnalysis; }
  // The audio path (read it only while no block is being processed).
  const CSpanoraEngine& GetEngine() const { return *m_pEngine; }
  // Milliseconds since the running measurement started (0 when none runs).
  std::uint32_t GetAutoLevelElapsedMs() const;
  // The offsets remembered when "Link II/TD Range" was switched on: IID minus
  // ITD for 0 the widths, 1 the high bounds, 2 the low bounds. Any thread.
  float GetLinkOffset(int which) const {
    return (which >= 0 && which < 3) ? m_fLinkOffsets[which].load(std::memory_order_relaxed) : 0.0f;
  }

  // Millisecond clock of the trim measurement (tests replace it).
  using MillisecondClock = std::uint32_t (*)();
  void SetAutoLevelClock(MillisecondClock clock) {
    m_pClock = clock;
    m_pEngine->SetClock(clock);
  }

 private:
  // A parameter value as the audio path reads it: inside 0 ... 1 whatever
  // reached the store (NaN reads as 0).
  float P(int index) const {
    const float v = m_fParam[index].load(std::memory_order_relaxed);
    return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;
  }
  void ReadParameters(float* values) const;
  void EndOfBlock(float* const* outputs, int frames);
  void UpdateFilters();
  // Work for after the state lock (KivEffect::DeferAfterStateLock).
  static constexpr std::uint32_t TASK_DYNAMICS_RATE = 1;
  void UpdateDynamicsRate();
  void EnforceRangePair(int changed, int lower, int upper);

  // Parameter values the audio thread reads (first letter only).
  std::atomic<float> m_fParam[NUM_SPANORA_PARAMS];
  std::atomic<bool> m_bFiltersDirty{true};
  std::atomic<bool> m_bBandRebuild{true};
  std::atomic<bool> m_bSampleRateChanged{true};
  std::atomic<int> m_nResolutionCount{10};
  std::atomic<float> m_fRate{0.0f};
  std::atomic<bool> m_bAnalysisOn{true};
  // Control state: changed only under the state lock (ParameterChanged);
  // the offsets are atomic because the editor reads them on its own thread.
  std::atomic<float> m_fLinkOffsets[3] = {0.0f, 0.0f, 0.0f};
  bool m_bRangeGuard = false;  // the range pairs' own corrections do not re-check

  float m_fSampleRate = 44100.0f;  // the rate the engine is prepared for
  // What the last targets were mapped from (audio thread only): unchanged
  // values need no new mapping.
  float m_fMappedValues[NUM_SPANORA_PARAMS + 1] = {};
  bool m_bMapped = false;
  int m_nPeakHoldRemaining = TICK_SAMPLES;
  MillisecondClock m_pClock;

  std::unique_ptr<CSpanoraEngine> m_pEngine;
  std::unique_ptr<CSpanoraAnalysis> m_pAnalysis;
};
