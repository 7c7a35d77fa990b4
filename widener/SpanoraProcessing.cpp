// The widener's block: parameters become targets, the engine runs the chain,
// and the end of the block applies deferred filter updates and feeds the
// editor's analysis and meters.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "Helpers/ErrorReport.h"
#include "Helpers/KivEditorInterface.h"
#include "widener/ASpanora.h"
#include "widener/SpanoraMapping.h"

void ASpanora::processReplacing(float** inputs, float** outputs, std::int32_t frames) {
  if (IsBeingDestroyed() || frames <= 0 || inputs == nullptr || outputs == nullptr || !m_pEngine) return;
  if (inputs[0] == nullptr || inputs[1] == nullptr || outputs[0] == nullptr || outputs[1] == nullptr) return;
  if (IsProcessingLocked()) {
    for (int c = 0; c < 2; ++c) {
      if (inputs[c] != outputs[c]) std::memmove(outputs[c], inputs[c], sizeof(float) * static_cast<std::size_t>(frames));
    }
    return;
  }
  // The profile costs two clock reads a block: only while its lines are shown.
  CProcessTimer timed(ProcessProfile(), frames, GetTransientParam(PARAM_PROFILING_INFO) != 0.0f);
  UpdateDawTimeFromProcess(timed.StartTick());
  // Flags are read before they are taken: a locked exchange on every block
  // would wait for the block's stores to drain.
  if (m_bSampleRateChanged.load(std::memory_order_relaxed) &&
      m_bSampleRateChanged.exchange(false)) {  // raised after setSampleRate stored the rate
    const float rate = getSampleRate();
    m_fSampleRate = rate > 0.0f && std::isfinite(rate) ? rate : 44100.0f;
    ProcessProfile().SetWindowFrames(static_cast<std::int64_t>(m_fSampleRate));
    m_pEngine->Prepare(m_fSampleRate);
    UpdateFilters();
  }
  float values[NUM_SPANORA_PARAMS + 1];  // and the dynamics rate
  ReadParameters(values);
  values[NUM_SPANORA_PARAMS] = m_fRate.load(std::memory_order_relaxed);
  if (!m_bMapped || std::memcmp(values, m_fMappedValues, sizeof values) != 0) {
    m_pEngine->SetTargets(SpanoraMapping::Targets(values, values[NUM_SPANORA_PARAMS]));
    std::memcpy(m_fMappedValues, values, sizeof values);
    m_bMapped = true;
  }
  const float* const in[2] = {inputs[0], inputs[1]};
  float* const out[2] = {outputs[0], outputs[1]};
  m_pEngine->Process(in, out, frames);
  EndOfBlock(outputs, frames);
}

void ASpanora::ReadParameters(float* values) const {
  for (int i = 0; i < NUM_SPANORA_PARAMS; ++i) values[i] = P(i);
}

void ASpanora::UpdateFilters() {
  float values[NUM_SPANORA_PARAMS];
  ReadParameters(values);
  const int n = SpanoraMapping::BandCount(values[PARAM_RESOLUTION]);
  const bool rebuild = m_bBandRebuild.exchange(false);
  if (n != m_nResolutionCount.load() || rebuild) {
    m_nResolutionCount.store(n);
    m_pEngine->SetBandLayout(SpanoraMapping::BandLayout(values, m_fSampleRate));
  }
  m_pEngine->SetItdDesign(SpanoraMapping::ItdDesign(values, m_fSampleRate));
}

void ASpanora::EndOfBlock(float* const* outputs, int frames) {
  if (m_bFiltersDirty.load(std::memory_order_relaxed) && m_bFiltersDirty.exchange(false)) UpdateFilters();
  m_nPeakHoldRemaining -= frames;
  const bool handHolds = m_nPeakHoldRemaining <= 0;
  if (handHolds) m_nPeakHoldRemaining += TICK_SAMPLES * (1 + (-m_nPeakHoldRemaining) / TICK_SAMPLES);
  CKivEditorInterface* view = GetKivEditor();
  if (view == nullptr || !view->isOpen()) {
    if (handHolds) m_pEngine->ClearOutputPeakHolds();
    return;
  }
  // The audio thread never waits for the editor: a busy editor misses one block.
  if (!view->TryLock()) return;
  if (m_bAnalysisOn.load(std::memory_order_relaxed)) m_pAnalysis->Feed(outputs[0], outputs[1], frames);
  auto meter = [](float peak) {
    if (!(peak > 0.0f)) return 0.0f;
    return std::clamp(20.0f * std::log10(peak) / 60.0f + 1.0f, 0.0f, 1.0f);
  };
  view->SetLevelMeters(meter(m_pEngine->BlockInputPeak()), meter(m_pEngine->BlockOutputPeak()));
  if (handHolds) {
    view->SetOutputPeakHolds(m_pEngine->OutputPeakHold(0), m_pEngine->OutputPeakHold(1));
    m_pEngine->ClearOutputPeakHolds();
  }
  view->Unlock();
}
