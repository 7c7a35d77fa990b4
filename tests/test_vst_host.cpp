#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Helpers/Vst/AEffect.h"
#include "tools/vsthost/VstHost.h"

namespace {

using vst::FourCC;
using vsthost::CVstHost;
using vsthost::SHostEvent;

// Asks the dummy plug-in (tests/vst_dummy_plugin.cpp) a vendor-specific question.
std::intptr_t Ask(CVstHost& host, char a, char b, char c, char d, void* ptr = nullptr, std::intptr_t value = 0,
                  float opt = 0.0f) {
  return host.Dispatch(vst::effVendorSpecific, FourCC(a, b, c, d), value, ptr, opt);
}
std::string HostSeenByPlugin(CVstHost& host) {
  char text[512] = {};
  Ask(host, 'H', 'o', 's', 't', text);
  return text;
}

void Process(CVstHost& host, std::vector<float>& in, std::vector<float>& outLeft, std::vector<float>& outRight) {
  float* inputs[2] = {in.data(), in.data()};
  float* outputs[2] = {outLeft.data(), outRight.data()};
  host.ProcessReplacing(inputs, outputs, static_cast<std::int32_t>(in.size()));
}

class VstHost : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_host.Load(DUMMY_PLUGIN_PATH)) << m_host.GetError(); }
  CVstHost m_host;
};

// The identity getters one by one are the spanora_info_* command tests' job
// (they print every field through this host); here what those cannot see.
TEST_F(VstHost, TheEffectSeesTheHostsIdentityWhileItIsConstructed) {
  EXPECT_EQ(m_host.GetPath(), DUMMY_PLUGIN_PATH);
  EXPECT_EQ(m_host.GetVersion(), 7);
  EXPECT_EQ(HostSeenByPlugin(m_host), "2400|Tarnwell Audio|spanora|1000|1");
  EXPECT_EQ(m_host.Host().GetCanDoQueries(), std::vector<std::string>{"acceptIOChanges"});

  CVstHost cakewalk;
  cakewalk.Host().SetVendorString("Cakewalk");
  cakewalk.Host().SetProductString(std::string(100, 'p'));  // cut to the 63 characters VST allots
  cakewalk.Host().SetVendorVersion(7);
  cakewalk.Host().SetCanDo({"sendVstTimeInfo"});
  ASSERT_TRUE(cakewalk.Load(DUMMY_PLUGIN_PATH)) << cakewalk.GetError();
  EXPECT_EQ(HostSeenByPlugin(cakewalk), "2400|Cakewalk|" + std::string(63, 'p') + "|7|0");
  // Two instances of one module each talk to their own host.
  EXPECT_EQ(HostSeenByPlugin(m_host), "2400|Tarnwell Audio|spanora|1000|1");
}

TEST_F(VstHost, LifeCycleParametersProgramsAndChunksReachTheEffect) {
  m_host.Open();
  m_host.SetSampleRate(48000.0f);
  m_host.SetBlockSize(64);
  m_host.SetMainsOn(true);
  double state[4] = {};  // opened, mains on, sample rate, block size
  Ask(m_host, 'S', 't', 'a', 't', state);
  EXPECT_EQ(std::vector<double>(state, state + 4), (std::vector<double>{1.0, 1.0, 48000.0, 64.0}));
  EXPECT_TRUE(m_host.IsMainsOn());

  std::vector<float> in = {1.0f, -0.5f, 0.25f}, outLeft(3, 9.0f), outRight(3, 9.0f);
  m_host.SetParameter(0, 0.75f);  // gain 1.5
  m_host.SetParameter(1, 1.0f);   // inverted
  EXPECT_FLOAT_EQ(m_host.GetParameter(0), 0.75f);
  EXPECT_EQ(m_host.GetParameterDisplay(0), "1.50");
  EXPECT_EQ(m_host.GetParameterName(2), "") << "out of range leaves the zeroed buffer";
  EXPECT_EQ(m_host.GetParameterKey(1), "") << "the plug-in answered 0";
  Process(m_host, in, outLeft, outRight);
  EXPECT_EQ(outLeft, (std::vector<float>{-1.5f, 0.75f, -0.375f}));
  EXPECT_EQ(outRight, outLeft);
  m_host.SetMainsOn(false);
  Ask(m_host, 'S', 't', 'a', 't', state);
  EXPECT_EQ(state[1], 0.0);

  m_host.SetProgramName("Wide");
  std::string name = "stale";
  EXPECT_TRUE(m_host.GetProgramNameIndexed(0, &name));
  EXPECT_EQ(name, "Wide");
  EXPECT_FALSE(m_host.GetProgramNameIndexed(1, &name));
  EXPECT_EQ(name, "");
  const std::vector<std::uint8_t> chunk = m_host.GetChunk(false);
  ASSERT_EQ(chunk.size(), 12u);
  m_host.SetParameter(0, 0.1f);
  EXPECT_EQ(m_host.SetChunk(chunk, false), 1);
  EXPECT_FLOAT_EQ(m_host.GetParameter(0), 0.75f);
  EXPECT_EQ(m_host.SetChunk({1, 2, 3}, true), 0);
}

