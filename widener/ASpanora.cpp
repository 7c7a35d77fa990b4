#include "widener/ASpanora.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "Helpers/ErrorReport.h"
#include "Helpers/Vst/VstText.h"
#include "platform/Clock.h"
#include "widener/SpanoraPresets.h"

namespace {
constexpr const char* kShapeNames[] = {"Sine", "Triangle", "Square", "RND1", "RND2"};
}

ASpanora::ASpanora(vst::HostCallback master)
    : KivEffect(master, NUM_SPANORA_PARAMS, NUM_SPANORA_PARAMS), m_pClock(&platform::GetTickCount) {
  setNumInputs(2);
  setNumOutputs(2);
  setUniqueID(vst::FourCC('K', 'S', 'P', '3'));
  ProgramRecord& defaults = DefaultProgram();
  for (int i = 0; i < NUM_SPANORA_AUTOMATABLE; ++i) defaults.values[i] = SpanoraParameters::Default(i);
  InitPersistentParam(PARAM_CACHE_TEXTURES, "CacheTextures", 1.0f);
  InitPersistentParam(PARAM_ANALYSIS, "Analysis", 1.0f);
  InitTransientParam(PARAM_PROFILING_INFO, "ProfilingInfo", 0.0f);
  FinishConstruction();
}

ASpanora::~ASpanora() {
  // Stop idle and audio work before any member goes away.
  BeginDestruction();
  Cleanup();
}

namespace {
std::atomic<SpanoraEditorFactory> g_EditorFactory{nullptr};
}

void SetSpanoraEditorFactory(SpanoraEditorFactory factory) { g_EditorFactory.store(factory); }

void ASpanora::Init() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (SpanoraEditorFactory factory = g_EditorFactory.load()) SetKivEditor(factory(this));
    for (int i = 0; i < NUM_SPANORA_PARAMS; ++i) m_fParam[i].store(DefaultProgram().values[i]);
    m_pEngine = std::make_unique<CSpanoraEngine>();
    m_pEngine->SetClock(m_pClock);
    FFT_Init();
    m_pAnalysis = std::make_unique<CSpanoraAnalysis>();
  });
}

void ASpanora::Cleanup() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_pAnalysis.reset();
    m_pEngine.reset();
    FFT_Deinit();
  });
}

void ASpanora::setSampleRate(float rate) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    // Out-of-range rates (0, negative, above MAX_SAMPLE_RATE, inf, NaN) are ignored.
    if (!IsAcceptedSampleRate(rate) || rate == sampleRate) return;
    KivEffect::setSampleRate(rate);
    m_bBandRebuild.store(true);
    m_bSampleRateChanged.store(true);
    UpdateDynamicsRate();
  });
}

void ASpanora::OnIdle() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    // Trim results measured on the audio thread reach the host from here.
    float amounts[2];
    if (!m_pEngine || !m_pEngine->Trim().TakeResult(amounts)) return;
    SetParameterAutomatedChecked(PARAM_AUTO_LEVEL, 1.0f);
    if (amounts[0] >= 0.0f) SetParameterAutomatedChecked(PARAM_AUTO_LEVEL_AMOUNT0, amounts[0]);
    if (amounts[1] >= 0.0f) SetParameterAutomatedChecked(PARAM_AUTO_LEVEL_AMOUNT1, amounts[1]);
  });
}

int ASpanora::CreateFactoryPrograms() {
  return kiv::Guard(KIV_SIGNATURE, 0, [&] {
    for (const KivPreset& preset : SPANORA_PRESETS) AddProgram(preset, false);
    return GetFactoryProgramCount();
  });
}

namespace {
constexpr float kMinimumRangeGap = 0.08f;
}  // namespace

void ASpanora::EnforceRangePair(int changed, int lower, int upper) {
  const float lo = GetAnyParameter(lower), hi = GetAnyParameter(upper);
  if (hi - lo >= kMinimumRangeGap - 1e-6f) return;
  if (m_bRangeGuard) return;  // our own correction below
  m_bRangeGuard = true;
  const int other = changed == lower ? upper : lower;
  const float direction = changed == lower ? 1.0f : -1.0f;
  const float value = GetAnyParameter(changed);
  const float otherValue = std::clamp(value + direction * kMinimumRangeGap, 0.0f, 1.0f);
  SetParameterAutomatedChecked(other, otherValue);
  SetParameterAutomatedChecked(changed, std::clamp(otherValue - direction * kMinimumRangeGap, 0.0f, 1.0f));
  m_bRangeGuard = false;
}

