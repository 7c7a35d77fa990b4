#include "widener/SpanoraParameters.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

struct ParamInfo {
  const char* name;
  const char* key;
  float defaultValue;
  EDisplayRule rule;
};

constexpr ParamInfo kParams[NUM_SPANORA_PARAMS] = {
    {"IID Width", "Width", 1.0f, DISPLAY_NUMBER},
    {"IID Resolution", "Resolution", 1.0f, DISPLAY_RESOLUTION},
    {"Linear Width", "LinearWidth", 0.5f, DISPLAY_WIDTH_PERCENT},
    {"Phase Invert", "Invert", 0.0f, DISPLAY_ON_OFF},
    {"Phase Shift", "Shift", 0.0f, DISPLAY_NUMBER},
    {"Dynamics", "Dynamics", 0.0f, DISPLAY_NUMBER},
    {"Bypass", "Bypass", 0.0f, DISPLAY_ON_OFF},
    {"Mono", "Mono", 0.0f, DISPLAY_ON_OFF},
    {"IID Enabled", "WREnabled", 1.0f, DISPLAY_ON_OFF},
    {"IID Focus Lower", "WRLowFreq", 0.0f, DISPLAY_FREQUENCY},
    {"IID Focus Upper", "WRHighFreq", 1.0f, DISPLAY_FREQUENCY},
    {"IID Low Bound", "WRRestrictLowFreq", 0.0f, DISPLAY_FREQUENCY},
    {"IID High Bound", "WRRestrictHighFreq", 1.0f, DISPLAY_FREQUENCY},
    {"IID Invert", "WRInvert", 0.0f, DISPLAY_ON_OFF},
    {"ITD Enabled", "SplitDelayEnabled", 0.0f, DISPLAY_ON_OFF},
    {"ITD High Bound", "SplitDelayLPF", 0.75f, DISPLAY_FREQUENCY},
    {"ITD Low Bound", "SplitDelayHPF", 0.25f, DISPLAY_FREQUENCY},
    {"ITD Width", "SplitDelayMix", 0.8f, DISPLAY_NUMBER},
    {"Acuity", "SplitDelayTime", 0.8f, DISPLAY_NUMBER},
    {"", "Deprecated1", 1.0f, DISPLAY_ON_OFF},
    {"Input Trim Auto", "AutoLevel", 0.0f, DISPLAY_ON_OFF},
    {"Link II/TD Range", "Link", 1.0f, DISPLAY_ON_OFF},
    {"Dynamics Speed", "DynSpeed", 0.5f, DISPLAY_SPEED},
    {"Dynamics Depth", "DynDepth", 0.5f, DISPLAY_NUMBER},
    {"Dynamics Shape", "DynType", 0.0f, DISPLAY_SHAPE},
    {"Dynamics Tempo Sync", "DynTempo", 0.0f, DISPLAY_ON_OFF},
    {"ITD Fill", "HaasEnabled", 0.0f, DISPLAY_NUMBER},
    {"Solo Left", "SoloL", 0.0f, DISPLAY_ON_OFF},
    {"Solo Right", "SoloR", 0.0f, DISPLAY_ON_OFF},
    {"Output Balance", "Balance", 0.5f, DISPLAY_BALANCE},
    {"Auto Level Amount 0", "AutoLevelAmount0", 0.5f, DISPLAY_DOUBLED},
    {"Auto Level Amount 1", "AutoLevelAmount1", 0.5f, DISPLAY_DOUBLED},
};

// Mirror names and keys, built once (thread-safe static initialisation).
struct MirrorTexts {
  char names[NUM_SPANORA_PARAMS][40];
  char keys[NUM_SPANORA_PARAMS][40];
  MirrorTexts() {
    for (int i = 0; i < NUM_SPANORA_PARAMS; ++i) {
      std::snprintf(names[i], sizeof names[i], "%s B", kParams[i].name);
      std::snprintf(keys[i], sizeof keys[i], "B_%s", kParams[i].key);
    }
  }
};
const MirrorTexts& Mirrors() {
  static const MirrorTexts texts;
  return texts;
}

inline bool InRange(int index) { return index >= 0 && index < NUM_SPANORA_AUTOMATABLE; }

thread_local char t_textBuffer[64];

}  // namespace

namespace SpanoraParameters {

const char* Name(int index) {
  if (!InRange(index)) return "";
  return index < NUM_SPANORA_PARAMS ? kParams[index].name : Mirrors().names[index - NUM_SPANORA_PARAMS];
}

const char* Key(int index) {
  if (!InRange(index)) return "OUT_OF_BOUNDS";
  return index < NUM_SPANORA_PARAMS ? kParams[index].key : Mirrors().keys[index - NUM_SPANORA_PARAMS];
}

float Default(int index) { return InRange(index) ? kParams[index % NUM_SPANORA_PARAMS].defaultValue : -1.0f; }

EDisplayRule Rule(int index) { return kParams[(InRange(index) ? index : 0) % NUM_SPANORA_PARAMS].rule; }

const char* Label(int index) {
  return (index % NUM_SPANORA_PARAMS) == PARAM_DYN_SPEED ? " BPS" : " ";
}

int IndexOfKey(const char* key) {
  for (int i = 0; i < NUM_SPANORA_AUTOMATABLE; ++i) {
    if (std::strcmp(Key(i), key) == 0) return i;
  }
  return -1;
}

}  // namespace SpanoraParameters

float RangeToFrequency(float v) {
  static const double kLow = std::log(20.0);
  static const double kSpan = std::log(22000.0) - std::log(20.0);
  return static_cast<float>(std::exp(kLow + v * kSpan));
}

float DynamicsSpeedHz(float v) {
  // The span subtracts 0.00625 itself, not its logarithm: the top of the
  // range is e^-0.00625, just under 1 Hz.
  static const double kLow = std::log(0.00625);
  static const double kSpan = std::log(160.0) - 0.00625;
  return static_cast<float>(std::exp(kLow + v * kSpan));
}

int DynamicsShapeIndex(float v) { return static_cast<int>(v * 4.0f + 0.5f); }

const char* FrequencyString(float hz, EFrequencyStringFormat format) {
  if (hz < 1000.0f) {
    std::snprintf(t_textBuffer, sizeof t_textBuffer, "%.0fHz", hz);
  } else {
    const float khz = hz / 1000.0f;
    if (format == FREQUENCY_FORMAT_COMPACT && khz >= 10.0f) {
      std::snprintf(t_textBuffer, sizeof t_textBuffer, "%.0fkHz", khz);
    } else {
      std::snprintf(t_textBuffer, sizeof t_textBuffer, "%.1fkHz", khz);
    }
  }
  return t_textBuffer;
}

const char* LRPanString(float value) {
  if (value == 0.5f) std::snprintf(t_textBuffer, sizeof t_textBuffer, "%.0f", 0.0);
  else if (value < 0.5f) std::snprintf(t_textBuffer, sizeof t_textBuffer, "L%.0f", (0.5f - value) * 200.0f);
  else std::snprintf(t_textBuffer, sizeof t_textBuffer, "R%.0f", (value - 0.5f) * 200.0f);
  return t_textBuffer;
}
