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

TEST(FrequencyDataStore, StoreThenReadShowsThePowerOfEachBin) {
  CFrequencyDataStore store(16);
  std::vector<Complex<float>> s(9);
  for (int k = 0; k <= 8; ++k) s[k] = Complex<float>{static_cast<float>(k), 1.0f};
  store.StoreValuesForGraph(s.data(), 9);
  EXPECT_EQ(store.GetPublishCounter(), 1);
  const std::vector<double> power = Read(store);
  ASSERT_EQ(power.size(), 9u);
  for (int k = 0; k <= 8; ++k) EXPECT_EQ(power[k], k * k + 1.0);
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
  EXPECT_EQ(Read(store), (std::vector<double>{1, 1, 1, 1, 1}));
}

// A silent effect's display clears its store: no stale spectrum may remain in
// either buffer.
TEST(FrequencyDataStore, ClearZeroesBothBuffers) {
  CFrequencyDataStore store(8);
  const auto a = SpectrumWithPower(4, [](int k) { return k + 1; });
  store.StoreValuesForGraph(a.data(), 5);
  Read(store);
  store.StoreValuesForGraph(a.data(), 5);
  store.Clear();
  for (int b = 0; b < 2; ++b)
    for (int k = 0; k <= 4; ++k) EXPECT_EQ(store.GetPower(b, k), 0.0);
}
