#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "Helpers/KivEditorInterface.h"
#include "Helpers/KivEffect.h"
#include "Helpers/PersistantStorage.h"
#include "tests/support/FakeHost.h"
#include "widener/ASpanora.h"

namespace {

class KivEffectTest : public ::testing::Test {
 protected:
  void SetUp() override { effect = std::make_unique<ASpanora>(host.Callback()); }
  float Value(int index) { return effect->getParameter(index); }

  FakeHost host;
  std::unique_ptr<ASpanora> effect;
};

// Out-of-range programs through the dispatcher: HostileValues.
TEST_F(KivEffectTest, OutOfRangeIndicesAndNonFiniteValuesAreIgnored) {
  for (int index : {-1, 64, 3000, 8999, 9002, 9099, 9101, 10001}) {
    effect->setParameter(index, 0.7f);
    EXPECT_EQ(effect->getParameter(index), 0.0f) << index;
  }
  EXPECT_EQ(effect->GetAnyParameter(9050), 0.0f);
  char name[64] = "untouched";
  EXPECT_FALSE(effect->getProgramNameIndexed(0, 60, name));
  EXPECT_STREQ(name, "untouched");

  effect->setParameter(PARAM_LINEAR_WIDTH, 0.25f);
  for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                    -std::numeric_limits<float>::infinity()})
    effect->getAeffect()->setParameter(effect->getAeffect(), PARAM_LINEAR_WIDTH, bad);
  EXPECT_EQ(Value(PARAM_LINEAR_WIDTH), 0.25f);
}

TEST_F(KivEffectTest, AGestureIsOneUndoStepAndEmptyGesturesLeaveNoTrace) {
  const float before = Value(PARAM_LINEAR_WIDTH);
  effect->beginEdit(PARAM_LINEAR_WIDTH);
  for (int i = 1; i <= 50; ++i) effect->SetParameterAutomatedChecked(PARAM_LINEAR_WIDTH, i / 100.0f);
  effect->setParameter(PARAM_BALANCE, 0.9f);
  effect->endEdit(PARAM_LINEAR_WIDTH);
  EXPECT_TRUE(effect->CanUndo());
  effect->Undo(false);
  EXPECT_EQ(Value(PARAM_LINEAR_WIDTH), before);
  EXPECT_EQ(Value(PARAM_BALANCE), 0.5f);
  EXPECT_FALSE(effect->CanUndo());
  EXPECT_TRUE(effect->CanRedo());
  effect->Redo(false);
  EXPECT_EQ(Value(PARAM_LINEAR_WIDTH), 0.5f);
  EXPECT_EQ(Value(PARAM_BALANCE), 0.9f);

  // An empty gesture leaves no step: the undo through the host's pseudo
  // index takes back the mono change before it.
  effect->beginEdit(PARAM_MONO);
  effect->SetParameterAutomatedChecked(PARAM_MONO, 1.0f);
  effect->endEdit(PARAM_MONO);
  effect->beginEdit(PARAM_BALANCE);
  effect->endEdit(PARAM_BALANCE);
  EXPECT_FALSE(host.beginEdits.empty());
  effect->beginEdit(PARAM_UNDO);
  effect->endEdit(PARAM_UNDO);
  EXPECT_EQ(Value(PARAM_MONO), 0.0f);
  effect->beginEdit(PARAM_REDO);
  effect->endEdit(PARAM_REDO);
  EXPECT_EQ(Value(PARAM_MONO), 1.0f);
}

TEST_F(KivEffectTest, UndoRingWrapsAt10000OverwritingTheOldest) {
  const int kChanges = UNDO_RING_SIZE + 1;
  for (int k = 1; k <= kChanges; ++k) effect->setParameter(PARAM_DYN_DEPTH, k / 20000.0f);
  int undone = 0;
  while (effect->CanUndo() && undone < 2 * UNDO_RING_SIZE) {
    effect->Undo(false);
    ++undone;
  }
  EXPECT_EQ(undone, UNDO_RING_SIZE - 1);  // one slot always stays empty
  EXPECT_FLOAT_EQ(Value(PARAM_DYN_DEPTH), 2 / 20000.0f);
}

