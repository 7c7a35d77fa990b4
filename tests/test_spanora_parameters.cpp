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

// What a host stores with a session: changing any of it breaks saved songs.
// (Names, programs and the parameter list: the spanora_presets_* and
// spanora_params_* command tests.)
TEST_F(SpanoraTest, IdentityAsAHostSeesIt) {
  EXPECT_EQ(effect->uniqueID, vst::FourCC('K', 'S', 'P', '3'));
  EXPECT_EQ(effect->numInputs * 10 + effect->numOutputs, 22);
  EXPECT_EQ(effect->flags & (vst::effFlagsCanReplacing | vst::effFlagsProgramChunks), vst::effFlagsCanReplacing);
  EXPECT_EQ(effect->initialDelay, 0);
  void* chunk = reinterpret_cast<void*>(1);
  EXPECT_EQ(Dispatch(vst::effGetChunk, 0, 0, &chunk), 0);  // programs are parameter values, not chunks
}

TEST_F(SpanoraTest, NamesOfTheBSetAndTheSettingsAndNothingOutsideTheRange) {
  const std::pair<int, const char*> kNames[] = {{19, ""},   {51, " B"},   {32 + 29, "Output Balance B"},
                                                {64, ""},   {9002, ""},   {9000, "Cache Textures"},
                                                {9001, "Analysis"}, {9100, "Profiling Info"}};
  for (const auto& [index, name] : kNames) EXPECT_EQ(Text(vst::effGetParamName, index), name) << index;
  char untouched[16] = "keep";
  Dispatch(vst::effGetParamLabel, 64, 0, untouched);
  Dispatch(vst::effGetParamDisplay, 64, 0, untouched);
  EXPECT_STREQ(untouched, "keep");
  EXPECT_STREQ(spanora->GetParameterKey(64), "OUT_OF_BOUNDS");
  EXPECT_EQ(SpanoraParameters::Default(64), -1.0f);
}

TEST_F(SpanoraTest, DisplayTexts) {
  const struct {
    int index;
    float value;
    const char* text;
  } kCases[] = {
      {PARAM_DYN_TYPE, 0.12f, "Sine"},       {PARAM_DYN_TYPE, 0.125f, "Triangle"}, {PARAM_BALANCE, 0.0f, "L100"},
      {32 + PARAM_BALANCE, 0.75f, "R50"},    {PARAM_DYN_SPEED, 0.0f, "0.006250"},  {PARAM_MONO, 1.0f, "On"},
      {PARAM_LINEAR_WIDTH, 0.5f, "100/%"},   {PARAM_WR_LOW_FREQ, 0.0f, "20Hz"},    {PARAM_WR_HIGH_FREQ, 1.0f, "22.0kHz"},
  };
  for (const auto& testCase : kCases)
    EXPECT_EQ(Display(testCase.index, testCase.value), testCase.text) << testCase.index << " at " << testCase.value;
  EXPECT_EQ(Display(PARAM_DYN_SPEED, 1.0f).substr(0, 6), "0.9937");
  EXPECT_STREQ(FrequencyString(999.4f, FREQUENCY_FORMAT_DEFAULT), "999Hz");
  EXPECT_STREQ(FrequencyString(1000.0f, FREQUENCY_FORMAT_DEFAULT), "1.0kHz");
  EXPECT_STREQ(FrequencyString(12345.0f, FREQUENCY_FORMAT_COMPACT), "12kHz");
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
