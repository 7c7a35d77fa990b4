#include "Helpers/FreqGraphs.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "Helpers/ErrorReport.h"
#include "Helpers/FrequencyDataStore.h"
#include "Helpers/KivEffect.h"
#include "platform/Clock.h"
#include "vstgui/AEffGUIEditor.h"

using namespace VSTGUI;

namespace {

const CFreqGraph::SBandResolution BAND_RESOLUTIONS[CFreqGraph::kNumBandResolutions] = {
    {"Full", "Full", 0.0f, 1000.0f},
    {"Octaves", "Oct", 2.0f, 440.0f},
    {"Octave Thirds", "1/3", 1.2599210498948732f, 440.0f},
    {"Octave Sixths", "1/6", 1.1224620483093730f, 440.0f},
    {"Chromatic", "Chrom", 1.0594630943592953f, 440.0f},
    {"Barks", "B", -1.0f, 1000.0f},
    {"Bark Thirds", "B/3", -1.0f, 1000.0f},
    {"Mels", "M", -1.0f, 1000.0f},
    {"Mel Thirds", "M/3", -1.0f, 1000.0f},
};

// The critical-band edges of the Bark scale.
constexpr std::array<float, 25> BARK_EDGES = {100,  200,  300,  400,  510,  630,  770,  920,   1080,
                                              1270, 1480, 1720, 2000, 2320, 2700, 3150, 3700,  4400,
                                              5300, 6400, 7700, 9500, 12000, 15500, 20500};

// The subdivided scales: edges evenly spaced on a continuous Bark scale
// (Traunmueller's z = 26.81 f / (1960 + f) - 0.53) and Mel scale
// (m = 2595 log10(1 + f / 700)), from the low end of hearing to 20.5 kHz.
constexpr double TOP_EDGE_HZ = 20500.0;
double BarkToHz(double z) { return 1960.0 * (z + 0.53) / (26.28 - z); }
double HzToBark(double f) { return 26.81 * f / (1960.0 + f) - 0.53; }
double MelToHz(double m) { return 700.0 * (std::pow(10.0, m / 2595.0) - 1.0); }
double HzToMel(double f) { return 2595.0 * std::log10(1.0 + f / 700.0); }

// Edges at k * step on a scale for k = 1.. while they stay at or below the top.
template <class ToHz>
std::vector<float> EvenEdges(double step, double top, ToHz toHz) {
  std::vector<float> edges;
  for (int k = 1; k * step <= top + 1e-9; ++k) edges.push_back(static_cast<float>(toHz(k * step)));
  return edges;
}

const std::vector<float>& BarkThirds() {
  static const std::vector<float> edges = EvenEdges(1.0 / 3.0, HzToBark(TOP_EDGE_HZ), BarkToHz);
  return edges;
}
// 34 Mel bands up to the top edge, and each of them in three.
constexpr int MEL_BANDS = 34;
const std::vector<float>& Mels() {
  static const std::vector<float> edges = EvenEdges(HzToMel(TOP_EDGE_HZ) / MEL_BANDS, HzToMel(TOP_EDGE_HZ), MelToHz);
  return edges;
}
const std::vector<float>& MelThirds() {
  static const std::vector<float> edges =
      EvenEdges(HzToMel(TOP_EDGE_HZ) / (3 * MEL_BANDS), HzToMel(TOP_EDGE_HZ), MelToHz);
  return edges;
}

// A result this close to zero is stored as zero, so curves settle at rest.
constexpr float NEAR_ZERO = 1e-10f;
// Points inside one bin interpolate from at least this amplitude.
constexpr double MIN_INTERPOLATION_AMPLITUDE = 1e-8;
// Grows while consecutive bands had to be widened to one bin or cut at the
// last one, so that such bands never draw as exactly level steps.
constexpr float BAND_NUDGE = 1.0000009536743164f;

bool Expired(std::uint32_t expiry, std::uint32_t now) { return static_cast<std::int32_t>(now - expiry) >= 0; }

}  // namespace

const CFreqGraph::SBandResolution& CFreqGraph::GetBandResolution(int index) noexcept {
  return BAND_RESOLUTIONS[(index >= 0 && index < kNumBandResolutions) ? index : kBandFull];
}

std::span<const float> CFreqGraph::GetBandTable(int index) noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::span<const float>{}, [&]() -> std::span<const float> {
    switch (index) {
      case kBandBarks: return BARK_EDGES;
      case kBandBarkThirds: return BarkThirds();
      case kBandMels: return Mels();
      case kBandMelThirds: return MelThirds();
      default: return {};
    }
  });
}

