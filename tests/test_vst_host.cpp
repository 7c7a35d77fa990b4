#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Helpers/Vst/AEffect.h"
#include "tools/vsthost/VstHost.h"

namespace {

using vsthost::CVstHost;

// Asks the dummy plug-in (tests/vst_dummy_plugin.cpp) a vendor-specific question.
std::intptr_t Ask(CVstHost& host, char a, char b, char c, char d, void* ptr = nullptr, float opt = 0.0f) {
  return host.Dispatch(vst::effVendorSpecific, vst::FourCC(a, b, c, d), 0, ptr, opt);
}
std::string HostSeenByPlugin(CVstHost& host) {
  char text[512] = {};
  Ask(host, 'H', 'o', 's', 't', text);
  return text;
}

void Process(CVstHost& host, int blocks) {
  std::vector<float> in(256, 0.0f), out(256);
  float* inputs[2] = {in.data(), in.data()};
  float* outputs[2] = {out.data(), out.data()};
  for (int b = 0; b < blocks; ++b) host.ProcessReplacing(inputs, outputs, 256);
}

class VstHost : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_host.Load(DUMMY_PLUGIN_PATH)) << m_host.GetError(); }
  CVstHost m_host;
};

// The identity getters, parameters, programs and processing are the spanora
// info and render tests' job (they go through this host); here what those
// cannot see: what an effect sees of its own host while it is constructed,
// before the host knows it, and that each host owns its own effect.
TEST_F(VstHost, EachEffectSeesItsOwnHostAndClosingAHostClosesOnlyItsOwnEffect) {
  const auto live = [this] { return Ask(m_host, 'L', 'i', 'v', 'e'); };
  auto cakewalk = std::make_unique<CVstHost>();
  cakewalk->Host().SetVendorString("Cakewalk");
  cakewalk->Host().SetProductString(std::string(100, 'p'));  // cut to the 63 characters VST allots
  cakewalk->Host().SetVendorVersion(7);
  cakewalk->Host().SetCanDo({"sendVstTimeInfo"});
  ASSERT_TRUE(cakewalk->Load(DUMMY_PLUGIN_PATH)) << cakewalk->GetError();
  EXPECT_EQ(HostSeenByPlugin(*cakewalk), "2400|Cakewalk|" + std::string(63, 'p') + "|7|0");
  EXPECT_EQ(HostSeenByPlugin(m_host), "2400|Tarnwell Audio|spanora|1000|1");

  cakewalk->SetMainsOn(true);
  EXPECT_EQ(live(), 2);
  cakewalk.reset();
  EXPECT_EQ(live(), 1);
  ASSERT_TRUE(m_host.Load(DUMMY_PLUGIN_PATH)) << "loading again replaces the effect";
  EXPECT_EQ(live(), 1);
  m_host.Close();
  EXPECT_EQ(live(), 0) << "an unloaded host answers 0 to everything";
}

// The gestures themselves: the editor window tests, through this host.
TEST_F(VstHost, LifeCycleReachesTheEffectItsQuestionsAreAnsweredAndSurplusEventsCounted) {
  m_host.Open();
  m_host.SetSampleRate(96000.0f);
  m_host.SetBlockSize(128);
  m_host.SetMainsOn(true);
  double state[4] = {};  // opened, mains on, sample rate, block size
  Ask(m_host, 'S', 't', 'a', 't', state);
  EXPECT_EQ(std::vector<double>(state, state + 4), (std::vector<double>{1.0, 1.0, 96000.0, 128.0}));
  m_host.SetMainsOn(false);
  Ask(m_host, 'S', 't', 'a', 't', state);
  EXPECT_EQ(state[1], 0.0);

  m_host.Host().ClearRecords();
  std::intptr_t answers[2] = {};  // what the host told a plug-in that asked
  Ask(m_host, 'P', 'o', 'k', 'e', answers);
  EXPECT_EQ(answers[0], 96000);
  EXPECT_EQ(answers[1], 128);
  EXPECT_EQ(m_host.Host().GetIOChangedCount(), 1);
  EXPECT_EQ(m_host.Host().GetUpdateDisplayCount(), 1);

  const std::size_t capacity = vsthost::CHostEnvironment::EVENT_CAPACITY, gestures = capacity / 3 + 1;
  for (std::size_t i = 0; i < gestures; ++i) Ask(m_host, 'A', 'u', 't', 'o', nullptr, 0.5f);
  EXPECT_EQ(m_host.Host().GetEvents().size(), capacity);
  EXPECT_EQ(m_host.Host().GetDroppedEvents(), gestures * 3 - capacity);
}

TEST_F(VstHost, AnswersTimeInfoAndMovesAPlayingTransport) {
  double seen[2] = {};  // sample position, tempo
  Process(m_host, 2);
  ASSERT_EQ(Ask(m_host, 'T', 'i', 'm', 'e', seen), 1);
  EXPECT_EQ(seen[0], 0.0) << "a stopped transport stays put";
  EXPECT_EQ(seen[1], 120.0);

  vst::VstTimeInfo time = m_host.Host().GetTimeInfo();
  time.samplePos = 1000.0;
  time.tempo = 90.0;
  time.flags |= vst::kVstTransportPlaying;
  m_host.Host().SetTimeInfo(time);
  Process(m_host, 2);
  Ask(m_host, 'T', 'i', 'm', 'e', seen);
  EXPECT_EQ(seen[0], 1256.0);
  EXPECT_EQ(seen[1], 90.0);
  EXPECT_DOUBLE_EQ(m_host.Host().GetTimeInfo().ppqPos, 512.0 / 44100.0 * 1.5);

  m_host.Host().SetTimeInfoAvailable(false);
  Process(m_host, 1);
  EXPECT_EQ(Ask(m_host, 'T', 'i', 'm', 'e', seen), 0);
}

TEST(VstHostErrors, RefusesModulesThatAreNotUsablePluginsAndStaysUsable) {
  const std::pair<const char*, const char*> kCases[] = {
      {"/nonexistent/libnothing.so", "/nonexistent/libnothing.so"},
      {NO_ENTRY_PLUGIN_PATH, "no VSTPluginMain"},
      {NULL_PLUGIN_PATH, "returned no effect"},
      {BAD_MAGIC_PLUGIN_PATH, "without the VST magic"},
  };
  CVstHost host;
  for (const auto& [path, message] : kCases) {
    EXPECT_FALSE(host.Load(path));
    EXPECT_NE(host.GetError().find(message), std::string::npos) << host.GetError();
  }
  // Nothing loaded: every operation is neutral.
  EXPECT_EQ(host.GetNumParams(), 0);
  host.SetParameter(0, 1.0f);
  host.ProcessReplacing(nullptr, nullptr, 16);
  host.SetMainsOn(true);
  EXPECT_FALSE(host.IsMainsOn());

  ASSERT_TRUE(host.Load(DUMMY_PLUGIN_PATH)) << "a failed load leaves the host usable";
  EXPECT_EQ(host.GetError(), "");
}

}  // namespace
