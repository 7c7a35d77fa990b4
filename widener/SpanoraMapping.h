#pragma once
// How the widener's parameter values (one letter, NUM_SPANORA_PARAMS values)
// become what the audio path works towards: the per-block targets, the IID
// band layout and the ITD design. Every value is read clamped to 0 ... 1.
#include "widener/SpanoraEngine.h"
#include "widener/SpanoraParameters.h"

namespace SpanoraMapping {
// The band count 1 ... 10 that a "Resolution" value selects.
int BandCount(float resolution);
// Mixes, output stage, dynamics and output gains; `dynamicsRate` in Hz.
SSpanoraTargets Targets(const float* values, float dynamicsRate);
// Band edges spaced geometrically between the focus frequencies, from the top
// down, without the bands outside the IID bounds.
SBandLayout BandLayout(const float* values, float sampleRate);
SItdDesign ItdDesign(const float* values, float sampleRate);
}  // namespace SpanoraMapping
