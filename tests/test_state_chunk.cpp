#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "Helpers/KeyedChunk.h"
#include "tests/support/FakeHost.h"
#include "widener/ASpanora.h"

namespace {

class StateChunkTest : public ::testing::Test {
 protected:
  void SetUp() override { effect = std::make_unique<ASpanora>(host.Callback()); }
  std::vector<std::uint8_t> Save(ASpanora& e) {
    CKeyedChunkEncoder encoder;
    EXPECT_TRUE(e.SaveStateChunk(encoder));
    return {encoder.Data(), encoder.Data() + encoder.Size()};
  }
  FakeHost host;
  std::unique_ptr<ASpanora> effect;
};

// The round trip of every value: the adaptor's chunk tests and adaptor_harness.
TEST_F(StateChunkTest, LayoutOfTheSavedChunk) {
  effect->setParameter(PARAM_WIDTH, 0.25f);
  const std::vector<std::uint8_t> data = Save(*effect);
  ASSERT_GE(data.size(), 16u);
  // The header, then "f_Width\0" and 0.25f big-endian: 8 + 4 bytes, no padding.
  const std::uint8_t start[] = {1, 1, 1, 1, 'f', '_', 'W', 'i', 'd', 't', 'h', 0, 0x3E, 0x80, 0x00, 0x00};
  EXPECT_EQ(std::memcmp(data.data(), start, sizeof start), 0);
}

// The keys before a missing one are applied, none after it (the status
// itself: the adaptor's bad-chunk tests).
TEST_F(StateChunkTest, AMissingKeyStopsTheRestoreAfterApplyingTheKeysBeforeIt) {
  effect->setProgram(39);
  CKeyedChunkEncoder encoder;
  for (int i = 0; i < 64; ++i) {
    if (i != PARAM_DYN_SPEED) encoder.AddFloat(effect->GetParameterKey(i), effect->getParameter(i));
  }
  FakeHost otherHost;
  ASpanora restored(otherHost.Callback());
  EXPECT_EQ(restored.RestoreStateChunk(encoder.Data(), encoder.Size()), CHUNK_KEY_MISSING);
  for (int i = 0; i < PARAM_DYN_SPEED; ++i) EXPECT_EQ(restored.getParameter(i), effect->getParameter(i)) << i;
  EXPECT_EQ(restored.getParameter(PARAM_DYN_DEPTH), 0.5f);  // program 0's values from here on
  EXPECT_EQ(restored.getParameter(PARAM_HAAS_ENABLED), 0.0f);
}

TEST(KeyedChunk, TypesAreKeptApartAndFaultsKeepTheEntriesBefore) {
  CKeyedChunkEncoder encoder;
  encoder.AddFloat("a", 1.5f);
  encoder.AddInt("bb", -7);
  encoder.AddFloat("ccc", 0.25f);
  std::vector<std::uint8_t> data(encoder.Data(), encoder.Data() + encoder.Size());
  CKeyedChunkDecoder decoder;
  ASSERT_EQ(decoder.Decode(data.data(), data.size()), EChunkDecodeStatus::Ok);
  float f = 0;
  std::int32_t l = 0;
  EXPECT_TRUE(decoder.FindInt("bb", &l));
  EXPECT_EQ(l, -7);
  EXPECT_FALSE(decoder.FindFloat("bb", &f)) << "a key of another type counts as absent";
  EXPECT_FALSE(decoder.FindFloat("zz", &f));

  // Cut inside the last value: "a" and "bb" survive.
  EXPECT_EQ(decoder.Decode(data.data(), data.size() - 1), EChunkDecodeStatus::Truncated);
  EXPECT_EQ(decoder.EntryCount(), 2u);
  std::vector<std::uint8_t> unknown = data;
  unknown[4 + 8 + 12] = 'x';  // the type letter of "ccc"
  EXPECT_EQ(decoder.Decode(unknown.data(), unknown.size()), EChunkDecodeStatus::UnknownType);
  EXPECT_EQ(decoder.EntryCount(), 2u);
  std::vector<std::uint8_t> badHeader = data;
  badHeader[2] = 0;
  EXPECT_EQ(decoder.Decode(badHeader.data(), badHeader.size()), EChunkDecodeStatus::NoHeader);
  EXPECT_EQ(decoder.EntryCount(), 0u);
  EXPECT_EQ(decoder.Decode(data.data(), 3), EChunkDecodeStatus::NoHeader);
  EXPECT_EQ(decoder.Decode(nullptr, 100), EChunkDecodeStatus::NoHeader);
}

// Random mutations of a real chunk: the decoder must never read outside the
// buffer (ASan watches) and the effect must stay usable. Each input gets a
// heap copy of exactly its size so any over-read is caught. A few ten
// thousand rounds reach every path of the decoder; SPANORA_FUZZ_ROUNDS sets
// more (scripts/fuzz.sh).
TEST_F(StateChunkTest, FuzzedChunksNeverReadPastTheData) {
  const std::vector<std::uint8_t> original = Save(*effect);
  std::mt19937 rng(20261206);
  const char* rounds = std::getenv("SPANORA_FUZZ_ROUNDS");
  const int kRounds = rounds ? std::atoi(rounds) : 30000;
  CKeyedChunkDecoder decoder;
  std::size_t decodedEntries = 0;
  for (int round = 0; round < kRounds; ++round) {
    std::size_t size = original.size();
    switch (rng() % 4) {
      case 0: size = rng() % (original.size() + 1); break;  // truncate
      case 1: size = 4 + rng() % 64; break;                  // short
      default: break;
    }
    std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[size ? size : 1]);
    std::memcpy(buffer.get(), original.data(), std::min(size, original.size()));
    const int flips = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < flips && size > 0; ++i) {
      const std::size_t at = rng() % size;
      buffer[at] = (rng() % 3 == 0) ? 0 : static_cast<std::uint8_t>(rng());
    }
    decoder.Decode(buffer.get(), size);
    decodedEntries += decoder.EntryCount();
    if (round % 1000 == 0) effect->RestoreStateChunk(buffer.get(), size);
  }
  EXPECT_GT(decodedEntries, 0u);
  EXPECT_EQ(effect->RestoreStateChunk(original.data(), original.size()), 0);
}

}  // namespace
