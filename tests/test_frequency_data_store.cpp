#include "Helpers/FrequencyDataStore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// A spectrum whose bin k has power `f(k)` (all in the real part).
template <class F>
std::vector<Complex<float>> SpectrumWithPower(int halfSize, F f) {
  std::vector<Complex<float>> s(halfSize + 1);
  for (int k = 0; k <= halfSize; ++k) s[k] = Complex<float>{std::sqrt(static_cast<float>(f(k))), 0.0f};
  return s;
}

std::vector<double> Read(CFrequencyDataStore& store) {
  const CFrequencyDataStore::CPowerView view = store.BeginRead();
  std::vector<double> out(view.GetCount());
  view.CopyTo(out.data());
  return out;
}

}  // namespace

TEST(FrequencyDataStore, StoreThenReadShowsThePowerAndKeepsTheComplexBinsOnRequest) {
  EXPECT_EQ(CFrequencyDataStore(1025).GetHalfSize(), 512);
  CFrequencyDataStore store(16);
  EXPECT_EQ(store.GetFrontIndex(), 0);
  std::vector<Complex<float>> s(9);
  for (int k = 0; k <= 8; ++k) s[k] = Complex<float>{static_cast<float>(k), 1.0f};
  store.StoreValuesForGraph(s.data(), 9);
  EXPECT_EQ(store.GetPublishCounter(), 1);
  EXPECT_EQ(store.GetFrontIndex(), 1);
  const std::vector<double> power = Read(store);
  ASSERT_EQ(power.size(), 9u);
  for (int k = 0; k <= 8; ++k) EXPECT_EQ(power[k], k * k + 1.0);
  EXPECT_EQ(store.GetReadCounter(), 1);
  EXPECT_TRUE(store.IsConsumed());

  // Double spectra are stored at double precision.
  std::vector<Complex<double>> d(9, Complex<double>{0.1, 0.2});
  store.StoreValuesForGraph(d.data(), 9);
  EXPECT_EQ(Read(store)[3], 0.1 * 0.1 + 0.2 * 0.2);

  EXPECT_EQ(store.GetComplexBin(store.GetFrontIndex(), 2).re, 0.0);
  store.KeepComplexSpectrum();
  std::vector<Complex<float>> c(9, Complex<float>{1.5f, -2.0f});
  store.StoreValuesForGraph(c.data(), 9);
  const Complex<double> bin = store.GetComplexBin(store.GetFrontIndex(), 2);
  EXPECT_EQ(bin.re, 1.5);
  EXPECT_EQ(bin.im, -2.0);
}

TEST(FrequencyDataStore, UnreadStoresMergePerBinMaximum) {
  CFrequencyDataStore store(8);
  const auto a = SpectrumWithPower(4, [](int k) { return k == 0 ? 9 : 1; });
  const auto b = SpectrumWithPower(4, [](int k) { return k == 2 ? 16 : 4; });
  const auto c = SpectrumWithPower(4, [](int k) { return k == 4 ? 25 : 0; });
  store.StoreValuesForGraph(a.data(), 5);
  store.StoreValuesForGraph(b.data(), 5);
  store.StoreValuesForGraph(c.data(), 5);
  EXPECT_EQ(Read(store), (std::vector<double>{9, 4, 16, 4, 25}));

  // After the read the next block replaces the front, smaller values too.
  const auto small = SpectrumWithPower(4, [](int) { return 1; });
  store.StoreValuesForGraph(small.data(), 5);
  EXPECT_FALSE(store.IsConsumed());
  EXPECT_EQ(Read(store), (std::vector<double>{1, 1, 1, 1, 1}));
}

TEST(FrequencyDataStore, FrozenStoresOverwriteTheFront) {
  CFrequencyDataStore store(8);
  const auto a = SpectrumWithPower(4, [](int) { return 4; });
  const auto b = SpectrumWithPower(4, [](int) { return 1; });
  store.StoreValuesForGraph(a.data(), 5);
  const int front = store.GetFrontIndex();
  store.SetFrozen(true);
  store.StoreValuesForGraph(b.data(), 5);
  EXPECT_EQ(store.GetPublishCounter(), 1);
  EXPECT_EQ(store.GetFrontIndex(), front);
  EXPECT_EQ(store.PeekFront()[2], 1.0);  // in place, no maximum
  store.SetFrozen(false);
  store.Publish();  // as a frozen display does once with its copy
  EXPECT_EQ(store.GetPublishCounter(), 2);
  EXPECT_EQ(store.GetFrontIndex(), 1 - front);
}

