// A hostile host: values out of range through every door, calls from several
// threads at once, lifecycle abuse; each case a fault once found. Long fuzz
// runs: scripts/fuzz.sh.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <future>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <random>
#include <thread>
#include <utility>
#include <vector>

#include "Helpers/KeyedChunk.h"
#include "Helpers/KivEditorInterface.h"
#include "adaptor/AdaptorInstance.h"
#include "adaptor/ChannelFormats.h"
#include "adaptor/ChunkHeader.h"
#include "adaptor/host/StandInHost.h"
#include "platform/Dialogs.h"
#include "tests/support/TestSignals.h"
#include "widener/ASpanora.h"

namespace {

constexpr int kBlock = 256;

// Runs `blocks` blocks of noise; true when every output sample is finite.
bool ProcessIsFinite(vst::AudioEffect& effect, int blocks, float* energy = nullptr) {
  std::vector<float> out[2] = {std::vector<float>(kBlock), std::vector<float>(kBlock)};
  float* outputs[2] = {out[0].data(), out[1].data()};
  double sum = 0.0;
  for (int b = 0; b < blocks; ++b) {
    std::vector<float> in[2] = {Noise(kBlock, 2 * b + 7), Noise(kBlock, 2 * b + 8)};
    float* inputs[2] = {in[0].data(), in[1].data()};
    effect.processReplacing(inputs, outputs, kBlock);
    for (const std::vector<float>& channel : out) {
      for (float x : channel) {
        if (!std::isfinite(x)) return false;
        sum += static_cast<double>(x) * x;
      }
    }
  }
  if (energy) *energy = static_cast<float>(sum);
  return true;
}

void ExpectEveryValueInRange(KivEffect& effect) {
  for (int i = 0; i < effect.GetNumAutomatable(); ++i) {
    const float v = effect.getParameter(i);
    EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << "index " << i << " holds " << v;
  }
}

// Hosts give display strings 8 characters.
void ExpectShortDisplays(KivEffect& effect) {
  for (int i = 0; i < effect.GetNumAutomatable(); ++i) {
    char text[128];
    std::memset(text, 'x', sizeof text);
    text[sizeof text - 1] = '\0';
    effect.getParameterDisplay(i, text);
    EXPECT_LE(std::strlen(text), 8u) << "index " << i << ": " << text;
  }
}

std::vector<std::uint8_t> StateWithEveryValue(KivEffect& effect, float value) {
  CKeyedChunkEncoder encoder;
  for (int i = 0; i < effect.GetNumAutomatable(); ++i) encoder.AddFloat(effect.GetParameterKey(i), value);
  return {encoder.Data(), encoder.Data() + encoder.Size()};
}

std::unique_ptr<CAdaptorInstance> MakeAdaptor() {
  bool audioSuite = false;
  const SChannelFormat* format = FindChannelFormat(PI_FOURCC('R', 'T', 'a', 'c'), &audioSuite);
  return std::unique_ptr<CAdaptorInstance>(CAdaptorInstance::Create(*format, audioSuite, nullptr, 48000.0, 512));
}

std::vector<std::uint8_t> WithChunkHeader(const std::vector<std::uint8_t>& body) {
  std::vector<std::uint8_t> data(CHUNK_HEADER_SIZE + body.size());
  WriteChunkHeader(MakeChunkHeader(PI_CHUNK_EFFECT, EFFECT_CHUNK_NAME, body.size()), data.data());
  std::copy(body.begin(), body.end(), data.begin() + CHUNK_HEADER_SIZE);
  return data;
}

// --- Values out of range, from any door --------------------------------------

// The chunk door: the fuzz test below.
TEST(HostileValues, HostValuesAndSettingsClampToZeroOneAndTheOutputStaysFinite) {
  ASpanora effect(nullptr);
  vst::AEffect* e = effect.getAeffect();
  for (float hostile : {-1.0f, 2.0f, 1e30f, 3.4e38f, -3.4e38f}) {
    SCOPED_TRACE(hostile);
    // The host's setParameter, with the stages that went non-finite switched on.
    for (int i = 0; i < effect.GetNumAutomatable(); ++i) e->setParameter(e, i, hostile);
    ExpectShortDisplays(effect);
    for (int on : {PARAM_DYNAMICS, PARAM_AUTO_LEVEL}) e->setParameter(e, on, 1.0f);
    ExpectEveryValueInRange(effect);
    EXPECT_TRUE(ProcessIsFinite(effect, 40));
    effect.setProgram(0);  // once broken, reloading a program did not help
    EXPECT_TRUE(ProcessIsFinite(effect, 8));
  }
  // Settings that are not automatable: persistent and transient.
  effect.setParameter(PARAM_PROFILING_INFO, -3.0f);
  EXPECT_EQ(effect.GetAnyParameter(PARAM_PROFILING_INFO), 0.0f);
  effect.setParameter(PARAM_ANALYSIS, 7.0f);
  EXPECT_EQ(effect.GetAnyParameter(PARAM_ANALYSIS), 1.0f);
}

TEST(HostileValues, DispatcherIgnoresBadRatesTakesNumbersAtFullWidthAndProcessSkipsMissingArrays) {
  ASpanora effect(nullptr);
  vst::AEffect* e = effect.getAeffect();
  e->dispatcher(e, vst::effSetSampleRate, 0, 0, nullptr, 48000.0f);
  for (float rate : {std::numeric_limits<float>::infinity(), 768001.0f, 0.0f, std::numeric_limits<float>::quiet_NaN()}) {
    e->dispatcher(e, vst::effSetSampleRate, 0, 0, nullptr, rate);
    EXPECT_EQ(effect.getSampleRate(), 48000.0f) << rate;
  }
  e->dispatcher(e, vst::effSetSampleRate, 0, 0, nullptr, vst::MAX_SAMPLE_RATE);
  EXPECT_EQ(effect.getSampleRate(), vst::MAX_SAMPLE_RATE);
  EXPECT_TRUE(ProcessIsFinite(effect, 20));

  e->dispatcher(e, vst::effSetProgram, 0, 3, nullptr, 0.0f);
  for (std::intptr_t hostile : {std::intptr_t{4294967301LL}, std::intptr_t{60}, std::intptr_t{-1}}) {
    e->dispatcher(e, vst::effSetProgram, 0, hostile, nullptr, 0.0f);
    EXPECT_EQ(e->dispatcher(e, vst::effGetProgram, 0, 0, nullptr, 0.0f), 3) << hostile;
  }
  e->dispatcher(e, vst::effSetBlockSizeAndSampleRate, 0, 333, nullptr, 96000.0f);
  EXPECT_EQ(effect.getBlockSize(), 333);
  EXPECT_EQ(effect.getSampleRate(), 96000.0f);
  e->dispatcher(e, vst::effSetBlockSizeAndSampleRate, 0, -5, nullptr, 1e9f);
  EXPECT_EQ(effect.getBlockSize(), 333);
  EXPECT_EQ(effect.getSampleRate(), 96000.0f);

  float left[kBlock] = {}, right[kBlock] = {};
  float* good[2] = {left, right};
  float* holed[2] = {left, nullptr};
  using Arrays = std::pair<float**, float**>;
  for (auto process : {e->process, e->processReplacing}) {
    for (auto [in, out] : {Arrays{good, nullptr}, Arrays{nullptr, good}, Arrays{holed, good}, Arrays{good, holed},
                           Arrays{nullptr, nullptr}})
      process(e, in, out, kBlock);
  }
  EXPECT_TRUE(ProcessIsFinite(effect, 2));  // and still works
}

TEST(HostileValues, OversizedStatesAreRefusedAndLargeOnesStayCheap) {
  ASpanora effect(nullptr);
  const std::vector<std::uint8_t> good = StateWithEveryValue(effect, 0.25f);
  // Filler keys first, the real ones at the end: just under the bound.
  std::vector<std::uint8_t> large{1, 1, 1, 1};
  const std::uint8_t filler[] = {'f', '_', 'X', 0, 0x3F, 0, 0, 0};
  while (large.size() + sizeof filler + good.size() - 4 <= MAX_STATE_CHUNK_BYTES) {
    large.insert(large.end(), std::begin(filler), std::end(filler));
  }
  large.insert(large.end(), good.begin() + 4, good.end());
  EXPECT_EQ(effect.RestoreStateChunk(large.data(), large.size()), 0);
  EXPECT_EQ(effect.getParameter(PARAM_LINEAR_WIDTH), 0.25f);

  std::vector<std::uint8_t> oversized = large;
  oversized.insert(oversized.end() - static_cast<std::ptrdiff_t>(good.size() - 4), std::begin(filler),
                   std::end(filler));
  effect.setParameter(PARAM_LINEAR_WIDTH, 0.75f);
  EXPECT_EQ(effect.RestoreStateChunk(oversized.data(), oversized.size()), CHUNK_KEY_MISSING);
  EXPECT_EQ(effect.getParameter(PARAM_LINEAR_WIDTH), 0.75f);  // nothing applied
  auto adaptor = MakeAdaptor();
  const std::vector<std::uint8_t> chunk = WithChunkHeader(oversized);
  EXPECT_EQ(adaptor->RestoreChunk(PI_CHUNK_EFFECT, chunk.data(), static_cast<std::uint32_t>(chunk.size())),
            PI_ERR_BAD_CHUNK);
}

// Fuzzed adaptor chunks: every value lands in 0..1 and the output stays
// finite. SPANORA_FUZZ_ROUNDS sets the count (a few hundred in CI).
TEST(HostileValues, FuzzedAdaptorChunksLeaveEveryValueInRange) {
  const char* rounds = std::getenv("SPANORA_FUZZ_ROUNDS");
  const int kRounds = rounds ? std::atoi(rounds) : 300;
  auto adaptor = MakeAdaptor();
  ASSERT_TRUE(adaptor);
  std::uint32_t size = 0;
  ASSERT_EQ(adaptor->GetChunkSize(PI_CHUNK_EFFECT, &size), PI_NO_ERR);
  std::vector<std::uint8_t> original(size);
  ASSERT_EQ(adaptor->SaveChunk(PI_CHUNK_EFFECT, original.data(), size, &size), PI_NO_ERR);
  std::mt19937 rng(20261206);
  for (int round = 0; round < kRounds; ++round) {
    std::vector<std::uint8_t> data = original;
    const int flips = 1 + static_cast<int>(rng() % 16);
    for (int i = 0; i < flips; ++i) {  // values and keys, never the header
      data[CHUNK_HEADER_SIZE + rng() % (data.size() - CHUNK_HEADER_SIZE)] = static_cast<std::uint8_t>(rng());
    }
    adaptor->RestoreChunk(PI_CHUNK_EFFECT, data.data(), static_cast<std::uint32_t>(data.size()));
    for (int i = 0; i < adaptor->Effect()->GetNumAutomatable(); ++i) {
      const float v = adaptor->Effect()->getParameter(i);
      ASSERT_TRUE(v >= 0.0f && v <= 1.0f) << "round " << round << " index " << i << " holds " << v;
    }
    if (round % 50 == 0) {
      ASSERT_TRUE(ProcessIsFinite(*adaptor->Effect(), 4)) << "round " << round;
    }
  }
}

// --- Stored data cannot break the rules between parameters -------------------

TEST(HostileStoredData, BothSolosOrACrossedRangeAreRepairedWhereverTheyComeFrom) {
  ASpanora effect(nullptr);
  CKeyedChunkEncoder hostile;  // both solos on, every range crossed
  for (int i = 0; i < effect.GetNumAutomatable(); ++i) {
    float v = effect.getParameter(i);
    if (i == PARAM_SOLO_L || i == PARAM_SOLO_R) v = 1.0f;
    if (i == PARAM_WR_LOW_FREQ || i == PARAM_WR_RESTRICT_LOW_FREQ || i == PARAM_SPLIT_DELAY_HPF) v = 0.7f;
    if (i == PARAM_WR_HIGH_FREQ || i == PARAM_WR_RESTRICT_HIGH_FREQ || i == PARAM_SPLIT_DELAY_LPF) v = 0.3f;
    hostile.AddFloat(effect.GetParameterKey(i), v);
  }
  EXPECT_EQ(effect.RestoreStateChunk(hostile.Data(), hostile.Size()), 0);
  const auto check = [&](const char* where) {
    SCOPED_TRACE(where);
    EXPECT_FALSE(effect.IsParameterOn(PARAM_SOLO_L) && effect.IsParameterOn(PARAM_SOLO_R));
    EXPECT_GE(effect.getParameter(PARAM_WR_HIGH_FREQ) - effect.getParameter(PARAM_WR_LOW_FREQ), 0.079f);
    EXPECT_GE(effect.getParameter(PARAM_WR_RESTRICT_HIGH_FREQ) - effect.getParameter(PARAM_WR_RESTRICT_LOW_FREQ),
              0.079f);
    EXPECT_GE(effect.getParameter(PARAM_SPLIT_DELAY_LPF) - effect.getParameter(PARAM_SPLIT_DELAY_HPF), 0.079f);
    float energy = 0.0f;
    EXPECT_TRUE(ProcessIsFinite(effect, 20, &energy));
    EXPECT_GT(energy, 0.0f);  // not muted
  };
  check("chunk");

  // The other letter set through the B indices, then swapped in.
  effect.setProgram(0);
  effect.setParameter(NUM_SPANORA_PARAMS + PARAM_SOLO_L, 1.0f);
  effect.setParameter(NUM_SPANORA_PARAMS + PARAM_SOLO_R, 1.0f);
  effect.setParameter(NUM_SPANORA_PARAMS + PARAM_WR_LOW_FREQ, 0.9f);
  effect.setParameter(NUM_SPANORA_PARAMS + PARAM_WR_HIGH_FREQ, 0.1f);
  effect.SwitchABProgram();
  check("A/B switch");
}

// --- Threads -------------------------------------------------------------------

// Runs until every thread has overlapped the others many times.
TEST(HostileThreads, AnAudioThreadAndTwoControlThreadsShareTheEffect) {
  constexpr int kRounds = 2000;
  auto effect = std::make_unique<ASpanora>(nullptr);
  effect->setSampleRate(48000.0f);
  std::atomic<bool> stop{false};
  std::atomic<int> rounds[3] = {0, 0, 0};
  std::thread audio([&] {
    std::vector<float> buffer[4];
    for (auto& b : buffer) b.assign(64, 0.1f);
    float* in[2] = {buffer[0].data(), buffer[1].data()};
    float* out[2] = {buffer[2].data(), buffer[3].data()};
    std::mt19937 rng(1);
    while (!stop.load()) {
      effect->setParameter(static_cast<int>(rng() % 64), static_cast<float>(rng() % 1000) / 999.0f);
      effect->processReplacing(in, out, 64);
      effect->getParameter(static_cast<int>(rng() % 64));
      ++rounds[0];
    }
  });
  auto control = [&](unsigned seed) {
    std::mt19937 rng(seed);
    CKeyedChunkEncoder encoder;
    char text[256];
    vst::AEffect* e = effect->getAeffect();
    while (!stop.load()) {
      const int index = static_cast<int>(rng() % 64);
      switch (rng() % 11) {
        case 0: effect->setProgram(static_cast<int>(rng() % NUM_PROGRAMS)); break;
        case 1:
          effect->SaveStateChunk(encoder);
          effect->RestoreStateChunk(encoder.Data(), encoder.Size());
          break;
        case 2: effect->getParameterDisplay(index, text); break;
        case 3: effect->getProgramName(text); break;
        case 4: {
          char name[] = "Renamed";
          effect->setProgramName(name);
          break;
        }
        case 5: effect->getProgramNameIndexed(0, index % NUM_PROGRAMS, text); break;
        case 6: effect->SwitchABProgram(); break;
        case 7:
          effect->beginEdit(index);
          effect->SetParameterAutomatedChecked(index, 0.5f);
          effect->endEdit(index);
          effect->Undo(false);
          break;
        case 8:
          e->dispatcher(e, vst::effSetBlockSizeAndSampleRate, 0, 64 + index, nullptr, index % 2 ? 44100.0f : 96000.0f);
          break;
        default: effect->setParameter(index, static_cast<float>(rng() % 1000) / 999.0f); break;
      }
      ++rounds[seed - 1];
    }
  };
  std::thread first(control, 2u), second(control, 3u);
  while (std::min({rounds[0].load(), rounds[1].load(), rounds[2].load()}) < kRounds)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  stop.store(true);
  audio.join();
  first.join();
  second.join();
  ExpectEveryValueInRange(*effect);
  EXPECT_FALSE(effect->IsParameterOn(PARAM_SOLO_L) && effect->IsParameterOn(PARAM_SOLO_R));
}

// An editor that keeps the effect's state lock held (from inside a reload,
// which the effect asks for under that lock) until the test lets it go.
class CHoldingEditor : public CKivEditorInterface {
 public:
  using CKivEditorInterface::CKivEditorInterface;
  void Open() { SetOpenFlag(true); }
  void ReloadAllControls() override {
    if (!holding) return;
    entered.set_value();
    release.wait();
  }
  bool holding = true;
  std::promise<void> entered;
  std::shared_future<void> release;
};

TEST(HostileThreads, SetParameterAndSetProgramNeverWaitForABusyStateLock) {
  ASpanora effect(nullptr);
  auto* editor = new CHoldingEditor(&effect);
  std::promise<void> release;
  editor->release = release.get_future().share();
  std::future<void> entered = editor->entered.get_future();
  effect.SetKivEditor(editor);
  editor->Open();
  std::thread holder([&] {
    char name[] = "Held";
    effect.setProgramName(name);  // reloads the editor under the state lock
  });
  entered.wait();
  // The lock is held: these return at once and read back what they set.
  effect.setParameter(PARAM_LINEAR_WIDTH, 0.125f);
  effect.setProgram(9);
  effect.setParameter(PARAM_BALANCE, 0.75f);  // after the program change
  EXPECT_EQ(effect.getParameter(PARAM_LINEAR_WIDTH), 0.125f);
  EXPECT_EQ(effect.getProgram(), 9);
  editor->holding = false;
  release.set_value();
  holder.join();
  // The holder applied them, in order, before it let go.
  EXPECT_EQ(effect.getProgram(), 9);
  EXPECT_EQ(effect.GetAnyParameter(PARAM_BALANCE), 0.75f);
  EXPECT_EQ(effect.GetAnyParameter(PARAM_LINEAR_WIDTH), effect.GetProgramRecord(9).values[PARAM_LINEAR_WIDTH]);
  EXPECT_EQ(effect.GetProgramRecord(0).values[PARAM_LINEAR_WIDTH], 0.125f);  // 0 was current when it was set
}

// Two sessions narrowing their own ranges at once: each effect corrects its
// own range, so no correction on one thread suppresses another's. Each
// thread goes on until the other has made its edits too, so they overlap.
TEST(HostileThreads, EachEffectCorrectsItsOwnRangesWhileAnotherDoes) {
  constexpr int kEdits = 5000;
  std::atomic<int> narrow{0};
  std::atomic<int> done[2] = {0, 0};
  auto session = [&](int self) {
    ASpanora effect(nullptr);
    for (int i = 0; i < 100 * kEdits && (i < kEdits || done[1 - self].load() < kEdits); ++i) {
      const float low = static_cast<float>(i % 80) / 100.0f;
      effect.setParameter(PARAM_WR_LOW_FREQ, low);
      effect.setParameter(PARAM_WR_HIGH_FREQ, low + 0.01f);  // too close: corrected at once
      if (effect.getParameter(PARAM_WR_HIGH_FREQ) - effect.getParameter(PARAM_WR_LOW_FREQ) < 0.079f) ++narrow;
      done[self].store(i + 1);
    }
  };
  std::thread a(session, 0), b(session, 1);
  a.join();
  b.join();
  EXPECT_EQ(narrow.load(), 0);
}

// A host that takes its own lock in every callback while another of its
// threads holds it and calls into the effect. Recursive, with a bounded wait:
// a deadlock shows as a stuck callback, not a hung suite. (ThreadSanitizer
// does not see std::recursive_timed_mutex's timed lock.)
class CHostLock {
 public:
  bool Lock(std::chrono::milliseconds patience) {
    std::unique_lock<std::mutex> guard(m_Mutex);
    const std::thread::id me = std::this_thread::get_id();
    if (!m_Free.wait_for(guard, patience, [&] { return m_nDepth == 0 || m_Owner == me; })) return false;
    m_Owner = me;
    ++m_nDepth;
    return true;
  }
  void Unlock() {
    {
      std::lock_guard<std::mutex> guard(m_Mutex);
      if (--m_nDepth == 0) m_Owner = {};
    }
    m_Free.notify_all();
  }