TEST_F(KivEffectTest, SwitchingABTwiceRestoresEveryValueAndEachLetterKeepsItsHistory) {
  effect->setProgram(8);
  ProgramRecord before;
  before.CopyFrom(effect->GetProgramRecord(8));

  effect->setParameter(PARAM_WIDTH, 0.1f);  // history of A
  effect->SwitchABProgram();
  EXPECT_EQ(Value(32 + PARAM_WIDTH), 0.1f);
  EXPECT_FALSE(effect->CanUndo());  // B has no history yet
  effect->setParameter(PARAM_BALANCE, 0.2f);  // history of B
  effect->SwitchABProgram();
  EXPECT_EQ(Value(PARAM_WIDTH), 0.1f);
  effect->Undo(false);
  EXPECT_EQ(Value(PARAM_WIDTH), before.values[PARAM_WIDTH]);
  effect->SwitchABProgram();
  effect->Undo(false);
  EXPECT_EQ(Value(PARAM_BALANCE), 0.5f);
  effect->SwitchABProgram();
  for (int i = 0; i < 64; ++i) EXPECT_EQ(Value(i), before.values[i]) << i;

  // Copying A to B brings the history along (the values: the flip editor
  // window's copy button).
  const float shift = Value(PARAM_SHIFT);
  effect->setParameter(PARAM_SHIFT, 0.3f);
  effect->CopyAtoB();
  effect->SwitchABProgram();
  EXPECT_EQ(Value(PARAM_SHIFT), 0.3f);
  effect->Undo(false);
  EXPECT_EQ(Value(PARAM_SHIFT), shift);
}

TEST_F(KivEffectTest, ProgramsSwitchWholeRecordsClearUndoAndTellTheHost) {
  effect->setParameter(PARAM_WIDTH, 0.42f);
  host.automated.clear();
  effect->setProgram(12);
  EXPECT_FALSE(effect->CanUndo());
  EXPECT_EQ(host.automated.size(), 64u);  // every parameter re-sent

  char name[64];
  char longName[] = "A name that is thirty chars!!!";
  effect->setProgramName(longName);
  effect->getProgramName(name);
  EXPECT_STREQ(name, "A name that is thirty ch");
  EXPECT_GE(host.updateDisplayCount, 1);

  // Automated sets reach the host for automatable indices only.
  host.automated.clear();
  effect->SetParameterAutomatedChecked(PARAM_MONO, 1.0f);
  effect->SetParameterAutomatedChecked(PARAM_ANALYSIS, 1.0f);
  effect->SetParameterAutomatedChecked(PARAM_DYN_TYPE, 2, 5);
  EXPECT_EQ(host.automated, (std::vector<std::pair<int, float>>{{PARAM_MONO, 1.0f}, {PARAM_DYN_TYPE, 0.5f}}));
}

TEST_F(KivEffectTest, AccumulatingProcessAddsWhatProcessReplacingWouldWrite) {
  ASpanora twin(host.Callback());
  float inL[300], inR[300], replaced[2][300], accumulated[2][300];
  for (int k = 0; k < 300; ++k) {
    inL[k] = std::sin(0.05f * k);
    inR[k] = std::cos(0.031f * k);
    accumulated[0][k] = 1.0f;
    accumulated[1][k] = -2.0f;
  }
  float* in[2] = {inL, inR};
  float* rep[2] = {replaced[0], replaced[1]};
  float* acc[2] = {accumulated[0], accumulated[1]};
  twin.processReplacing(in, rep, 300);
  effect->process(in, acc, 300);  // one frame at a time
  for (int k = 0; k < 300; ++k) {
    EXPECT_EQ(accumulated[0][k], replaced[0][k] + 1.0f) << k;
    EXPECT_EQ(accumulated[1][k], replaced[1][k] - 2.0f) << k;
  }
}

