#include "tools/spanora/SignalStats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "Helpers/ErrorReport.h"

namespace spanora {

void CSignalStats::Add(const float* left, const float* right, std::size_t frames) noexcept {
  kiv::Guard(KIV_SIGNATURE, [&] {
    const float* channels[2] = {left, right};
    for (std::size_t i = 0; i < frames; ++i) {
      ++m_nFrames;
      const int nonFinite = !std::isfinite(left[i]) + !std::isfinite(right[i]);
      if (nonFinite != 0) {
        m_nNonFinite += static_cast<std::uint64_t>(nonFinite);
        continue;
      }
      ++m_nFiniteFrames;
      const double n = static_cast<double>(m_nFiniteFrames);
      double delta[2];
      for (int c = 0; c < 2; ++c) {
        const double x = channels[c][i];
        m_fPeak[c] = std::max(m_fPeak[c], std::fabs(x));
        m_fSumSquares[c] += x * x;
        delta[c] = x - m_fMean[c];
        m_fMean[c] += delta[c] / n;
      }
      // The co-moment takes the old left deviation and the new right mean.
      m_fCoMoment += delta[0] * (static_cast<double>(right[i]) - m_fMean[1]);
      for (int c = 0; c < 2; ++c) m_fM2[c] += delta[c] * (static_cast<double>(channels[c][i]) - m_fMean[c]);
    }
  });
}

double CSignalStats::GetPeak(int channel) const noexcept {
  return kiv::Guard(KIV_SIGNATURE, 0.0, [&] { return channel == 0 || channel == 1 ? m_fPeak[channel] : 0.0; });
}

double CSignalStats::GetRms(int channel) const noexcept {
  return kiv::Guard(KIV_SIGNATURE, 0.0, [&] {
    if ((channel != 0 && channel != 1) || m_nFiniteFrames == 0) return 0.0;
    return std::sqrt(m_fSumSquares[channel] / static_cast<double>(m_nFiniteFrames));
  });
}

std::optional<double> CSignalStats::GetCorrelation() const noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::optional<double>{}, [&]() -> std::optional<double> {
    if (m_nFiniteFrames < 2 || GetRms(0) < SILENT_LEVEL || GetRms(1) < SILENT_LEVEL) return std::nullopt;
    // A channel whose deviation is lost in rounding is constant, not a signal.
    const double n = static_cast<double>(m_nFiniteFrames);
    for (int c = 0; c < 2; ++c)
      if (m_fM2[c] <= 1e-24 * n * std::max(1.0, m_fMean[c] * m_fMean[c])) return std::nullopt;
    return std::clamp(m_fCoMoment / std::sqrt(m_fM2[0] * m_fM2[1]), -1.0, 1.0);
  });
}

std::string LevelText(double level) {
  if (!std::isfinite(level)) return "n/a";
  if (!(level >= SILENT_LEVEL)) return "-inf";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", 20.0 * std::log10(level));
  return text;
}

std::string FormatLevelReport(const CSignalStats& input, const CSignalStats& output) {
  std::string report = "          peak L   peak R    RMS L    RMS R  correlation\n";
  auto row = [&](const char* name, const CSignalStats& stats) {
    char line[128];
    const std::optional<double> correlation = stats.GetCorrelation();
    char correlationText[16] = "n/a";
    if (correlation) std::snprintf(correlationText, sizeof correlationText, "%+.2f", *correlation);
    std::snprintf(line, sizeof line, "%-8s%8s %8s %8s %8s  %11s\n", name, LevelText(stats.GetPeak(0)).c_str(),
                  LevelText(stats.GetPeak(1)).c_str(), LevelText(stats.GetRms(0)).c_str(),
                  LevelText(stats.GetRms(1)).c_str(), correlationText);
    report += line;
  };
  row("input", input);
  row("output", output);
  report += "(levels in dBFS; correlation +1 = mono, 0 = unrelated, -1 = cancels in mono)\n";
  for (const auto& [name, stats] : {std::pair{"input", &input}, std::pair{"output", &output}}) {
    if (stats->GetNonFiniteSamples() == 0) continue;
    report += std::string(name) + ": " + std::to_string(stats->GetNonFiniteSamples()) + " of " +
              std::to_string(2 * stats->GetFrames()) +
              " samples are not finite (infinite or NaN); the levels describe the rest\n";
  }
  return report;
}

}  // namespace spanora
