#pragma once
// A preset definition: a name and {index, value} pairs ended by index -1.
// Indices not listed keep their defaults.
#include <cstdint>

struct KivPresetValue {
  std::int32_t index;
  float value;
};

struct KivPreset {
  const char* name;
  const KivPresetValue* values;
};
