// The texts of the read-out strips. Where the host shows a display string
// for the same value, these match it.
#include <cmath>
#include <cstdio>

#include "tools/artgen/ReadoutTexts.h"

namespace artgen {

namespace {
std::string Format(const char* format, double value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}
}  // namespace

const char* ReadoutLabel(int frame) {
  static const char* const kLabels[READOUT_LABELS] = {
      "IID ENABLED",     "IID FOCUS LOWER", "IID FOCUS UPPER", "IID INVERT",      "IID LOW BOUND",
      "IID RESOLUTION",  "IID HIGH BOUND",  "IID WIDTH",       "ITD ENABLED",     "ITD FILL",
      "ITD LOW BOUND",   "ITD HIGH BOUND",  "ITD WIDTH",       "ANALYSIS",        "DYNAMICS DEPTH",
      "DYNAMICS SHAPE",  "DYNAMICS SPEED",  "TEMPO SYNC",      "AUTO LEVEL",      "INPUT TRIM AUTO",
      "AUTO LEVEL",      "LINEAR WIDTH",    "LINK II/TD RANGE", "MONO",           "DYNAMICS",
      "PHASE",           "SOLO LEFT",       "SOLO RIGHT",      "OUTPUT BALANCE",  "ACUITY",
      "BYPASS",          "INPUT PEAK",      "OUTPUT PEAK",
  };
  return frame >= 0 && frame < READOUT_LABELS ? kLabels[frame] : "";
}

std::string ResolutionText(int frame) { return std::to_string(frame + 1); }

std::string ShapeText(int frame) {
  static const char* const kShapes[] = {"Sine", "Triangle", "Square", "RND1", "RND2"};
  return frame >= 0 && frame < 5 ? kShapes[frame] : "";
}

double FrequencyOfFrame(int frame) {
  const int n = frame + 2;
  return n <= 100 ? n * 10.0 : 1000.0 + (n - 100) * 100.0;
}

std::string FrequencyFrameText(int frame) {
  const double hz = FrequencyOfFrame(frame);
  return hz < 1000.0 ? Format("%.0fHz", hz) : Format("%.1fkHz", hz / 1000.0);
}

std::string OnOffText(int frame) { return frame != 0 ? "On" : "Off"; }

std::string BalanceText(double value) {
  if (value == 0.5) return "0";
  return value < 0.5 ? Format("L%.0f", (0.5 - value) * 200.0) : Format("R%.0f", (value - 0.5) * 200.0);
}

std::string PercentText(int frame) { return std::to_string(frame) + "%"; }

std::string PhaseText(int frame) {
  if (frame <= 0 || frame >= 101) return "Inverted";
  return std::to_string(static_cast<int>(frame * 0.01 * 1024.0)) + " smp";
}

std::string LinearWidthText(int frame) { return Format("%.0f%%", frame / 200.0 * 200.0); }

std::string PeakText(int frame) {
  if (frame <= 0) return "-INF";
  return Format("%.1fdB", -60.0 + frame * 0.4);
}

}  // namespace artgen