void ASpanora::EnforceStoredRules() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    // Both solos on would mute both outputs: Solo Left, first in the table, stays.
    if (GetAnyParameter(PARAM_SOLO_L) != 0.0f && GetAnyParameter(PARAM_SOLO_R) != 0.0f) {
      SetParameterAutomatedChecked(PARAM_SOLO_R, 0.0f);
    }
    // A range narrower than the gap is widened as if its lower end had just been set.
    EnforceRangePair(PARAM_WR_LOW_FREQ, PARAM_WR_LOW_FREQ, PARAM_WR_HIGH_FREQ);
    EnforceRangePair(PARAM_WR_RESTRICT_LOW_FREQ, PARAM_WR_RESTRICT_LOW_FREQ, PARAM_WR_RESTRICT_HIGH_FREQ);
    EnforceRangePair(PARAM_SPLIT_DELAY_HPF, PARAM_SPLIT_DELAY_HPF, PARAM_SPLIT_DELAY_LPF);
  });
}

void ASpanora::ParameterChanged(int index) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (index == PARAM_ANALYSIS) m_bAnalysisOn.store(GetAnyParameter(index) != 0.0f);
    if (index < 0 || index >= NUM_SPANORA_PARAMS) {
      if (index >= 9002) m_bFiltersDirty.store(true);
      return;
    }
    float v = GetAnyParameter(index);
    if (index == PARAM_RESOLUTION) {
      // The band count is whole: the value snaps to the count it selects.
      const int n = std::clamp(1 + static_cast<int>(9.0f * v + 0.5f), 1, MAX_BANDS);
      const float snapped = static_cast<float>(n - 1) / 9.0f;
      if (v != snapped) {
        CurrentProgram().Set(PARAM_RESOLUTION, snapped);
        v = snapped;
      }
    }
    m_fParam[index].store(v, std::memory_order_relaxed);

    switch (index) {
      case PARAM_INVERT:
      case PARAM_SHIFT: return;  // read per block
      case PARAM_DYNAMICS:
      case PARAM_DYN_SPEED:
      case PARAM_DYN_TEMPO: DeferAfterStateLock(TASK_DYNAMICS_RATE); return;  // asks the host its tempo
      case PARAM_LINK:
        if (v != 0.0f) {
          m_fLinkOffsets[0] = P(PARAM_WIDTH) - P(PARAM_SPLIT_DELAY_MIX);
          m_fLinkOffsets[1] = P(PARAM_WR_RESTRICT_HIGH_FREQ) - P(PARAM_SPLIT_DELAY_LPF);
          m_fLinkOffsets[2] = P(PARAM_WR_RESTRICT_LOW_FREQ) - P(PARAM_SPLIT_DELAY_HPF);
        }
        return;
      case PARAM_SOLO_L:
      case PARAM_SOLO_R:
        if (v != 0.0f && RefreshDepth() == 0) {
          const int other = index == PARAM_SOLO_L ? PARAM_SOLO_R : PARAM_SOLO_L;
          if (GetAnyParameter(other) != 0.0f) SetParameterAutomatedChecked(other, 0.0f);
        }
        return;
      case PARAM_WIDTH:
      case PARAM_LINEAR_WIDTH:
      case PARAM_BYPASS:
      case PARAM_MONO:
      case PARAM_WR_ENABLED:
      case PARAM_SPLIT_DELAY_ENABLED:
      case PARAM_SPLIT_DELAY_MIX:
      case PARAM_AUTO_LEVEL:
      case PARAM_DYN_DEPTH:
      case PARAM_HAAS_ENABLED:
      case PARAM_BALANCE: return;  // read per block
      default: break;
    }
    m_bFiltersDirty.store(true);
    switch (index) {
      case PARAM_RESOLUTION:
      case PARAM_WR_LOW_FREQ:
      case PARAM_WR_HIGH_FREQ:
      case PARAM_WR_RESTRICT_LOW_FREQ:
      case PARAM_WR_RESTRICT_HIGH_FREQ:
      case PARAM_WR_INVERT: m_bBandRebuild.store(true); break;
      default: break;
    }
    // Stored values are applied as a whole and checked at the end
    // (EnforceStoredRules); here only live edits are corrected.
    if (RefreshDepth() != 0) return;
    switch (index) {
      case PARAM_WR_LOW_FREQ:
      case PARAM_WR_HIGH_FREQ: EnforceRangePair(index, PARAM_WR_LOW_FREQ, PARAM_WR_HIGH_FREQ); break;
      case PARAM_WR_RESTRICT_LOW_FREQ:
      case PARAM_WR_RESTRICT_HIGH_FREQ:
        EnforceRangePair(index, PARAM_WR_RESTRICT_LOW_FREQ, PARAM_WR_RESTRICT_HIGH_FREQ);
        break;
      case PARAM_SPLIT_DELAY_HPF:
      case PARAM_SPLIT_DELAY_LPF: EnforceRangePair(index, PARAM_SPLIT_DELAY_HPF, PARAM_SPLIT_DELAY_LPF); break;
      default: break;
    }
  });
}

const char* ASpanora::GetParameterKey(int index) { return SpanoraParameters::Key(index); }