CFreqGraph::CFreqGraph(const CRect& size, AEffGUIEditor* editor, CControlListener* listener, int points)
    : CLayeredOwnerDrawControl(size, editor, listener),
      m_nPoints(points < 0 ? std::max(0, size.width()) : points),
      m_pClock(&platform::GetTickCount) {
  for (SCurve& curve : m_Curves) {
    curve.values.assign(static_cast<std::size_t>(m_nPoints), 0.0f);
    curve.peaks.assign(static_cast<std::size_t>(m_nPoints), 0.0f);
    curve.holdExpiry.assign(static_cast<std::size_t>(m_nPoints), 0u);
  }
}

CFreqGraph::~CFreqGraph() = default;

void CFreqGraph::SetDataStore(int slot, CFrequencyDataStore* store) noexcept {
  if (slot >= 0 && slot < NUM_CURVES) m_pStores[slot] = store;
}

CFrequencyDataStore* CFreqGraph::GetDataStore(int slot) const noexcept {
  return (slot >= 0 && slot < NUM_CURVES) ? m_pStores[slot] : nullptr;
}

int CFreqGraph::GetExtractionPointCount() const noexcept {
  return std::max(0, m_bMargin ? m_nPoints - m_nMargins[1] : m_nPoints);
}

std::span<const float> CFreqGraph::GetValues(int curve) const noexcept {
  if (curve < 0 || curve >= NUM_CURVES) return {};
  return m_Curves[curve].values;
}

std::span<const float> CFreqGraph::GetPeaks(int curve) const noexcept {
  if (curve < 0 || curve >= NUM_CURVES) return {};
  return m_Curves[curve].peaks;
}

void CFreqGraph::ClearGraphPeaks(int curve) noexcept {
  if (curve < 0 || curve >= NUM_CURVES) return;
  std::fill(m_Curves[curve].peaks.begin(), m_Curves[curve].peaks.end(), 0.0f);
  std::fill(m_Curves[curve].holdExpiry.begin(), m_Curves[curve].holdExpiry.end(), 0u);
}

void CFreqGraph::SetPeakHoldTime(int ms) noexcept {
  m_nPeakHoldMs = std::max(0, ms);
  const std::uint32_t expiry = Now() + static_cast<std::uint32_t>(m_nPeakHoldMs);
  for (SCurve& curve : m_Curves) std::fill(curve.holdExpiry.begin(), curve.holdExpiry.end(), expiry);
}

void CFreqGraph::SetFreezeDisplay(bool freeze) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_bFrozen = freeze;
    for (int slot = 0; slot < NUM_FROZEN_COPIES; ++slot) {
      m_pFrozenCopies[slot].reset();
      CFrequencyDataStore* live = m_pStores[slot];
      if (!freeze || live == nullptr) continue;
      auto copy = std::make_unique<CFrequencyDataStore>(2 * live->GetHalfSize());
      copy->CopyFrom(live);
      copy->Publish();
      m_pFrozenCopies[slot] = std::move(copy);
    }
  });
}

void CFreqGraph::SetFreqRange(float lower, float upper, bool keepAsSet) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!(lower > 0.0f) || !(upper > lower)) return;
    m_fLowerUsed = lower;
    m_fUpperUsed = upper;
    if (keepAsSet) {
      m_fLowerSet = lower;
      m_fUpperSet = upper;
    }
  });
}

int CFreqGraph::FrequencyToX(float frequency) const noexcept {
  if (!(frequency > 0.0f)) return 0;
  const double span = std::log(static_cast<double>(m_fUpperUsed)) - std::log(static_cast<double>(m_fLowerUsed));
  const double x = (std::log(static_cast<double>(frequency)) - std::log(static_cast<double>(m_fLowerUsed))) / span *
                   getViewSize().width();
  return static_cast<int>(x);
}

float CFreqGraph::SnapFrequency(float frequency) const noexcept {
  if (m_nBandResolution != kBandChromatic || !(frequency > 0.0f)) return frequency;
  // Rounded as truncation after a shift, so notes below A440 round alike.
  const double semitones = 12.0 * std::log2(frequency / 440.0);
  const double rounded = std::trunc(semitones + 49.5) - 49.0;
  return static_cast<float>(440.0 * std::pow(2.0, rounded / 12.0));
}

void CFreqGraph::SetBandResolution(int index) noexcept {
  m_nBandResolution = (index >= 0 && index < kNumBandResolutions) ? index : kBandFull;
}

void CFreqGraph::SetSmoothing(float rise, float fall) noexcept {
  m_fRise = rise;
  m_fFall = fall;
}

