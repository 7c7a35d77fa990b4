#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Helpers/KeyedChunk.h"
#include "Helpers/KivEffect.h"
#include "Helpers/BigEndian.h"
#include "adaptor/AdaptorInstance.h"
#include "adaptor/AdaptorModule.h"
#include "adaptor/ChannelFormats.h"
#include "adaptor/ChunkHeader.h"
#include "adaptor/PlugInAbi.h"
#include "adaptor/ResourceSwap.h"
#include "adaptor/host/StandInHost.h"
#include "widener/SpanoraParameters.h"

namespace {

std::uint32_t Native32(const std::uint8_t* p) {
  std::uint32_t v = 0;
  std::memcpy(&v, p, 4);
  return v;
}

std::uint16_t Native16(const std::uint8_t* p) {
  std::uint16_t v = 0;
  std::memcpy(&v, p, 2);
  return v;
}

// --- Resource byte swap and chunk header (the host's on-disk layouts) ---------

std::uint32_t BigFrom(std::uint32_t b) { return b << 24 | (b + 1) << 16 | (b + 2) << 8 | (b + 3); }

TEST(ResourceSwap, EachTypeSwapsOnlyItsOwnFieldsAndOnlyAsFarAsTheDataReaches) {
  const auto ramp = [](std::size_t size, std::uint8_t base) {
    std::vector<std::uint8_t> data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(base + i);
    return data;
  };
  // 'thng': five longs, then four long-short pairs; what follows is left.
  std::vector<std::uint8_t> thng = ramp(THNG_SWAPPED_SIZE + 4, 0x10);
  SwapResourceFromBigEndian(RESOURCE_TYPE_THNG, thng.data(), thng.size());
  for (std::uint32_t f = 0; f < 5; ++f) EXPECT_EQ(Native32(&thng[4 * f]), BigFrom(0x10 + 4 * f)) << f;
  for (std::uint32_t k = 0; k < 4; ++k) {
    const std::uint32_t b = 0x10 + 20 + 6 * k;
    EXPECT_EQ(Native32(&thng[20 + 6 * k]), BigFrom(b)) << k;
    EXPECT_EQ(Native16(&thng[24 + 6 * k]), static_cast<std::uint16_t>((b + 4) << 8 | (b + 5))) << k;
  }
  for (std::size_t i = THNG_SWAPPED_SIZE; i < thng.size(); ++i) EXPECT_EQ(thng[i], 0x10 + i) << i;

  // 'grfc': the long at offset 32 only; other types are untouched.
  std::vector<std::uint8_t> grfc = ramp(40, 0), expected = grfc;
  SwapResourceFromBigEndian(RESOURCE_TYPE_GRFC, grfc.data(), grfc.size());
  EXPECT_EQ(Native32(&grfc[32]), 0x20212223u);
  std::copy(grfc.begin() + 32, grfc.begin() + 36, expected.begin() + 32);
  EXPECT_EQ(grfc, expected);
  std::vector<std::uint8_t> pict = ramp(40, 0);
  SwapResourceFromBigEndian(0x50494354u /* 'PICT' */, pict.data(), pict.size());
  EXPECT_EQ(pict, ramp(40, 0));

  // Short data: 25 bytes of 'thng' reach the first pair's long, not its
  // short; 35 of 'grfc' do not hold its field.
  std::vector<std::uint8_t> shortThng = ramp(30, 0);
  SwapResourceFromBigEndian(RESOURCE_TYPE_THNG, shortThng.data(), 25);
  EXPECT_EQ(Native32(&shortThng[20]), 0x14151617u);
  EXPECT_EQ(std::vector<std::uint8_t>(shortThng.begin() + 24, shortThng.end()), ramp(6, 24));
  std::vector<std::uint8_t> shortGrfc = ramp(36, 0);
  SwapResourceFromBigEndian(RESOURCE_TYPE_GRFC, shortGrfc.data(), 35);
  EXPECT_EQ(shortGrfc, ramp(36, 0));
  SwapResourceFromBigEndian(RESOURCE_TYPE_THNG, nullptr, 44);
}

// Reading headers back: the bad-chunk tests below.
TEST(ChunkHeader, LayoutIsBigEndianWithSizeIncludingTheHeaderAndACutTerminatedName) {
  const SChunkHeader header = MakeChunkHeader(PI_CHUNK_EFFECT, "Complete Controls State", 300);
  std::uint8_t out[CHUNK_HEADER_SIZE + 1];
  out[CHUNK_HEADER_SIZE] = 0x5A;
  WriteChunkHeader(header, out);
  EXPECT_EQ(out[CHUNK_HEADER_SIZE], 0x5A);
  const std::uint32_t fields[] = {356u, 1u, PI_FOURCC('v', 's', 't', 'p'), PI_FOURCC('T', 'a', 'r', 'n'),
                                  PI_FOURCC('K', 'S', 'P', '3'), 0u};
  for (std::size_t f = 0; f < 6; ++f) EXPECT_EQ(kiv::GetBig32(out + 4 * f), fields[f]) << f;
  EXPECT_STREQ(reinterpret_cast<const char*>(out + 24), "Complete Controls State");
  for (std::size_t i = 24 + 23; i < CHUNK_HEADER_SIZE; ++i) EXPECT_EQ(out[i], 0) << i;
  WriteChunkHeader(MakeChunkHeader(PI_CHUNK_EFFECT, std::string(80, 'n').c_str(), 0), out);
  EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(out + 24)), CHUNK_NAME_FIELD - 1);
}

