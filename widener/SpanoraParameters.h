#pragma once
// The widener's parameter table: indices, names, keys, labels, defaults and
// display rules, plus the value mappings shared by display and processing.

enum ESpanoraParam {
  PARAM_WIDTH = 0,
  PARAM_RESOLUTION,
  PARAM_LINEAR_WIDTH,
  PARAM_INVERT,
  PARAM_SHIFT,
  PARAM_DYNAMICS,
  PARAM_BYPASS,
  PARAM_MONO,
  PARAM_WR_ENABLED,
  PARAM_WR_LOW_FREQ,
  PARAM_WR_HIGH_FREQ,
  PARAM_WR_RESTRICT_LOW_FREQ,
  PARAM_WR_RESTRICT_HIGH_FREQ,
  PARAM_WR_INVERT,
  PARAM_SPLIT_DELAY_ENABLED,
  PARAM_SPLIT_DELAY_LPF,
  PARAM_SPLIT_DELAY_HPF,
  PARAM_SPLIT_DELAY_MIX,
  PARAM_SPLIT_DELAY_TIME,
  PARAM_DEPRECATED1,
  PARAM_AUTO_LEVEL,
  PARAM_LINK,
  PARAM_DYN_SPEED,
  PARAM_DYN_DEPTH,
  PARAM_DYN_TYPE,
  PARAM_DYN_TEMPO,
  PARAM_HAAS_ENABLED,
  PARAM_SOLO_L,
  PARAM_SOLO_R,
  PARAM_BALANCE,
  PARAM_AUTO_LEVEL_AMOUNT0,
  PARAM_AUTO_LEVEL_AMOUNT1,
  NUM_SPANORA_PARAMS  // per letter
};

constexpr int NUM_SPANORA_AUTOMATABLE = 2 * NUM_SPANORA_PARAMS;
constexpr int PARAM_CACHE_TEXTURES = 9000;
constexpr int PARAM_ANALYSIS = 9001;
constexpr int PARAM_PROFILING_INFO = 9100;

enum EDisplayRule { DISPLAY_NUMBER, DISPLAY_DOUBLED, DISPLAY_ON_OFF, DISPLAY_WIDTH_PERCENT, DISPLAY_RESOLUTION,
                    DISPLAY_FREQUENCY, DISPLAY_SPEED, DISPLAY_SHAPE, DISPLAY_BALANCE };

enum EFrequencyStringFormat { FREQUENCY_FORMAT_DEFAULT = 0, FREQUENCY_FORMAT_COMPACT = 1 };

namespace SpanoraParameters {
// Name, key, default and display rule of 0..63 (mirrors carry " B" / "B_").
// Out of range: "" / "OUT_OF_BOUNDS" / -1.
const char* Name(int index);
const char* Key(int index);
float Default(int index);
EDisplayRule Rule(int index);
const char* Label(int index);
// The index whose key is `key`, or -1.
int IndexOfKey(const char* key);
}  // namespace SpanoraParameters

// 20 * 1100^v Hz, the mapping of every frequency-range parameter.
float RangeToFrequency(float v);
// The dynamics rate in Hz for a "Dynamics Speed" value.
float DynamicsSpeedHz(float v);
// The shape index 0..4 for a "Dynamics Shape" value.
int DynamicsShapeIndex(float v);

// Texts returned in a per-thread buffer; copy them before the next call.
const char* FrequencyString(float hz, EFrequencyStringFormat format);
const char* LRPanString(float value);
