#pragma once
// Sizes and periods shared by the widener's audio path.
constexpr int NUM_BAND_SLOTS = 11;  // ten bands and one spare for redesigns
constexpr int MAX_BANDS = 10;
constexpr int TICK_SAMPLES = 1024;      // glides, crossfades and the band rebuild
constexpr int DYNAMICS_SAMPLES = 256;   // dynamics update
constexpr int GAIN_SAMPLES = 128;       // output gains; also the longest run
constexpr int MAX_DELAY_SAMPLES = 65536;
constexpr int MAX_SHIFT_SAMPLES = 1024;
