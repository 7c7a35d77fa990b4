#pragma once
// Level and image statistics of a stereo signal, gathered block by block:
// peak and RMS per channel and the Pearson correlation of left and right,
// which tells how mono-compatible the image is (+1 mono, 0 unrelated,
// -1 cancels in a mono fold-down). Frames holding an infinite or NaN sample
// are counted apart and left out of the levels, which describe the rest.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace spanora {

// Levels below this count as silence in the report (-200 dBFS). The effect's
// anti-denormal noise sits near -400 dBFS and must not show up as signal.
constexpr double SILENT_LEVEL = 1e-10;

class CSignalStats {
 public:
  void Add(const float* left, const float* right, std::size_t frames) noexcept;
  std::uint64_t GetFrames() const noexcept { return m_nFrames; }
  // Samples (of either channel) that are infinite or NaN.
  std::uint64_t GetNonFiniteSamples() const noexcept { return m_nNonFinite; }
  double GetPeak(int channel) const noexcept;  // linear, 0 = left, 1 = right
  double GetRms(int channel) const noexcept;
  // Empty when either channel is silent or constant: no correlation exists.
  std::optional<double> GetCorrelation() const noexcept;

 private:
  std::uint64_t m_nFrames = 0;
  std::uint64_t m_nFiniteFrames = 0;
  std::uint64_t m_nNonFinite = 0;
  double m_fPeak[2] = {0.0, 0.0};
  double m_fSumSquares[2] = {0.0, 0.0};
  // Running means and co-moments (Welford), stable for signals with offset.
  double m_fMean[2] = {0.0, 0.0};
  double m_fM2[2] = {0.0, 0.0};
  double m_fCoMoment = 0.0;
};

// A linear level in dBFS with one decimal, "-inf" below SILENT_LEVEL.
// Levels are finite by construction; anything else reads "n/a".
std::string LevelText(double level);

// The report table: one row per signal with peak and RMS per channel in
// dBFS and the correlation ("n/a" for silence), and for a signal with
// infinite or NaN samples a line saying how many.
std::string FormatLevelReport(const CSignalStats& input, const CSignalStats& output);

}  // namespace spanora