// --- Module open/close --------------------------------------------------------
// Open codes and counting, the registered types, the resource swapper, a
// failing group and the procedures handed over at load are checked through
// the real module by adaptor_harness; here what a stand-in host can refuse.

TEST(AdaptorModule, AHostRefusingATypeMakesTheGroupFailWithNothingLeftRegistered) {
  StandIn_Reset();
  CAdaptorModule module;
  PiEffectTypeInfo squatter{};
  squatter.typeCode = PI_FOURCC('R', 'T', 'a', 'c');  // taken by someone else
  ASSERT_EQ(DAE_RegisterEffectType(&squatter), 0);
  EXPECT_EQ(module.Open(), PI_ERR_CANNOT_CREATE_GROUP);
  EXPECT_EQ(StandIn_EffectTypeCount(), 1);
  EXPECT_EQ(StandIn_ResourceSwapperCount(), 0);
  StandIn_Reset();
}

// --- Instances ----------------------------------------------------------------

class AdaptorInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override { StandIn_Reset(); }
  void TearDown() override { StandIn_Reset(); }
  static std::unique_ptr<CAdaptorInstance> Make(std::uint32_t type, void* cookie = nullptr) {
    bool audioSuite = false;
    const SChannelFormat* format = FindChannelFormat(type, &audioSuite);
    return std::unique_ptr<CAdaptorInstance>(CAdaptorInstance::Create(*format, audioSuite, cookie, 48000.0, 512));
  }
  static std::vector<std::uint8_t> Save(CAdaptorInstance& instance, std::uint32_t id) {
    std::uint32_t size = 0;
    EXPECT_EQ(instance.GetChunkSize(id, &size), PI_NO_ERR);
    std::vector<std::uint8_t> data(size);
    std::uint32_t written = 0;
    EXPECT_EQ(instance.SaveChunk(id, data.data(), size, &written), PI_NO_ERR);
    EXPECT_EQ(written, size);
    return data;
  }
};