 private:
  std::mutex m_Mutex;
  std::condition_variable m_Free;
  std::thread::id m_Owner;
  int m_nDepth = 0;
};
CHostLock g_HostLock;
std::atomic<int> g_nStuckCallbacks{0};
std::vector<std::pair<int, int>> g_Callbacks;  // (opcode, index), under g_HostLock
std::intptr_t LockingHost(vst::AEffect*, std::int32_t opcode, std::int32_t index, std::intptr_t, void*, float) {
  if (opcode != vst::audioMasterAutomate && opcode != vst::audioMasterBeginEdit && opcode != vst::audioMasterEndEdit &&
      opcode != vst::audioMasterUpdateDisplay) {
    return 0;
  }
  if (g_nStuckCallbacks.load() != 0 || !g_HostLock.Lock(std::chrono::seconds(3))) {
    ++g_nStuckCallbacks;
    return 0;
  }
  g_Callbacks.emplace_back(opcode, index);
  g_HostLock.Unlock();
  return 1;
}

TEST(HostileThreads, HostCallbacksAreMadeOutsideTheStateLockAndInOrder) {
  g_Callbacks.clear();
  auto owner = std::make_unique<ASpanora>(&LockingHost);
  ASpanora& effect = *owner;
  std::atomic<bool> stop{false};
  std::thread session([&] {  // e.g. saving the session under the host's lock
    CKeyedChunkEncoder encoder;
    char text[64];
    while (!stop.load()) {
      if (!g_HostLock.Lock(std::chrono::seconds(3))) continue;
      effect.setParameter(PARAM_BALANCE, effect.getParameter(PARAM_BALANCE));
      effect.getProgramName(text);
      effect.SaveStateChunk(encoder);
      g_HostLock.Unlock();
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
  });
  // The user interface: gestures, program changes (every value is sent),
  // renames and a correction of a range that got too narrow.
  constexpr int kRounds = 60;
  for (int round = 0; round < kRounds && g_nStuckCallbacks.load() == 0; ++round) {
    effect.beginEdit(PARAM_LINEAR_WIDTH);
    effect.SetParameterAutomatedChecked(PARAM_LINEAR_WIDTH, static_cast<float>(round % 10) / 10.0f);
    effect.endEdit(PARAM_LINEAR_WIDTH);
    effect.setProgram(round % 40);
    char name[] = "Edited";
    effect.setProgramName(name);
    effect.setParameter(PARAM_WR_HIGH_FREQ, effect.getParameter(PARAM_WR_LOW_FREQ) + 0.01f);
  }
  stop.store(true);
  session.join();
  owner.reset();  // its worker, which may be sending too, is stopped
  EXPECT_EQ(g_nStuckCallbacks.load(), 0) << "a callback waited for the host while the host waited for the effect";
  // Each gesture reached the host whole: begin, its value, end.
  std::vector<int> gesture;
  for (const auto& [opcode, index] : g_Callbacks) {
    if (index == PARAM_LINEAR_WIDTH && (opcode != vst::audioMasterAutomate || !gesture.empty())) {
      gesture.push_back(opcode);
    }
    if (opcode == vst::audioMasterEndEdit) {
      EXPECT_EQ(gesture, (std::vector<int>{vst::audioMasterBeginEdit, vst::audioMasterAutomate, vst::audioMasterEndEdit}));
      gesture.clear();
    }
  }
  EXPECT_EQ(std::count(g_Callbacks.begin(), g_Callbacks.end(), std::pair<int, int>{vst::audioMasterEndEdit, PARAM_LINEAR_WIDTH}),
            kRounds);
}

// A host that, inside a callback, makes the effect record more values than
// its outbox holds: the host still ends with every final value.
KivEffect* g_pFlooded = nullptr;
std::vector<std::pair<int, float>> g_Automated;
std::intptr_t FloodingHost(vst::AEffect*, std::int32_t opcode, std::int32_t index, std::intptr_t, void*, float opt) {
  if (opcode != vst::audioMasterAutomate) return 0;
  g_Automated.emplace_back(index, opt);
  if (KivEffect* effect = std::exchange(g_pFlooded, nullptr)) {
    for (int n = 0; n < 2 * OUTBOX_SIZE; ++n) effect->SetParameterAutomatedChecked(n % 64, (n % 5) * 0.25f);
  }
  return 1;
}

TEST(HostileThreads, AHostThatFloodsTheOutboxGetsEveryFinalValue) {
  ASpanora effect(&FloodingHost);
  g_Automated.clear();
  g_pFlooded = &effect;
  effect.SetParameterAutomatedChecked(PARAM_BALANCE, 0.5f);
  ASSERT_EQ(g_pFlooded, nullptr);
  std::vector<float> last(64, -1.0f);
  for (const auto& [index, value] : g_Automated) last[static_cast<std::size_t>(index)] = value;
  for (int i = 0; i < 64; ++i) EXPECT_EQ(last[static_cast<std::size_t>(i)], effect.getParameter(i)) << i;
}

TEST(HostileThreads, AdaptorTimeInfoIsReadWhileTheAudioThreadWritesIt) {
  StandIn_Reset();
  auto adaptor = MakeAdaptor();
  ASSERT_TRUE(adaptor);
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    std::vector<float> buffer[4];
    for (auto& b : buffer) b.assign(128, 0.1f);
    const float* in[2] = {buffer[0].data(), buffer[1].data()};
    float* out[2] = {buffer[2].data(), buffer[3].data()};
    for (std::int64_t position = 0; !stop.load(); position += 128) adaptor->ProcessRtas(in, out, 128, position);
  });
  adaptor->SetControl(PARAM_DYNAMICS, 1.0f);
  PiDiagnostics diagnostics{};
  for (int i = 0; i < 2000; ++i) {
    adaptor->SetControl(PARAM_DYN_TEMPO, static_cast<float>(i % 2));  // asks for the host tempo
    adaptor->GetDiagnostics(&diagnostics);
  }
  stop.store(true);
  audio.join();
  EXPECT_EQ(diagnostics.timeInfoValid, 1);
  EXPECT_EQ(diagnostics.timeInfoSampleRate, 48000.0);
  StandIn_Reset();
}

