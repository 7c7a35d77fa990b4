#pragma once
// Stereo material for the demo, synthesised in code: a drum pattern at
// 120 BPM (kick, snare, hats, mostly in the centre) over a pad with a
// narrow image, the kind of source a widener is put on. Deterministic: the
// noise comes from a fixed seed, so every run gives the same samples.
#include <vector>

namespace spanora {

constexpr int DEMO_SAMPLE_RATE = 48000;
constexpr double DEMO_SECONDS = 6.0;

struct SStereoBuffer {
  std::vector<float> left;
  std::vector<float> right;
};

// seconds of material at sampleRate, peaking at -1 dBFS.
SStereoBuffer SynthesiseDemoMaterial(int sampleRate = DEMO_SAMPLE_RATE, double seconds = DEMO_SECONDS);

}  // namespace spanora