void ASpanora::getParameterName(std::int32_t index, char* text) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    switch (index) {
      case PARAM_CACHE_TEXTURES: std::strcpy(text, "Cache Textures"); break;
      case PARAM_ANALYSIS: std::strcpy(text, "Analysis"); break;
      case PARAM_PROFILING_INFO: std::strcpy(text, "Profiling Info"); break;
      default: std::strcpy(text, SpanoraParameters::Name(index)); break;
    }
  });
}

void ASpanora::getParameterLabel(std::int32_t index, char* text) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (index >= 0 && index < NUM_SPANORA_AUTOMATABLE) std::strcpy(text, SpanoraParameters::Label(index));
  });
}

void ASpanora::getParameterDisplay(std::int32_t index, char* text) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (index < 0 || index >= NUM_SPANORA_AUTOMATABLE) return;
    // Values are kept in 0..1; the clamp and the cut keep the text within
    // the 8 characters hosts allow whatever happens.
    const float v = std::clamp(GetAnyParameter(index), 0.0f, 1.0f);
    char out[64] = {};
    switch (SpanoraParameters::Rule(index)) {
      case DISPLAY_NUMBER: vst::float2string(v, out, vst::kVstMaxParamStrLen); break;
      case DISPLAY_DOUBLED: vst::float2string(2.0f * v, out, vst::kVstMaxParamStrLen); break;
      case DISPLAY_ON_OFF: std::strcpy(out, v != 0.0f ? "On" : "Off"); break;
      // The lone trailing "%" of this format is printed as itself.
      case DISPLAY_WIDTH_PERCENT: std::snprintf(out, sizeof out, "%.0f/%%", static_cast<double>(v * 200.0f)); break;
      case DISPLAY_RESOLUTION: std::snprintf(out, sizeof out, "%i", GetResolutionCount()); break;
      case DISPLAY_FREQUENCY:
        vst::vst_strncpy(out, FrequencyString(RangeToFrequency(v), FREQUENCY_FORMAT_DEFAULT), sizeof out - 1);
        break;
      case DISPLAY_SPEED: vst::float2string(DynamicsSpeedHz(v), out, vst::kVstMaxParamStrLen); break;
      case DISPLAY_SHAPE: {
        const int k = DynamicsShapeIndex(v);
        std::strcpy(out, kShapeNames[k < 0 ? 0 : (k > 4 ? 4 : k)]);
        break;
      }
      case DISPLAY_BALANCE: vst::vst_strncpy(out, LRPanString(v), sizeof out - 1); break;
    }
    vst::vst_strncpy(text, out, vst::kVstMaxParamStrLen);
  });
}

bool ASpanora::getEffectName(char* text) {
  std::strcpy(text, "Tarnwell Spanora3");
  return true;
}

bool ASpanora::getProductString(char* text) {
  std::strcpy(text, "Tarnwell Audio - Spanora3");
  return true;
}

std::int32_t ASpanora::canDo(const char* text) {
  return kiv::Guard(KIV_SIGNATURE, std::int32_t{0}, [&]() -> std::int32_t {
    if (std::strcmp(text, "receiveVstTimeInfo") == 0) return 1;
    if (std::strcmp(text, "plugAsChannelInsert") == 0) return 1;
    if (std::strcmp(text, "plugAsSend") == 0) return 1;
    return -1;
  });
}

void ASpanora::StartAutoLevel() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_pEngine) m_pEngine->Trim().Start(m_pClock());
  });
}

void ASpanora::RunAfterStateLock(std::uint32_t tasks) {
  if (tasks & TASK_DYNAMICS_RATE) UpdateDynamicsRate();
}

void ASpanora::UpdateDynamicsRate() {
  if (P(PARAM_DYNAMICS) == 0.0f) return;
  float rate = DynamicsSpeedHz(P(PARAM_DYN_SPEED));
  if (P(PARAM_DYN_TEMPO) != 0.0f) {
    // The period rounds down to whole beats, never below one beat.
    const float bps = GetBeatsPerSecond();
    if (bps > 0.0f && rate > 0.0f) {
      const int beats = static_cast<int>((1.0f / rate) / (1.0f / bps));
      rate = beats >= 1 ? bps / static_cast<float>(beats) : bps;
    }
  }
  m_fRate.store(rate, std::memory_order_relaxed);
}

float ASpanora::GetBeatsPerSecond() {
  return kiv::Guard(KIV_SIGNATURE, 0.0f, [&] {
    const vst::VstTimeInfo* info = getTimeInfo(vst::kVstTempoValid | vst::kVstTimeSigValid);
    if (info == nullptr) return 0.0f;
    if ((info->flags & vst::kVstTempoValid) == 0) return 2.0f;
    return static_cast<float>(info->tempo / 60.0);
  });
}

std::uint32_t ASpanora::GetAutoLevelElapsedMs() const {
  const std::uint32_t start = m_pEngine ? m_pEngine->Trim().GetStart() : 0;
  return start != 0 ? m_pClock() - start : 0;
}