TEST(FrequencyDataStore, ClearZeroesOnceUntilTheNextStore) {
  CFrequencyDataStore source(8), store(8);
  const auto a = SpectrumWithPower(4, [](int k) { return k + 1; });
  source.StoreValuesForGraph(a.data(), 5);

  store.Clear();
  store.CopyFrom(&source);  // fills the buffers without re-arming Clear
  EXPECT_EQ(store.GetFrontIndex(), source.GetFrontIndex());
  store.Clear();
  EXPECT_EQ(store.GetFrontIndex(), 0);
  EXPECT_EQ(store.GetPower(1, 3), 4.0);  // second Clear in a row: no zeroing

  store.StoreValuesForGraph(a.data(), 5);
  store.Clear();
  for (int b = 0; b < 2; ++b)
    for (int k = 0; k <= 4; ++k) EXPECT_EQ(store.GetPower(b, k), 0.0);
}

TEST(FrequencyDataStore, CopyFromCarriesDisplaySettings) {
  CFrequencyDataStore source(8), copy(8), other(16);
  source.SetDisplayGain(2.5f);
  source.SetSampleRate(48000.0f);
  source.SetWeightingType(CFrequencyDataStore::WEIGHTING_C);
  source.SetApplyWeighting(true);
  const auto a = SpectrumWithPower(4, [](int) { return 1; });
  source.StoreValuesForGraph(a.data(), 5);
  copy.CopyFrom(&source);
  EXPECT_EQ(copy.GetDisplayGain(), 2.5f);
  EXPECT_EQ(copy.GetSampleRate(), 48000.0f);
  EXPECT_TRUE(copy.GetApplyWeighting());
  for (int k = 0; k <= 4; ++k) EXPECT_EQ(copy.GetWeight(k), source.GetWeight(k));
  EXPECT_EQ(copy.PeekFront()[2], source.PeekFront()[2]);
  copy.CopyFrom(nullptr);
  other.CopyFrom(&source);  // sizes differ: nothing copied
  EXPECT_EQ(other.GetSampleRate(), 22005.0f);
}

TEST(FrequencyDataStore, WeightingCurves) {
  CFrequencyDataStore store(1024);
  store.SetSampleRate(44100.0f);
  std::vector<double> power(513, 1.0);
  store.ApplyEqualLoudnessFn(power.data());  // type none: untouched
  EXPECT_EQ(power[100], 1.0);

  for (int type = CFrequencyDataStore::WEIGHTING_A; type <= CFrequencyDataStore::WEIGHTING_TILT_6DB; ++type) {
    store.SetWeightingType(type);
    std::fill(power.begin(), power.end(), 2.0);
    store.ApplyEqualLoudnessFn(power.data());
    EXPECT_EQ(store.GetCurveWeightingType(), type);
    EXPECT_EQ(store.GetWeight(0), store.GetWeight(1)) << CFrequencyDataStore::WeightingName(type);
    EXPECT_GT(store.GetWeight(1), 0.0f);
    EXPECT_EQ(power[37], 2.0 * store.GetWeight(37));
  }
  // A tilt of s dB per octave of power: one octave up multiplies by 10^(s/10).
  store.SetWeightingType(CFrequencyDataStore::WEIGHTING_TILT_1DB + 2);
  store.ApplyEqualLoudnessFn(power.data());
  EXPECT_NEAR(store.GetWeight(200) / store.GetWeight(100), std::pow(10.0, 0.3), 1e-5);

  // Weighting applied by stores when switched on.
  CFrequencyDataStore weighted(1024);
  weighted.SetSampleRate(44100.0f);
  weighted.SetWeightingType(CFrequencyDataStore::WEIGHTING_A);
  weighted.SetApplyWeighting(true);
  const auto flat = SpectrumWithPower(512, [](int) { return 1; });
  weighted.StoreValuesForGraph(flat.data(), 513);
  EXPECT_FLOAT_EQ(static_cast<float>(weighted.PeekFront()[50]), weighted.GetWeight(50));
}