// The controls' names, texts and the program control through the real
// module: adaptor_harness; their snapping: the parameter tests. Here the
// bounds and the way back to the host.
TEST_F(AdaptorInstanceTest, BadControlsAreRefusedAndEditsReachTheHost) {
  int cookie = 0;
  auto instance = Make(PI_FOURCC('R', 'T', 'a', 'c'), &cookie);
  ASSERT_NE(instance, nullptr);
  char text[64] = {};
  EXPECT_EQ(instance->SetControl(67, 0.5f), PI_ERR_BAD_CONTROL);
  EXPECT_EQ(instance->SetControl(-1, 0.5f), PI_ERR_BAD_CONTROL);
  EXPECT_EQ(instance->GetControl(3, nullptr), PI_ERR_BAD_ARGUMENT);
  EXPECT_EQ(instance->GetControlText(3, text, 0), PI_ERR_BAD_ARGUMENT);

  // The effect's automation and gestures reach the host under its cookie.
  instance->Effect()->beginEdit(PARAM_WIDTH);
  instance->Effect()->SetParameterAutomatedChecked(PARAM_WIDTH, 0.375f);
  instance->Effect()->endEdit(PARAM_WIDTH);
  std::int32_t control = -1;
  float value = 0.0f;
  ASSERT_EQ(StandIn_LastControlChange(&cookie, PI_CONTROL_VALUE, &control, &value), 0);
  EXPECT_EQ(control, PARAM_WIDTH);
  EXPECT_EQ(value, 0.375f);
  EXPECT_EQ(StandIn_ControlChangeCount(&cookie, PI_CONTROL_BEGIN), 1);
  EXPECT_EQ(StandIn_ControlChangeCount(&cookie, PI_CONTROL_END), 1);
}

TEST_F(AdaptorInstanceTest, TimeInfoFollowsTheRtasPositionAndTheAudioSuiteRunningCount) {
  auto rtas = Make(PI_FOURCC('R', 'T', 'a', 'c'));
  ASSERT_NE(rtas, nullptr);
  std::vector<float> l(3000, 0.1f), r(3000, -0.1f);
  const float* in[2] = {l.data(), r.data()};
  float* out[2] = {l.data(), r.data()};  // in place
  ASSERT_EQ(rtas->ProcessRtas(in, out, 3000, 1234567), PI_NO_ERR);
  // Blocks beyond the slice size are cut; the last slice starts 2048 frames in.
  EXPECT_EQ(rtas->Effect()->getTimeInfo(0)->samplePos, 1234567.0 + 2048.0);

  auto offline = Make(PI_FOURCC('A', 'S', 'a', 'c'));
  ASSERT_NE(offline, nullptr);
  ASSERT_EQ(offline->ProcessAudioSuite(in, out, 100), PI_NO_ERR);
  ASSERT_EQ(offline->ProcessAudioSuite(in, out, 100), PI_NO_ERR);
  EXPECT_EQ(offline->Effect()->getTimeInfo(0)->samplePos, 100.0);
  PiDiagnostics d{};
  ASSERT_EQ(offline->GetDiagnostics(&d), PI_NO_ERR);
  EXPECT_EQ(d.framesProcessed, 200);
}

// The adaptor's own bypass (the engine's is the processing tests'): a glide
// from the wet output, which a twin without bypass shows, to the exact input.
TEST_F(AdaptorInstanceTest, MasterBypassGlidesFromTheWetOutputToExactlyTheInput) {
  auto instance = Make(PI_FOURCC('R', 'T', 'a', 'c')), twin = Make(PI_FOURCC('R', 'T', 'a', 'c'));
  ASSERT_TRUE(instance && twin);
  constexpr std::size_t kFrames = 2 * BYPASS_RAMP_FRAMES;
  std::vector<float> l(kFrames), r(kFrames, -0.25f), ol(kFrames), orr(kFrames), wl(kFrames), wr(kFrames);
  for (std::size_t k = 0; k < kFrames; ++k) l[k] = 0.5f * std::sin(0.05f * static_cast<float>(k));
  const float* in[2] = {l.data(), r.data()};
  float* out[2] = {ol.data(), orr.data()};
  float* wet[2] = {wl.data(), wr.data()};
  instance->SetControl(64, 1.0f);
  ASSERT_EQ(instance->ProcessRtas(in, out, kFrames, 0), PI_NO_ERR);
  ASSERT_EQ(twin->ProcessRtas(in, wet, kFrames, 0), PI_NO_ERR);
  for (std::size_t k = 0; k < kFrames; ++k) {
    const float mix = std::min(1.0f, static_cast<float>(k + 1) / BYPASS_RAMP_FRAMES);
    ASSERT_NEAR(ol[k], wl[k] + (l[k] - wl[k]) * mix, 1e-5f) << k;
    ASSERT_NEAR(orr[k], wr[k] + (r[k] - wr[k]) * mix, 1e-5f) << k;
  }
  EXPECT_EQ(ol.back(), l.back());  // exactly the input, not nearly
  EXPECT_GT(std::fabs(wl[0] - l[0]) + std::fabs(wr[0] - r[0]), 1e-3f) << "the glide starts from a different signal";
}