TEST_F(KivEffectTest, HostTimeMakesAudioPlayOnlyWhileThePositionMoves) {
  host.answerTimeInfo = false;
  effect->UpdateDawTimeFromProcess();
  effect->UpdateDawTimeFromProcess();
  EXPECT_FALSE(effect->IsTimeValid());
  EXPECT_FALSE(effect->IsAudioPlaying());
  host.answerTimeInfo = true;
  host.timeInfo.samplePos = 44100.0;
  effect->UpdateDawTimeFromProcess();
  EXPECT_TRUE(effect->IsAudioPlaying());
  EXPECT_DOUBLE_EQ(effect->GetHostTimeSeconds(), 1.0);
  effect->UpdateDawTimeFromProcess();
  EXPECT_FALSE(effect->IsAudioPlaying());
}

class CountingEditor : public CKivEditorInterface {
 public:
  using CKivEditorInterface::CKivEditorInterface;
  bool OnMouseWheel(float distance) override {
    wheel = distance;
    return true;
  }
  void UpdateUndoRedoDisplay(bool canUndo, bool) override { lastCanUndo = canUndo; }
  float wheel = 0;
  bool lastCanUndo = false;
};

TEST_F(KivEffectTest, TheEditorHearsAboutWheelAndUndoState) {
  auto* editor = new CountingEditor(effect.get());
  effect->SetKivEditor(editor);  // owned by the effect from now on
  EXPECT_TRUE(effect->getAeffect()->flags & vst::effFlagsHasEditor);
  EXPECT_EQ(effect->vendorSpecific(vst::FourCC('s', 't', 'C', 'A'), vst::FourCC('W', 'h', 'e', 'e'), nullptr, 2.5f), 1);
  EXPECT_EQ(editor->wheel, 2.5f);
  EXPECT_EQ(effect->vendorSpecific(vst::FourCC('s', 't', 'C', 'A'), 0, nullptr, 1.0f), 0);
  effect->setParameter(PARAM_MONO, 1.0f);
  EXPECT_TRUE(editor->lastCanUndo);
}

TEST(KivEffectSettings, LimitFramerateSlowsTheEditorIdleInterval) {
  ResetHostDetection();
  FakeHost host;
  { ASpanora plain(host.Callback()); }
  EXPECT_EQ(EditorIdleInterval.load(), 10);
  ASSERT_TRUE(CPersistentStorage::StoreInt(CPersistentStorage::MAKER_KEY, "LimitFramerate", 1));
  { ASpanora limited(host.Callback()); }
  EXPECT_EQ(EditorIdleInterval.load(), 100);
  ASSERT_TRUE(CPersistentStorage::StoreInt(CPersistentStorage::MAKER_KEY, "LimitFramerate", 0));
  ResetHostDetection();
}

// Whole names only: "Cubase VST 5" is not the "Cubase VST" of the table.
TEST(HostDetection, NamesMatchWholeAndTheFirstHostStays) {
  const struct {
    const char* vendor;
    const char* product;
    int id, idle;
  } kCases[] = {{"Xlutop", "Chainer", 7, 100}, {"Steinberg", "Cubase VST", 3, 10}, {"Steinberg", "Cubase VST 5", 0, 10}};
  for (const auto& c : kCases) {
    ResetHostDetection();
    FakeHost host;
    host.vendor = c.vendor;
    host.product = c.product;
    DetectHost(host.Callback());
    DetectHost(nullptr);
    EXPECT_EQ(HostId.load(), c.id) << c.product;
    EXPECT_EQ(EditorIdleInterval.load(), c.idle) << c.product;
  }
  ResetHostDetection();
}

}  // namespace
