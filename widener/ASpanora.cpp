#include "widener/ASpanora.h"

#include <cstdio>
#include <cstring>

#include "Helpers/ErrorReport.h"
#include "Helpers/Vst/VstText.h"
#include "widener/SpanoraPresets.h"

std::atomic<bool> g_bCacheTextures{true};

namespace {
constexpr const char* kShapeNames[] = {"Sine", "Triangle", "Square", "RND1", "RND2"};
}

ASpanora::ASpanora(vst::HostCallback audioMaster)
    : KivEffect(audioMaster, NUM_SPANORA_PARAMS, NUM_SPANORA_PARAMS) {
  setNumInputs(2);
  setNumOutputs(2);
  setUniqueID(vst::FourCC('K', 'S', 'P', '3'));
  ProgramRecord& defaults = DefaultProgram();
  for (int i = 0; i < NUM_SPANORA_AUTOMATABLE; ++i) defaults.values[i] = SpanoraParameters::Default(i);
  InitPersistentParam(PARAM_CACHE_TEXTURES, "CacheTextures", 1.0f);
  InitPersistentParam(PARAM_ANALYSIS, "Analysis", 1.0f);
  InitTransientParam(PARAM_PROFILING_INFO, "ProfilingInfo", 0.0f);
  g_bCacheTextures.store(GetPersistentParam(PARAM_CACHE_TEXTURES) != 0.0f);
  FinishConstruction();
}

ASpanora::~ASpanora() {
  // Stop idle and audio work before any member goes away.
  BeginDestruction();
  Cleanup();
}

int ASpanora::CreateFactoryPrograms() {
  return kiv::Guard(KIV_SIGNATURE, 0, [&] {
    for (const KivPreset& preset : SPANORA_PRESETS) AddProgram(preset, false);
    return GetFactoryProgramCount();
  });
}

void ASpanora::processReplacing(float** inputs, float** outputs, std::int32_t frames) {
  if (IsBeingDestroyed() || frames <= 0) return;
  for (int c = 0; c < 2; ++c) {
    if (inputs[c] != outputs[c]) std::memmove(outputs[c], inputs[c], sizeof(float) * static_cast<std::size_t>(frames));
  }
}

void ASpanora::ParameterChanged(int index) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (index == PARAM_RESOLUTION) {
      int n = 1 + static_cast<int>(9.0f * GetAnyParameter(PARAM_RESOLUTION) + 0.5f);
      m_nResolutionCount.store(n < 1 ? 1 : (n > 10 ? 10 : n), std::memory_order_relaxed);
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
    const float v = GetAnyParameter(index);
    switch (SpanoraParameters::Rule(index)) {
      case DISPLAY_NUMBER: vst::float2string(v, text, 8); break;
      case DISPLAY_DOUBLED: vst::float2string(2.0f * v, text, 8); break;
      case DISPLAY_ON_OFF: std::strcpy(text, v != 0.0f ? "On" : "Off"); break;
      // The lone trailing "%" of this format is printed as itself.
      case DISPLAY_WIDTH_PERCENT: std::sprintf(text, "%.0f/%%", static_cast<double>(v * 200.0f)); break;
      case DISPLAY_RESOLUTION: std::sprintf(text, "%i", GetResolutionCount()); break;
      case DISPLAY_FREQUENCY: std::strcpy(text, FrequencyString(RangeToFrequency(v), FREQUENCY_FORMAT_DEFAULT)); break;
      case DISPLAY_SPEED: vst::float2string(DynamicsSpeedHz(v), text, 8); break;
      case DISPLAY_SHAPE: {
        const int k = DynamicsShapeIndex(v);
        std::strcpy(text, kShapeNames[k < 0 ? 0 : (k > 4 ? 4 : k)]);
        break;
      }
      case DISPLAY_BALANCE: std::strcpy(text, LRPanString(v)); break;
    }
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

float ASpanora::GetBeatsPerSecond() {
  return kiv::Guard(KIV_SIGNATURE, 0.0f, [&] {
    const vst::VstTimeInfo* info = getTimeInfo(vst::kVstTempoValid | vst::kVstTimeSigValid);
    if (info == nullptr) return 0.0f;
    if ((info->flags & vst::kVstTempoValid) == 0) return 2.0f;
    return static_cast<float>(info->tempo / 60.0);
  });
}