TEST_F(AdaptorInstanceTest, MonoFormatsFeedBothInputsAndFoldDownWithTheMonoGain) {
  auto mono = Make(PI_FOURCC('R', 'T', 'a', 'a'));
  auto stereo = Make(PI_FOURCC('R', 'T', 'a', 'c'));
  ASSERT_TRUE(mono && stereo);
  constexpr std::size_t kFrames = 256;
  std::vector<float> x(kFrames), y(kFrames), sl(kFrames), sr(kFrames);
  for (std::size_t k = 0; k < kFrames; ++k) x[k] = 0.5f * std::sin(0.02f * static_cast<float>(k));
  const float* monoIn[1] = {x.data()};
  float* monoOut[1] = {y.data()};
  const float* stereoIn[2] = {x.data(), x.data()};
  float* stereoOut[2] = {sl.data(), sr.data()};
  mono->SetControl(65, 0.5f);
  stereo->SetControl(65, 0.5f);  // not used by stereo outputs
  ASSERT_EQ(mono->ProcessRtas(monoIn, monoOut, kFrames, 0), PI_NO_ERR);
  ASSERT_EQ(stereo->ProcessRtas(stereoIn, stereoOut, kFrames, 0), PI_NO_ERR);
  for (std::size_t k = 0; k < kFrames; ++k) EXPECT_NEAR(y[k], 0.5f * 0.5f * (sl[k] + sr[k]), 1e-6f) << k;

  // Mono to stereo: the one input feeds both sides, both outputs are written
  // as the stereo type's are from that input on both sides.
  auto monoToStereo = Make(PI_FOURCC('R', 'T', 'a', 'b'));
  ASSERT_NE(monoToStereo, nullptr);
  monoToStereo->SetControl(65, 0.0f);
  std::vector<float> l(kFrames, 9.0f), r(kFrames, 9.0f);
  float* bothOut[2] = {l.data(), r.data()};
  ASSERT_EQ(monoToStereo->ProcessRtas(monoIn, bothOut, kFrames, 0), PI_NO_ERR);
  EXPECT_EQ(l, sl);
  EXPECT_EQ(r, sr);
}

// The values themselves and the adaptor's own chunk: adaptor_harness.
TEST_F(AdaptorInstanceTest, EffectChunkCarriesTheProgramAndTheAdaptorsControlsAfterTheEffectsKeys) {
  auto a = Make(PI_FOURCC('R', 'T', 'a', 'c'));
  auto b = Make(PI_FOURCC('A', 'S', 'a', 'c'));
  ASSERT_TRUE(a && b);
  const int n = a->Effect()->GetNumAutomatable();
  ASSERT_EQ(a->SetControl(n + 2, 7.0f / 59.0f), PI_NO_ERR);  // program 7
  for (int i = 0; i < 64; ++i) a->SetControl(i, static_cast<float>((i * 11) % 64) / 63.0f);
  a->SetControl(n, 1.0f);       // Master Bypass
  a->SetControl(n + 1, 0.25f);  // Mono Gain
  const std::vector<std::uint8_t> data = Save(*a, PI_CHUNK_EFFECT);
  ASSERT_EQ(b->RestoreChunk(PI_CHUNK_EFFECT, data.data(), static_cast<std::uint32_t>(data.size())), PI_NO_ERR);
  EXPECT_EQ(b->Effect()->getProgram(), 7);  // shown over the saved values
  for (int i = 0; i < 64; ++i) EXPECT_EQ(b->Effect()->getParameter(i), a->Effect()->getParameter(i)) << i;
  float value = 0.0f;
  b->GetControl(n, &value);
  EXPECT_EQ(value, 1.0f);
  b->GetControl(n + 1, &value);
  EXPECT_EQ(value, 0.25f);

  // A chunk saved without the adaptor's keys still restores, program unchanged.
  CKeyedChunkEncoder encoder;
  ASSERT_TRUE(a->Effect()->SaveStateChunk(encoder));
  std::vector<std::uint8_t> effectOnly(56 + encoder.Size());
  WriteChunkHeader(MakeChunkHeader(PI_CHUNK_EFFECT, EFFECT_CHUNK_NAME, encoder.Size()), effectOnly.data());
  std::memcpy(effectOnly.data() + 56, encoder.Data(), encoder.Size());
  auto c = Make(PI_FOURCC('R', 'T', 'a', 'c'));
  ASSERT_EQ(c->RestoreChunk(PI_CHUNK_EFFECT, effectOnly.data(), static_cast<std::uint32_t>(effectOnly.size())),
            PI_NO_ERR);
  EXPECT_EQ(c->Effect()->getProgram(), 0);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(c->Effect()->getParameter(i), a->Effect()->getParameter(i)) << i;

  std::uint32_t written = 0;
  std::vector<std::uint8_t> small(data.size() - 1);
  EXPECT_EQ(a->SaveChunk(PI_CHUNK_EFFECT, small.data(), static_cast<std::uint32_t>(small.size()), &written),
            PI_ERR_BUFFER_TOO_SMALL);
  EXPECT_EQ(written, 0u);
}