void CFreqGraph::SetAveraging(bool on) noexcept {
  m_bAveraging = on;
  m_nAveragingCount = 0;
}

float CFreqGraph::GetSampleRate() {
  return kiv::Guard(KIV_SIGNATURE, 0.0f, [&] {
    if (m_pEffect == nullptr) FillInEffectFromEditor();
    return m_pEffect ? m_pEffect->getSampleRate() : 0.0f;
  });
}

bool CFreqGraph::IsEffectSilent() {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (m_pEffect == nullptr) FillInEffectFromEditor();
    const auto* effect = dynamic_cast<const KivEffect*>(m_pEffect);
    return effect != nullptr && !effect->HasProcessedAudioWithin(SILENCE_CLEAR_MS, platform::GetTickCount());
  });
}

void CFreqGraph::StorePoint(SCurve& curve, int point, float value, std::uint32_t now) {
  const auto k = static_cast<std::size_t>(point);
  curve.values[k] = value;
  if (value >= curve.peaks[k] || Expired(curve.holdExpiry[k], now)) {
    curve.peaks[k] = value;
    curve.holdExpiry[k] = now + static_cast<std::uint32_t>(m_nPeakHoldMs);
  }
}

float CFreqGraph::ApplyPoint(SCurve& curve, int point, float a, float rise, float fall, std::uint32_t now) {
  const float old = curve.values[static_cast<std::size_t>(point)];
  const float coefficient = old < a ? rise : fall;
  float value = (1.0f - coefficient) * a + coefficient * old;
  if (value > -NEAR_ZERO && value < NEAR_ZERO) value = 0.0f;
  StorePoint(curve, point, value, now);
  m_fPassLargest = std::max(m_fPassLargest, a);
  return value;
}

void CFreqGraph::ExtractGraphFromDataStore(int slot, bool smooth, bool holdEdge, bool force) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (slot < 0 || slot >= NUM_CURVES) return;
    if (m_bFrozen && !force && !m_bForceExtract) return;
    m_fPassLargest = 0.0f;
    float rise = smooth ? m_fRise : 0.0f;
    float fall = smooth ? m_fFall : 0.0f;

    CFrequencyDataStore* store = m_pStores[slot];
    if (store == nullptr) return;
    while (!store->IsConstructed()) {
    }
    if (IsEffectSilent()) store->Clear();
    if (m_bFrozen && slot < NUM_FROZEN_COPIES && m_pFrozenCopies[slot]) store = m_pFrozenCopies[slot].get();

    const int halfSize = store->GetHalfSize();
    if (halfSize <= 0) {
      store->BeginRead();
      return;
    }
    const float sampleRate = GetSampleRate();
    const int points = std::min(GetExtractionPointCount(), m_nPoints);
    // Marks the front consumed: the next publish replaces it.
    const CFrequencyDataStore::CPowerView front = store->BeginRead();
    if (!(sampleRate > 0.0f) || points <= 0) return;
    m_Scratch.resize(static_cast<std::size_t>(halfSize) + 1);
    front.CopyTo(m_Scratch.data());

    const double binsPerHz = 2.0 * halfSize / sampleRate;
    double gain = store->GetDisplayGain();
    if (store->GetUseWindowGain()) gain *= store->GetWindowGain();

    if (m_bAveraging) {
      ++m_nAveragingCount;
      rise = fall = 1.0f - 1.0f / static_cast<float>(m_nAveragingCount);
    }
    const std::uint32_t now = Now();
    SCurve& curve = m_Curves[slot];
    if (GetBandResolution(m_nBandResolution).ratio == 0.0f)
      ExtractContinuous(curve, m_Scratch.data(), halfSize, binsPerHz, points, gain, rise, fall, holdEdge, now);
    else
      ExtractBanded(curve, m_Scratch.data(), halfSize, binsPerHz, points, gain, rise, fall, now);
  });
}

