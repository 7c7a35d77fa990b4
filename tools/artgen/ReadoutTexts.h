#pragma once
// The texts the read-out strips show per frame, kept apart from the drawing
// so the tests check them against the parameter display strings.
#include <string>

namespace artgen {

inline constexpr int READOUT_LABELS = 33;
// The read-out label of a label frame (0..32).
const char* ReadoutLabel(int frame);

std::string ResolutionText(int frame);      // 10 frames: "1".."10"
std::string ShapeText(int frame);           // 5 frames: the shape names
// 309 frames: frame f is n = f + 2 of the read-out's scale, 10 Hz steps up
// to 1 kHz and 100 Hz steps above.
std::string FrequencyFrameText(int frame);
double FrequencyOfFrame(int frame);
std::string OnOffText(int frame);           // 2 frames: "Off", "On"
std::string BalanceText(double value);      // 0..1: "L100".."0".."R100"
std::string PercentText(int frame);         // 101 frames: "0%".."100%"
std::string PhaseText(int frame);           // 102 frames: ends inverted, else the shift in samples
std::string LinearWidthText(int frame);     // 201 frames: "0%".."200%"
std::string PeakText(int frame);            // 151 frames: -60 dB .. 0 dB in 0.4 dB steps

}  // namespace artgen
