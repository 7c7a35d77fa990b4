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

// Asks the dummy plug-in what it saw; see tests/vst_dummy_plugin.cpp.
std::string HostSeenByPlugin(CVstHost& host) {
  char text[512] = {};
  host.Dispatch(vst::effVendorSpecific, FourCC('H', 'o', 's', 't'), 0, text);
  return text;
}

struct SPluginState {
  double opened, mainsOn, sampleRate, blockSize;
};
SPluginState PluginState(CVstHost& host) {
  SPluginState state{};
  host.Dispatch(vst::effVendorSpecific, FourCC('S', 't', 'a', 't'), 0, &state);
  return state;
}

void Process(CVstHost& host, std::vector<float>& left, std::vector<float>& right, std::vector<float>& outLeft,
             std::vector<float>& outRight) {
  float* inputs[2] = {left.data(), right.data()};
  float* outputs[2] = {outLeft.data(), outRight.data()};
  host.ProcessReplacing(inputs, outputs, static_cast<std::int32_t>(left.size()));
}

class VstHost : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_host.Load(DUMMY_PLUGIN_PATH)) << m_host.GetError(); }
  CVstHost m_host;
};

// The identity getters one by one are the spanora_info_* command tests' job
// (they print every field through this host); here what those cannot see.
TEST_F(VstHost, LoadsThePluginAndReadsItsIdentity) {
  EXPECT_TRUE(m_host.IsLoaded());
  EXPECT_EQ(m_host.GetError(), "");
  EXPECT_EQ(m_host.GetPath(), DUMMY_PLUGIN_PATH);
  EXPECT_EQ(m_host.GetEffectName(), "Dummy Gain");
  EXPECT_EQ(m_host.GetVersion(), 7);
  // The effect asked for the host's identity before VSTPluginMain returned.
  EXPECT_EQ(HostSeenByPlugin(m_host), "2400|Tarnwell Audio|spanora|1000|1");
  EXPECT_EQ(m_host.Host().GetCanDoQueries(), std::vector<std::string>{"acceptIOChanges"});
}

