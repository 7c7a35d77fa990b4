#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "tests/support/FakeHost.h"
#include "widener/ASpanora.h"

namespace {

class SpanoraTest : public ::testing::Test {
 protected:
  void SetUp() override {
    spanora = std::make_unique<ASpanora>(host.Callback());
    effect = spanora->getAeffect();
  }
  std::intptr_t Dispatch(int opcode, int index = 0, std::intptr_t value = 0, void* ptr = nullptr) {
    return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
  }
  std::string Text(int opcode, int index) {
    char text[256];
    std::memset(text, 0, sizeof text);
    Dispatch(opcode, index, 0, text);
    return text;
  }
  std::string Display(int index, float value) {
    effect->setParameter(effect, index, value);
    return Text(vst::effGetParamDisplay, index);
  }

  FakeHost host;
  std::unique_ptr<ASpanora> spanora;
  vst::AEffect* effect = nullptr;
};

TEST_F(SpanoraTest, IdentityAsAHostSeesIt) {
  EXPECT_EQ(effect->magic, vst::kEffectMagic);
  EXPECT_EQ(effect->numParams, 64);
  EXPECT_EQ(effect->numPrograms, 60);
  EXPECT_EQ(effect->numInputs, 2);
  EXPECT_EQ(effect->numOutputs, 2);
  EXPECT_EQ(effect->uniqueID, vst::FourCC('K', 'S', 'P', '3'));
  EXPECT_TRUE(effect->flags & vst::effFlagsCanReplacing);
  EXPECT_FALSE(effect->flags & vst::effFlagsProgramChunks);
  EXPECT_EQ(effect->initialDelay, 0);
  EXPECT_EQ(Text(vst::effGetEffectName, 0), "Tarnwell Spanora3");
  EXPECT_EQ(Text(vst::effGetVendorString, 0), "Tarnwell Audio");
  EXPECT_EQ(Text(vst::effGetProductString, 0), "Tarnwell Audio - Spanora3");
  EXPECT_EQ(Dispatch(vst::effGetVendorVersion), 1000);
  EXPECT_EQ(Dispatch(vst::effGetPlugCategory), 1);
  EXPECT_EQ(spanora->getSampleRate(), 44100.0f);
  EXPECT_EQ(spanora->getBlockSize(), 1024);
  void* chunk = reinterpret_cast<void*>(1);
  EXPECT_EQ(Dispatch(vst::effGetChunk, 0, 0, &chunk), 0);  // programs are parameter values, not chunks
}

TEST_F(SpanoraTest, ProgramNamesOfBothBanks) {
  char name[64];
  const std::pair<int, const char*> expected[] = {
      {0, "Tickle my beats"}, {12, "Analyser"}, {39, "Synth Pad 3"}, {40, "User01"}, {48, "User09"},
      {49, "User10"},         {59, "User20"}};
  for (const auto& [index, text] : expected) {
    ASSERT_EQ(Dispatch(vst::effGetProgramNameIndexed, index, 0, name), 1);
    EXPECT_STREQ(name, text);
  }
  EXPECT_EQ(Dispatch(vst::effGetProgram), 0);
  EXPECT_EQ(Text(vst::effGetProgramName, 0), "Tickle my beats");
  EXPECT_EQ(spanora->GetFactoryProgramCount(), 40);
  EXPECT_EQ(spanora->GetUserProgramCount(), 0);
}

TEST_F(SpanoraTest, PresetsSetOnlyTheirListedValues) {
  const ProgramRecord& analyser = spanora->GetProgramRecord(12);
  const ProgramRecord& defaults = spanora->GetDefaultProgram();
  for (int i = 0; i < 64; ++i) {
    const bool listed = i == 0 || i == 8 || i == 17 || i == 18 || i == 21;
    if (listed) continue;
    EXPECT_EQ(analyser.values[i], defaults.values[i]) << i;
  }
  EXPECT_EQ(analyser.values[18], 0.58f);
  const ProgramRecord& user = spanora->GetProgramRecord(45);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(user.values[i], defaults.values[i]) << i;
  EXPECT_EQ(spanora->GetProgramRecord(39).values[31], 0.49151f);
  EXPECT_EQ(spanora->GetProgramRecord(39).values[63], 0.5f);
}

TEST_F(SpanoraTest, NamesKeysLabelsAndDefaults) {
  EXPECT_EQ(Text(vst::effGetParamName, 0), "IID Width");
  EXPECT_EQ(Text(vst::effGetParamName, 19), "");
  EXPECT_EQ(Text(vst::effGetParamName, 51), " B");
  EXPECT_EQ(Text(vst::effGetParamName, 32 + 29), "Output Balance B");
  EXPECT_EQ(Text(vst::effGetParamName, 64), "");
  EXPECT_EQ(Text(vst::effGetParamName, 9002), "");
  EXPECT_EQ(Text(vst::effGetParamName, 9000), "Cache Textures");
  EXPECT_EQ(Text(vst::effGetParamName, 9001), "Analysis");
  EXPECT_EQ(Text(vst::effGetParamName, 9100), "Profiling Info");
  EXPECT_EQ(Text(vst::effGetParamLabel, 0), " ");
  EXPECT_EQ(Text(vst::effGetParamLabel, 54), " BPS");
  char untouched[16] = "keep";
  Dispatch(vst::effGetParamLabel, 64, 0, untouched);
  EXPECT_STREQ(untouched, "keep");
  Dispatch(vst::effGetParamDisplay, 64, 0, untouched);
  EXPECT_STREQ(untouched, "keep");

  EXPECT_STREQ(spanora->GetParameterKey(0), "Width");
  EXPECT_STREQ(spanora->GetParameterKey(18), "SplitDelayTime");
  EXPECT_STREQ(spanora->GetParameterKey(51), "B_Deprecated1");
  EXPECT_STREQ(spanora->GetParameterKey(63), "B_AutoLevelAmount1");
  EXPECT_STREQ(spanora->GetParameterKey(64), "OUT_OF_BOUNDS");
  EXPECT_EQ(SpanoraParameters::Default(47), 0.75f);
  EXPECT_EQ(SpanoraParameters::Default(64), -1.0f);
  EXPECT_EQ(SpanoraParameters::IndexOfKey("B_SoloL"), 59);
  char key[64] = {};
  EXPECT_EQ(Dispatch(vst::effVendorSpecific, vst::FourCC('K', 'e', 'y', 'N'), 22, key), 1);
  EXPECT_STREQ(key, "DynSpeed");
}

TEST_F(SpanoraTest, DisplayTexts) {
  EXPECT_EQ(Display(PARAM_DYN_TYPE, 0.12f), "Sine");
  EXPECT_EQ(Display(PARAM_DYN_TYPE, 0.125f), "Triangle");
  EXPECT_EQ(Display(PARAM_DYN_TYPE, 1.0f), "RND2");
  EXPECT_EQ(Display(PARAM_BALANCE, 0.5f), "0");
  EXPECT_EQ(Display(PARAM_BALANCE, 0.75f), "R50");
  EXPECT_EQ(Display(PARAM_BALANCE, 0.0f), "L100");
  EXPECT_EQ(Display(PARAM_DYN_SPEED, 0.0f), "0.006250");
  EXPECT_EQ(Display(PARAM_DYN_SPEED, 1.0f).substr(0, 6), "0.9937");
  EXPECT_EQ(Display(PARAM_WIDTH, 0.8f), "0.800000");
  EXPECT_EQ(Display(PARAM_AUTO_LEVEL_AMOUNT0, 0.5f), "1.000000");
  EXPECT_EQ(Display(PARAM_MONO, 1.0f), "On");
  EXPECT_EQ(Display(PARAM_MONO, 0.0f), "Off");
  EXPECT_EQ(Display(PARAM_LINEAR_WIDTH, 0.5f), "100/%");
  EXPECT_EQ(Display(PARAM_WR_LOW_FREQ, 0.0f), "20Hz");
  EXPECT_EQ(Display(PARAM_WR_HIGH_FREQ, 1.0f), "22.0kHz");
  EXPECT_EQ(Display(32 + PARAM_BALANCE, 0.75f), "R50");
  EXPECT_STREQ(FrequencyString(999.4f, FREQUENCY_FORMAT_DEFAULT), "999Hz");
  EXPECT_STREQ(FrequencyString(1000.0f, FREQUENCY_FORMAT_DEFAULT), "1.0kHz");
  EXPECT_STREQ(FrequencyString(12345.0f, FREQUENCY_FORMAT_COMPACT), "12kHz");
  EXPECT_STREQ(FrequencyString(2345.0f, FREQUENCY_FORMAT_COMPACT), "2.3kHz");
}

TEST_F(SpanoraTest, BeatsPerSecondFromTheHostTempo) {
  host.timeInfo.tempo = 90.0;
  host.timeInfo.flags = vst::kVstTempoValid;
  EXPECT_FLOAT_EQ(spanora->GetBeatsPerSecond(), 1.5f);
  host.timeInfo.flags = 0;
  EXPECT_EQ(spanora->GetBeatsPerSecond(), 2.0f);
  host.answerTimeInfo = false;
  EXPECT_EQ(spanora->GetBeatsPerSecond(), 0.0f);
}

TEST_F(SpanoraTest, ResolutionShowsTheBandCountProcessingUses) {
  float l[64] = {}, r[64] = {};
  float* io[2] = {l, r};
  effect->setParameter(effect, PARAM_RESOLUTION, 0.5f);
  EXPECT_FLOAT_EQ(effect->getParameter(effect, PARAM_RESOLUTION), 5.0f / 9.0f);  // snapped to its count
  effect->processReplacing(effect, io, io, 64);
  EXPECT_EQ(Text(vst::effGetParamDisplay, PARAM_RESOLUTION), "6");
  effect->setParameter(effect, PARAM_RESOLUTION, 0.0f);
  effect->processReplacing(effect, io, io, 64);
  EXPECT_EQ(Text(vst::effGetParamDisplay, PARAM_RESOLUTION), "1");
}

TEST(SpanoraSettings, PersistentValuesKeepTwentyFractionalBitsAcrossObjects) {
  FakeHost host;
  {
    ASpanora first(host.Callback());
    first.setParameter(PARAM_ANALYSIS, 0.3f);
    EXPECT_EQ(first.GetAnyParameter(PARAM_ANALYSIS), 0.3f);
    first.setParameter(PARAM_PROFILING_INFO, 1.0f);
    EXPECT_EQ(first.GetAnyParameter(PARAM_PROFILING_INFO), 1.0f);
  }
  ASpanora second(host.Callback());
  EXPECT_EQ(second.GetAnyParameter(PARAM_ANALYSIS), 314572.0f / 1048576.0f);
  EXPECT_EQ(second.GetAnyParameter(PARAM_PROFILING_INFO), 0.0f);  // transient: memory only
  second.setParameter(PARAM_ANALYSIS, 1.0f);
}

}  // namespace