// Points spaced evenly in log frequency; a point's span is the bins between
// its lower and upper edge, its value the largest power there. Points that
// fall inside one bin interpolate in log amplitude from the previous point,
// so a curve rises smoothly where the bins are wider than the points.
void CFreqGraph::ExtractContinuous(SCurve& curve, const double* power, int halfSize, double binsPerHz, int points,
                                   double gain, float rise, float fall, bool holdEdge, std::uint32_t now) {
  const double s = m_fLowerUsed * binsPerHz;
  const double e = m_fUpperUsed * binsPerHz;
  const double q = std::exp(std::log(e / s) / points);
  double x = s * q;
  int lo = std::max(1, static_cast<int>(s - 1.0));
  double previous = std::sqrt(power[lo]) * gain;
  for (int k = 0; k < points; ++k) {
    const int hi = static_cast<int>(x + 1.0);
    if (hi >= halfSize - 1) {
      // Past the analysed band: the edge value, or nothing.
      const float edge = (holdEdge && k > 0) ? curve.values[static_cast<std::size_t>(k - 1)] : 0.0f;
      StorePoint(curve, k, edge, now);
      x *= q;
      continue;
    }
    int n = hi - lo;
    double t = 0.0;
    if (n < 1) {
      t = (x + 1.0) - lo;
      n = 1;
      lo = hi;
    }
    double largest = 0.0;
    for (int bin = lo; bin < lo + n; ++bin) largest = std::max(largest, power[bin]);
    x *= q;

    double a = std::sqrt(largest) * gain;
    if (t > 0.0 && a > 0.0) {
      const double p = std::max(previous, MIN_INTERPOLATION_AMPLITUDE);
      a = std::exp((1.0 - t) * std::log(p) + t * std::log(a));
    }
    previous = a;
    ApplyPoint(curve, k, static_cast<float>(a), rise, fall, now);
    lo = hi;
  }
}

// Bands of a fixed frequency ratio (octave fractions) or from a table (Bark,
// Mel); every point of a band shows the band's largest power. A point
// belongs to the band that holds its centre; a band narrower than a point
// lends its power to the point that holds the band's own centre, so no peak
// is lost where the bands are finer than the points.
void CFreqGraph::ExtractBanded(SCurve& curve, const double* power, int halfSize, double binsPerHz, int points,
                               double gain, float rise, float fall, std::uint32_t now) {
  const SBandResolution& mode = GetBandResolution(m_nBandResolution);
  std::vector<double> edges;
  if (mode.ratio > 0.0f) {
    const double ratio = mode.ratio;
    double f = mode.base / 64.0 / std::sqrt(ratio);
    while (f <= m_fLowerUsed) f *= ratio;
    f /= ratio;
    for (; f < m_fUpperUsed; f *= ratio) edges.push_back(f);
    edges.push_back(f);
  } else {
    for (float f : GetBandTable(m_nBandResolution)) edges.push_back(f);
  }

  m_Raw.assign(static_cast<std::size_t>(points), 0.0f);
  const double span = std::log(static_cast<double>(m_fUpperUsed) / m_fLowerUsed);
  auto position = [&](double f) { return std::log(f / m_fLowerUsed) / span * points; };
  m_nFirstBandWidth = 0;
  float factor = 1.0f;
  for (std::size_t j = 0; j + 1 < edges.size(); ++j) {
    const double low = edges[j], high = edges[j + 1];
    if (low >= m_fUpperUsed) break;
    if (high <= m_fLowerUsed) continue;

    // The bins whose centres lie in the band; at least one, never past the last.
    int binLo = static_cast<int>(std::ceil(low * binsPerHz));
    int binHi = static_cast<int>(std::ceil(high * binsPerHz));
    bool adjusted = false;
    if (binHi > halfSize + 1) {
      binHi = halfSize + 1;
      adjusted = true;
    }
    if (binHi <= binLo) {
      binLo = std::min(halfSize, static_cast<int>(std::lround(std::sqrt(low * high) * binsPerHz)));
      binHi = binLo + 1;
      adjusted = true;
    }
    double largest = 0.0;
    for (int bin = binLo; bin < binHi; ++bin) largest = std::max(largest, power[bin]);
    const float a = static_cast<float>(std::sqrt(largest) * gain) * factor;
    factor = adjusted ? factor * BAND_NUDGE : 1.0f;

    int first = std::max(0, static_cast<int>(std::ceil(position(low) - 0.5)));
    int last = std::min(points - 1, static_cast<int>(std::ceil(position(high) - 0.5)) - 1);
    if (last < first) {
      const int k = static_cast<int>(std::floor(position(std::sqrt(low * high))));
      if (k < 0 || k >= points) continue;
      first = last = k;
    } else if (m_nFirstBandWidth == 0) {
      m_nFirstBandWidth = last - first + 1;
    }
    for (int k = first; k <= last; ++k) m_Raw[static_cast<std::size_t>(k)] = std::max(m_Raw[static_cast<std::size_t>(k)], a);
  }
  // Points of one band share their raw value and so smooth alike.
  for (int k = 0; k < points; ++k) ApplyPoint(curve, k, m_Raw[static_cast<std::size_t>(k)], rise, fall, now);
}
