#pragma once
// The base of every display that plots something against frequency on a
// logarithmic axis. Up to four curves, each fed from a frequency data store,
// are turned into a fixed number of points spaced evenly in log frequency
// (continuous mode) or grouped into bands (octave fractions, Bark or Mel),
// with optional attack/release smoothing, running averaging and peak hold.
//
// Runs on the editor's thread only; the data store's lock-free protocol is
// its only contact with the audio thread. Subclasses do their own drawing.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "Helpers/OwnerDrawControls.h"

class CFrequencyDataStore;

class CFreqGraph : public CLayeredOwnerDrawControl {
 public:
  static constexpr int NUM_CURVES = 4;
  static constexpr int NUM_FROZEN_COPIES = 2;
  // A store is cleared when the effect has processed nothing for this long.
  static constexpr std::uint32_t SILENCE_CLEAR_MS = 500;
  static constexpr int DEFAULT_PEAK_HOLD_MS = 5000;

  enum EBandResolution : int {
    kBandFull = 0,
    kBandOctaves,
    kBandOctaveThirds,
    kBandOctaveSixths,
    kBandChromatic,
    kBandBarks,
    kBandBarkThirds,
    kBandMels,
    kBandMelThirds,
    kNumBandResolutions
  };
  struct SBandResolution {
    const char* label;
    const char* shortLabel;
    float ratio;  // 0 continuous, -1 tabulated edges
    float base;   // Hz
  };
  // Out-of-range indices give the continuous mode.
  static const SBandResolution& GetBandResolution(int index) noexcept;
  // The band edges of a tabulated mode in ascending Hz; empty for the others.
  static std::span<const float> GetBandTable(int index) noexcept;

  using MillisecondClock = std::uint32_t (*)();

  // points < 0: one point per pixel of the control's width.
  CFreqGraph(const VSTGUI::CRect& size, VSTGUI::AEffGUIEditor* editor, VSTGUI::CControlListener* listener,
             int points);
  ~CFreqGraph() override;

  // Not owned; slot 0..3.
  void SetDataStore(int slot, CFrequencyDataStore* store) noexcept;
  CFrequencyDataStore* GetDataStore(int slot) const noexcept;

  // Refreshes curve `slot` from its store (see the .cpp for the passes).
  void ExtractGraphFromDataStore(int slot, bool smooth, bool holdEdge, bool force);
  void ClearGraphPeaks(int curve) noexcept;
  // A new hold time; every hold of every curve expires that long from now.
  void SetPeakHoldTime(int ms) noexcept;
  int GetPeakHoldTime() const noexcept { return m_nPeakHoldMs; }

  // While frozen, extraction reads private copies of stores 0 and 1 taken at
  // the moment of freezing, and only when forced.
  virtual void SetFreezeDisplay(bool freeze);
  bool IsFrozen() const noexcept { return m_bFrozen; }
  void SetForceExtract(bool force) noexcept { m_bForceExtract = force; }
  bool IsForceExtract() const noexcept { return m_bForceExtract; }

  virtual void SetFreqRange(float lower, float upper, bool keepAsSet);
  float GetLowerFrequency() const noexcept { return m_fLowerUsed; }
  float GetUpperFrequency() const noexcept { return m_fUpperUsed; }
  // x in pixels from the control's left edge, truncated.
  int FrequencyToX(float frequency) const noexcept;
  // In "Chromatic" mode the nearest equal-tempered pitch (A = 440 Hz);
  // unchanged otherwise.
  float SnapFrequency(float frequency) const noexcept;

  void SetBandResolution(int index) noexcept;
  int GetBandResolutionIndex() const noexcept { return m_nBandResolution; }
  // Rise and fall coefficients of the smoothing (0 = none).
  void SetSmoothing(float rise, float fall) noexcept;
  float GetRiseCoefficient() const noexcept { return m_fRise; }
  float GetFallCoefficient() const noexcept { return m_fFall; }
  // Switching averaging on restarts the count: the k-th pass weighs 1/k.
  void SetAveraging(bool on) noexcept;
  bool IsAveraging() const noexcept { return m_bAveraging; }
  // A right margin (in points) kept free of curve points.
  void SetRightMargin(bool on) noexcept { m_bMargin = on; }

  // The effect's sample rate; 0 without an effect.
  float GetSampleRate();
  // True when the effect reports it processed no audio for SILENCE_CLEAR_MS.
  virtual bool IsEffectSilent();

  int GetPointCount() const noexcept { return m_nPoints; }
  // Points the extraction fills (the count less the margin).
  int GetExtractionPointCount() const noexcept;
  std::span<const float> GetValues(int curve) const noexcept;
  std::span<const float> GetPeaks(int curve) const noexcept;
  // The width in points of the first band of the last banded pass.
  int GetFirstBandWidth() const noexcept { return m_nFirstBandWidth; }
  // The largest amplitude of the last pass.
  float GetPassLargest() const noexcept { return m_fPassLargest; }

  // Tests replace the millisecond clock.
  void SetClock(MillisecondClock clock) noexcept { m_pClock = clock; }
  std::uint32_t Now() const noexcept { return m_pClock(); }

 protected:
  struct SCurve {
    std::vector<float> values;
    std::vector<float> peaks;
    std::vector<std::uint32_t> holdExpiry;
  };

  // One point's new amplitude `a` against its old value: smoothing or
  // averaging, the near-zero cut, peak hold. Returns the stored value.
  float ApplyPoint(SCurve& curve, int point, float a, float rise, float fall, std::uint32_t now);
  // Stores a value and raises the point's peak (or renews an expired one).
  void StorePoint(SCurve& curve, int point, float value, std::uint32_t now);
  void ExtractContinuous(SCurve& curve, const double* power, int halfSize, double binsPerHz, int points,
                         double gain, float rise, float fall, bool holdEdge, std::uint32_t now);
  void ExtractBanded(SCurve& curve, const double* power, int halfSize, double binsPerHz, int points, double gain,
                     float rise, float fall, std::uint32_t now);

  CFrequencyDataStore* m_pStores[NUM_CURVES] = {};
  int m_nPoints;
  SCurve m_Curves[NUM_CURVES];
  std::unique_ptr<CFrequencyDataStore> m_pFrozenCopies[NUM_FROZEN_COPIES];
  bool m_bFrozen = false;
  bool m_bForceExtract = false;
  float m_fLowerSet = 20.0f, m_fUpperSet = 22000.0f;
  float m_fLowerUsed = 20.0f, m_fUpperUsed = 22000.0f;
  float m_fRise = 0.9f, m_fFall = 0.9f;
  int m_nBandResolution = kBandFull;
  bool m_bAveraging = false;
  int m_nAveragingCount = 0;
  int m_nPeakHoldMs = DEFAULT_PEAK_HOLD_MS;
  bool m_bMargin = false;
  int m_nMargins[3] = {10, 30, 30};
  int m_nFirstBandWidth = 0;
  float m_fPassLargest = 0.0f;
  std::vector<double> m_Scratch;  // one store's power, read once per pass
  std::vector<float> m_Raw;       // a banded pass's amplitude per point
  MillisecondClock m_pClock;
};