TEST_F(VstHost, CanPoseAsAnotherHost) {
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

TEST_F(VstHost, ParametersReadAndWriteThroughTheEffect) {
  // Names, labels, keys and the first display: see spanora_info_*.
  EXPECT_EQ(m_host.GetParameterName(2), "") << "out of range leaves the zeroed buffer";
  EXPECT_EQ(m_host.GetParameterKey(1), "") << "the plug-in answered 0";
  EXPECT_EQ(m_host.GetParameterKey(-1), "");
  m_host.SetParameter(0, 0.25f);
  m_host.SetParameter(1, 1.0f);
  EXPECT_FLOAT_EQ(m_host.GetParameter(0), 0.25f);
  EXPECT_EQ(m_host.GetParameterDisplay(0), "0.50");
  EXPECT_EQ(m_host.GetParameterDisplay(1), "On");
}

TEST_F(VstHost, LifeCycleCallsReachTheEffectAndAudioIsProcessed) {
  m_host.Open();
  m_host.SetSampleRate(48000.0f);
  m_host.SetBlockSize(64);
  m_host.SetMainsOn(true);
  SPluginState state = PluginState(m_host);
  EXPECT_EQ(state.opened, 1.0);
  EXPECT_EQ(state.mainsOn, 1.0);
  EXPECT_EQ(state.sampleRate, 48000.0);
  EXPECT_EQ(state.blockSize, 64.0);
  EXPECT_TRUE(m_host.IsMainsOn());

  std::vector<float> left = {1.0f, -0.5f, 0.25f}, right = {0.0f, 2.0f, -1.0f};
  std::vector<float> outLeft(3, 9.0f), outRight(3, 9.0f);
  m_host.SetParameter(0, 0.75f);  // gain 1.5
  Process(m_host, left, right, outLeft, outRight);
  EXPECT_EQ(outLeft, (std::vector<float>{1.5f, -0.75f, 0.375f}));
  EXPECT_EQ(outRight, (std::vector<float>{0.0f, 3.0f, -1.5f}));
  m_host.SetParameter(1, 1.0f);
  Process(m_host, left, right, outLeft, outRight);
  EXPECT_EQ(outLeft[0], -1.5f);

  m_host.SetMainsOn(false);
  EXPECT_EQ(PluginState(m_host).mainsOn, 0.0);
}

TEST_F(VstHost, ProgramsAndChunksRoundTrip) {
  EXPECT_EQ(m_host.GetProgram(), 0);
  EXPECT_EQ(m_host.GetProgramName(), "Init");
  m_host.SetProgramName("Wide");
  EXPECT_EQ(m_host.GetProgramName(), "Wide");
  std::string name = "stale";
  EXPECT_TRUE(m_host.GetProgramNameIndexed(0, &name));
  EXPECT_EQ(name, "Wide");
  EXPECT_FALSE(m_host.GetProgramNameIndexed(1, &name));
  EXPECT_EQ(name, "");

  m_host.SetParameter(0, 0.1f);
  const std::vector<std::uint8_t> chunk = m_host.GetChunk(false);
  ASSERT_EQ(chunk.size(), 12u);
  EXPECT_EQ(std::string(chunk.begin(), chunk.begin() + 4), "DMY1");
  m_host.SetParameter(0, 0.9f);
  EXPECT_EQ(m_host.SetChunk(chunk, false), 1);
  EXPECT_FLOAT_EQ(m_host.GetParameter(0), 0.1f);
  EXPECT_EQ(m_host.SetChunk({1, 2, 3}, true), 0);
}

TEST_F(VstHost, RecordsAutomationGesturesAndNotifications) {
  m_host.SetSampleRate(96000.0f);
  m_host.SetBlockSize(128);
  m_host.Host().ClearRecords();
  m_host.Dispatch(vst::effVendorSpecific, FourCC('A', 'u', 't', 'o'), 1, nullptr, 0.75f);
  m_host.Dispatch(vst::effVendorSpecific, FourCC('A', 'u', 't', 'o'), 0, nullptr, 0.125f);
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

  std::intptr_t answers[2] = {};
  m_host.Dispatch(vst::effVendorSpecific, FourCC('P', 'o', 'k', 'e'), 0, answers);
  m_host.Dispatch(vst::effVendorSpecific, FourCC('P', 'o', 'k', 'e'), 0, answers);
  EXPECT_EQ(answers[0], 96000);
  EXPECT_EQ(answers[1], 128);
  EXPECT_EQ(m_host.Host().GetIOChangedCount(), 2);
  EXPECT_EQ(m_host.Host().GetUpdateDisplayCount(), 2);

  m_host.Host().ClearRecords();
  EXPECT_TRUE(m_host.Host().GetEvents().empty());
  EXPECT_EQ(m_host.Host().GetIOChangedCount(), 0);
}

TEST_F(VstHost, EventsBeyondTheReservedCapacityAreCountedNotStored) {
  const std::size_t gestures = vsthost::CHostEnvironment::EVENT_CAPACITY / 3 + 1;  // 3 events each
  for (std::size_t i = 0; i < gestures; ++i)
    m_host.Dispatch(vst::effVendorSpecific, FourCC('A', 'u', 't', 'o'), 0, nullptr, 0.5f);
  EXPECT_EQ(m_host.Host().GetEvents().size(), vsthost::CHostEnvironment::EVENT_CAPACITY);
  EXPECT_EQ(m_host.Host().GetDroppedEvents(), gestures * 3 - vsthost::CHostEnvironment::EVENT_CAPACITY);
}

TEST_F(VstHost, AnswersTimeInfoAndMovesAPlayingTransport) {
  std::vector<float> in(256, 0.0f), out(256);
  double seen[2] = {};
  Process(m_host, in, in, out, out);
  ASSERT_EQ(m_host.Dispatch(vst::effVendorSpecific, FourCC('T', 'i', 'm', 'e'), 0, seen), 1);
  EXPECT_EQ(seen[0], 0.0);
  EXPECT_EQ(seen[1], 120.0);
  Process(m_host, in, in, out, out);
  m_host.Dispatch(vst::effVendorSpecific, FourCC('T', 'i', 'm', 'e'), 0, seen);
  EXPECT_EQ(seen[0], 0.0) << "a stopped transport stays put";

  vst::VstTimeInfo time = m_host.Host().GetTimeInfo();
  time.samplePos = 1000.0;
  time.tempo = 90.0;
  time.flags |= vst::kVstTransportPlaying;
  m_host.Host().SetTimeInfo(time);
  Process(m_host, in, in, out, out);
  Process(m_host, in, in, out, out);
  m_host.Dispatch(vst::effVendorSpecific, FourCC('T', 'i', 'm', 'e'), 0, seen);
  EXPECT_EQ(seen[0], 1256.0);
  EXPECT_EQ(seen[1], 90.0);
  EXPECT_EQ(m_host.Host().GetTimeInfo().samplePos, 1512.0);
  EXPECT_DOUBLE_EQ(m_host.Host().GetTimeInfo().ppqPos, 512.0 / 44100.0 * 1.5);
  EXPECT_EQ(m_host.Host().GetTimeInfoRequests(), 4);

  m_host.Host().SetTimeInfoAvailable(false);
  Process(m_host, in, in, out, out);
  EXPECT_EQ(m_host.Dispatch(vst::effVendorSpecific, FourCC('T', 'i', 'm', 'e'), 0, seen), 0);
}

TEST_F(VstHost, ClosingAHostClosesOnlyItsOwnEffect) {
  const auto live = [this] { return m_host.Dispatch(vst::effVendorSpecific, FourCC('L', 'i', 'v', 'e')); };
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

TEST(VstHostErrors, RefusesModulesThatAreNotUsablePlugins) {
  CVstHost host;
  EXPECT_FALSE(host.Load("/nonexistent/libnothing.so"));
  EXPECT_NE(host.GetError().find("/nonexistent/libnothing.so"), std::string::npos) << host.GetError();

  EXPECT_FALSE(host.Load(NO_ENTRY_PLUGIN_PATH));
  EXPECT_NE(host.GetError().find("no VSTPluginMain"), std::string::npos) << host.GetError();
  EXPECT_FALSE(host.Load("libm.so.6"));
  EXPECT_NE(host.GetError().find("no VSTPluginMain"), std::string::npos) << host.GetError();

  EXPECT_FALSE(host.Load(NULL_PLUGIN_PATH));
  EXPECT_NE(host.GetError().find("returned no effect"), std::string::npos) << host.GetError();

  EXPECT_FALSE(host.Load(BAD_MAGIC_PLUGIN_PATH));
  EXPECT_NE(host.GetError().find("without the VST magic"), std::string::npos) << host.GetError();
  EXPECT_NE(host.GetError().find(BAD_MAGIC_PLUGIN_PATH), std::string::npos) << host.GetError();

  // Nothing loaded: every operation is neutral.
  EXPECT_FALSE(host.IsLoaded());
  EXPECT_EQ(host.GetEffectName(), "");
  EXPECT_EQ(host.GetParameterKey(0), "");
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