// --- Idle and lifecycle --------------------------------------------------------

TEST(HostileLifecycle, AnIdleWorkerWakesOnlyWhenAnIdlePassIsDue) {
  ASpanora effect(nullptr);
  for (int i = 0; i < 1000 && effect.GetWorkerWakeups() < 2; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_GE(effect.GetWorkerWakeups(), 2u) << "the worker runs";
  // A worker that polled would have woken a hundred times for each pass.
  EXPECT_EQ(effect.GetWorkerIdleMisses(), 0u);
}

// Each answer costs the handler's one-second pause, so the Retry and the
// Cancel case run at once on two threads; the answer follows the thread.
thread_local bool t_bAnswerRetry = false;
thread_local int t_nAnswers = 0;
platform::EMessageAnswer Answer(const char*, const char*, platform::EMessageButtons, platform::EMessageIcon) {
  ++t_nAnswers;
  return t_bAnswerRetry ? platform::EMessageAnswer::Retry : platform::EMessageAnswer::Cancel;
}
int AnswersToAFailingAllocation(bool retry) {
  t_bAnswerRetry = retry;
  t_nAnswers = 0;
  EXPECT_EQ(KivEffect::AllocateWithRetry(64, [](std::size_t) -> void* { return nullptr; }), nullptr);
  return t_nAnswers;
}
void HostsOwnNewHandler() {}

TEST(HostileLifecycle, FailedAllocationsAskABoundedNumberOfTimesAndTheHostKeepsItsHandler) {
  platform::SetMessageBoxHandler(&Answer);
  auto retried = std::async(std::launch::async, AnswersToAFailingAllocation, true);  // always says Retry
  auto cancelled = std::async(std::launch::async, AnswersToAFailingAllocation, false);

  std::set_new_handler(&HostsOwnNewHandler);
  { ASpanora effect(nullptr); }
  EXPECT_EQ(std::get_new_handler(), &HostsOwnNewHandler);
  std::set_new_handler(nullptr);
  { ASpanora effect(nullptr); }
  EXPECT_EQ(std::get_new_handler(), nullptr);  // nothing process-wide installed

  EXPECT_EQ(retried.get(), MAX_ALLOCATION_RETRIES);
  EXPECT_EQ(cancelled.get(), 1);
  platform::SetMessageBoxHandler(nullptr);
}

}  // namespace
