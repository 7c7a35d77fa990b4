#pragma once
// The widener's factory preset table, in program order.
#include "Helpers/KivPreset.h"

constexpr int NUM_SPANORA_PRESETS = 40;
extern const KivPreset SPANORA_PRESETS[NUM_SPANORA_PRESETS];