TEST_F(VstHost, RecordsGesturesAndNotificationsAndCountsWhatItCannotHold) {
  m_host.SetSampleRate(96000.0f);
  m_host.SetBlockSize(128);
  m_host.Host().ClearRecords();
  Ask(m_host, 'A', 'u', 't', 'o', nullptr, 1, 0.75f);  // a gesture: begin, automate, end
  Ask(m_host, 'A', 'u', 't', 'o', nullptr, 0, 0.125f);
  const std::vector<SHostEvent> events = m_host.Host().GetEvents();
  ASSERT_EQ(events.size(), 6u);
  using K = SHostEvent::EKind;
  const K kinds[] = {K::BeginEdit, K::Automate, K::EndEdit, K::BeginEdit, K::Automate, K::EndEdit};
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(events[i].kind, kinds[i]) << i;
    EXPECT_EQ(events[i].index, i < 3 ? 1 : 0) << i;
  }
  const std::vector<SHostEvent> automation = m_host.Host().GetAutomation();
  ASSERT_EQ(automation.size(), 2u);
  EXPECT_EQ(automation[0].value, 0.75f);
  EXPECT_EQ(automation[1].value, 0.125f);

  std::intptr_t answers[2] = {};  // what the host told a plug-in that asked
  Ask(m_host, 'P', 'o', 'k', 'e', answers);
  Ask(m_host, 'P', 'o', 'k', 'e', answers);
  EXPECT_EQ(answers[0], 96000);
  EXPECT_EQ(answers[1], 128);
  EXPECT_EQ(m_host.Host().GetIOChangedCount(), 2);
  EXPECT_EQ(m_host.Host().GetUpdateDisplayCount(), 2);

  m_host.Host().ClearRecords();
  EXPECT_EQ(m_host.Host().GetIOChangedCount(), 0);
  const std::size_t capacity = vsthost::CHostEnvironment::EVENT_CAPACITY, gestures = capacity / 3 + 1;
  for (std::size_t i = 0; i < gestures; ++i) Ask(m_host, 'A', 'u', 't', 'o', nullptr, 0, 0.5f);
  EXPECT_EQ(m_host.Host().GetEvents().size(), capacity);
  EXPECT_EQ(m_host.Host().GetDroppedEvents(), gestures * 3 - capacity);
}

TEST_F(VstHost, AnswersTimeInfoAndMovesAPlayingTransport) {
  std::vector<float> in(256, 0.0f), out(256);
  double seen[2] = {};  // sample position, tempo
  Process(m_host, in, out, out);
  Process(m_host, in, out, out);
  ASSERT_EQ(Ask(m_host, 'T', 'i', 'm', 'e', seen), 1);
  EXPECT_EQ(seen[0], 0.0) << "a stopped transport stays put";
  EXPECT_EQ(seen[1], 120.0);

  vst::VstTimeInfo time = m_host.Host().GetTimeInfo();
  time.samplePos = 1000.0;
  time.tempo = 90.0;
  time.flags |= vst::kVstTransportPlaying;
  m_host.Host().SetTimeInfo(time);
  Process(m_host, in, out, out);
  Process(m_host, in, out, out);
  Ask(m_host, 'T', 'i', 'm', 'e', seen);
  EXPECT_EQ(seen[0], 1256.0);
  EXPECT_EQ(seen[1], 90.0);
  EXPECT_EQ(m_host.Host().GetTimeInfo().samplePos, 1512.0);
  EXPECT_DOUBLE_EQ(m_host.Host().GetTimeInfo().ppqPos, 512.0 / 44100.0 * 1.5);
  EXPECT_EQ(m_host.Host().GetTimeInfoRequests(), 4);

  m_host.Host().SetTimeInfoAvailable(false);
  Process(m_host, in, out, out);
  EXPECT_EQ(Ask(m_host, 'T', 'i', 'm', 'e', seen), 0);
}

TEST_F(VstHost, ClosingAHostClosesOnlyItsOwnEffect) {
  const auto live = [this] { return Ask(m_host, 'L', 'i', 'v', 'e'); };
  EXPECT_EQ(live(), 1);
  auto second = std::make_unique<CVstHost>();
  ASSERT_TRUE(second->Load(DUMMY_PLUGIN_PATH));
  second->SetMainsOn(true);
  EXPECT_EQ(live(), 2);
  second.reset();
  EXPECT_EQ(live(), 1);
  ASSERT_TRUE(m_host.Load(DUMMY_PLUGIN_PATH)) << "loading again replaces the effect";
  EXPECT_EQ(live(), 1);
  m_host.Close();
  EXPECT_FALSE(m_host.IsLoaded());
  EXPECT_EQ(live(), 0) << "an unloaded host answers 0 to everything";
}

TEST(VstHostErrors, RefusesModulesThatAreNotUsablePluginsAndStaysUsable) {
  const std::pair<const char*, const char*> kCases[] = {
      {"/nonexistent/libnothing.so", "/nonexistent/libnothing.so"},
      {NO_ENTRY_PLUGIN_PATH, "no VSTPluginMain"},
      {"libm.so.6", "no VSTPluginMain"},
      {NULL_PLUGIN_PATH, "returned no effect"},
      {BAD_MAGIC_PLUGIN_PATH, "without the VST magic"},
  };
  CVstHost host;
  for (const auto& [path, message] : kCases) {
    EXPECT_FALSE(host.Load(path));
    EXPECT_NE(host.GetError().find(message), std::string::npos) << host.GetError();
  }
  EXPECT_NE(host.GetError().find(BAD_MAGIC_PLUGIN_PATH), std::string::npos) << host.GetError();

  // Nothing loaded: every operation is neutral.
  EXPECT_FALSE(host.IsLoaded());
  EXPECT_EQ(host.GetEffectName(), "");
  EXPECT_EQ(host.GetNumParams(), 0);
  EXPECT_TRUE(host.GetChunk(false).empty());
  host.SetParameter(0, 1.0f);
  host.ProcessReplacing(nullptr, nullptr, 16);
  host.SetMainsOn(true);
  EXPECT_FALSE(host.IsMainsOn());

  ASSERT_TRUE(host.Load(DUMMY_PLUGIN_PATH)) << "a failed load leaves the host usable";
  EXPECT_EQ(host.GetError(), "");
}

}  // namespace