TEST_F(AdaptorInstanceTest, BadEffectChunksAnswerErrorsAndKeepWhatWasAppliedBeforeTheFault) {
  auto a = Make(PI_FOURCC('R', 'T', 'a', 'c'));
  auto b = Make(PI_FOURCC('R', 'T', 'a', 'c'));
  ASSERT_TRUE(a && b);
  // The effect keeps its ranges apart and band counts whole, so remember
  // what each control really holds after being set.
  const auto setAll = [](auto& instance, float value) {
    std::vector<float> held(64);
    for (int i = 0; i < 64; ++i) instance->SetControl(i, value);
    for (int i = 0; i < 64; ++i) held[static_cast<std::size_t>(i)] = instance->Effect()->getParameter(i);
    return held;
  };
  const std::vector<float> lowValues = setAll(a, 0.125f);
  const std::vector<float> highValues = setAll(b, 0.875f);
  const std::vector<std::uint8_t> good = Save(*a, PI_CHUNK_EFFECT);
  const auto size = static_cast<std::uint32_t>(good.size());

  // Shorter than a header, or header and length disagreeing: rejected whole.
  for (std::uint32_t cut : {0u, 55u, 56u, size - 1}) {
    EXPECT_EQ(b->RestoreChunk(PI_CHUNK_EFFECT, good.data(), cut), PI_ERR_BAD_CHUNK) << cut;
  }
  for (const std::size_t field : {0u, 8u}) {  // the size, then the id
    std::vector<std::uint8_t> wrong = good;
    kiv::PutBig32(wrong.data() + field, field ? PI_CHUNK_ADAPTOR : size - 4);
    EXPECT_EQ(b->RestoreChunk(PI_CHUNK_EFFECT, wrong.data(), size), PI_ERR_BAD_CHUNK) << field;
  }
  EXPECT_EQ(b->RestoreChunk(PI_CHUNK_EFFECT, nullptr, size), PI_ERR_BAD_ARGUMENT);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(b->Effect()->getParameter(i), highValues[static_cast<std::size_t>(i)]) << i;

  // Cut behind a consistent header: -77, the keys before the cut applied.
  const std::uint32_t cut = 56 + 50;
  std::vector<std::uint8_t> truncated(good.begin(), good.begin() + cut);
  kiv::PutBig32(truncated.data(), cut);
  ASSERT_EQ(b->RestoreChunk(PI_CHUNK_EFFECT, truncated.data(), cut), PI_ERR_CHUNK_KEY_MISSING);
  CKeyedChunkDecoder decoder;
  decoder.Decode(truncated.data() + 56, cut - 56);
  const std::size_t complete = decoder.EntryCount();
  ASSERT_GT(complete, 0u);
  for (std::size_t i = 0; i < 64; ++i)
    EXPECT_EQ(b->Effect()->getParameter(static_cast<int>(i)), (i < complete ? lowValues : highValues)[i]) << i;
}

}  // namespace
