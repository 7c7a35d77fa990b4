#pragma once
// The effect base of the plug-in family. On top of the VST 2.x effect it adds
// three parameter classes (automatable, persistent, transient), a bank of 60
// programs plus a bank of stored user programs, an A/B pair of parameter sets
// with one undo history each, undo/redo by editor gestures, a worker thread
// that keeps idle work going while no editor is open, host identification
// and the engine options (quality rating, bit depth, latency reporting).
//
// All storage is fixed-size inside the object: switching programs, changing
// parameters and undoing never allocate.
#include <atomic>
#include <cstdint>

#include "Helpers/KeyedChunk.h"
#include "Helpers/KivPreset.h"
#include "Helpers/Vst/AudioEffectX.h"
#include "platform/Thread.h"

class CKivEditorInterface;

constexpr int NUM_PROGRAMS = 60;
constexpr int MAX_PROGRAM_VALUES = 3000;
constexpr int PROGRAM_NAME_FIELD = 260;
constexpr int MAX_PROGRAM_NAME = 24;
constexpr int UNDO_RING_SIZE = 10000;
constexpr int MAX_PERSISTENT_PARAMS = 100;
constexpr int MAX_TRANSIENT_PARAMS = 100;
constexpr int PERSISTENT_PARAM_BASE = 9000;
constexpr int TRANSIENT_PARAM_BASE = 9100;
constexpr int NO_PARAMETER_TAG = 9999;
constexpr int PARAM_UNDO = 10001;
constexpr int PARAM_REDO = 10002;
constexpr int UNDO_EMPTY = -1;
constexpr int UNDO_GESTURE_START = 10003;
constexpr int UNDO_GESTURE_END = 10004;
constexpr float PERSISTENT_SCALE = 1048576.0f;  // persistent values keep 20 fractional bits
constexpr int CHUNK_KEY_MISSING = -77;

enum EWorkerState : std::int32_t {
  WORKER_CREATED = 2439,
  WORKER_RUNNING = 2440,
  WORKER_STOP_REQUESTED = 2441,
  WORKER_STOPPED = 2442,
};

enum EParameterClass { PARAM_CLASS_NONE = 0, PARAM_CLASS_AUTOMATABLE, PARAM_CLASS_PERSISTENT, PARAM_CLASS_TRANSIENT };

enum EIdleSource { IDLE_SOURCE_WORKER = 3, IDLE_SOURCE_NONE = 4 };

struct ProgramRecord {
  char name[PROGRAM_NAME_FIELD];
  float values[MAX_PROGRAM_VALUES];
  // Copies the name up to its NUL and every value.
  void CopyFrom(const ProgramRecord& other);
};

struct UndoEntry {
  std::int32_t index;
  float value;
};

// Process-wide host identification and editor pacing.
extern std::atomic<std::int32_t> HostId;
extern std::atomic<std::int32_t> EditorIdleInterval;
extern char HostName[256];
// Compatibility switches of the view layer; host 4 turns all three on.
extern std::atomic<bool> ViewCompatibilityFlags[3];

// Identifies the host once per process (no-op without a callback or when
// already done). Must run before the first effect object is built.
void DetectHost(vst::HostCallback audioMaster);
// For tests: forget the identification so DetectHost runs again.
void ResetHostDetection();

class KivEffect : public vst::AudioEffectX {
 public:
  KivEffect(vst::HostCallback audioMaster, std::int32_t numA, std::int32_t numB);
  ~KivEffect() override;

  // --- VST interface -------------------------------------------------------
  void resume() override;
  void setParameter(std::int32_t index, float value) override;
  float getParameter(std::int32_t index) override;
  bool isAutomationReported(std::int32_t index) override { return index < MAX_PROGRAM_VALUES; }
  std::int32_t getProgram() override;
  void setProgram(std::int32_t program) override;
  void setProgramName(char* name) override;
  void getProgramName(char* name) override;
  void process(float** inputs, float** outputs, std::int32_t frames) override;
  bool beginEdit(std::int32_t index) override;
  bool endEdit(std::int32_t index) override;
  bool getProgramNameIndexed(std::int32_t category, std::int32_t index, char* text) override;
  bool beginSetProgram() override { return true; }
  bool endSetProgram() override { return true; }
  bool ioChanged() override;
  bool getVendorString(char* text) override;
  std::int32_t getVendorVersion() override { return 1000; }
  std::intptr_t vendorSpecific(std::int32_t index, std::intptr_t value, void* ptr, float opt) override;
  std::int32_t getPlugCategory() override { return vst::kPlugCategEffect; }
  std::int32_t fxIdle() override;

  // --- Own virtual operations -----------------------------------------------
  virtual void FlushWithSilence();
  virtual int CreateFactoryPrograms() { return 0; }
  virtual void RefreshAllParameters();
  virtual void ParameterChanged(int index) = 0;
  virtual void ClearUndos();
  virtual void Undo(bool continueRun);
  virtual void Redo(bool continueRun);
  virtual void StoreUndoPoint(int index, float value);
  virtual bool IsParameterUndoable(int) { return true; }
  virtual void SwitchABProgram();
  virtual void CopyAtoB();
  virtual void Init() {}
  virtual void PostCreatePrograms() {}
  virtual void PostInit();
  virtual void Cleanup() {}
  virtual void OnIdle() {}
  virtual const char* GetQualityModeStringFromRating(int rating);
  virtual const int* GetAllowableQualityRatings();
  virtual void GetFftSizes(int* a, int* b, int* c);
  virtual void ApplyQualityModeSettings() {}
  virtual void OnOptionsIdle1() {}
  virtual void OnDitherModeChanged() {}
  virtual void OnOptionsIdle3() {}
  virtual int GetRememberOptionsParamIndex() { return -1; }
  virtual int GetQualityParamIndex() { return -1; }
  virtual int GetUnusedOptionParamIndex() { return -1; }
  virtual int GetDitherModeParamIndex() { return -1; }
  virtual int GetBitDepthParamIndex() { return -1; }
  virtual int GetReportLatencyParamIndex() { return -1; }
  virtual int GetOfflineRenderParamIndex() { return -1; }
  virtual int GetWysiwygParamIndex() { return -1; }
  virtual const char* GetCurrentQualityModeString();
  // The key under which an automatable index is saved; "OUT_OF_BOUNDS" outside.
  virtual const char* GetParameterKey(int index);

  // --- Parameter access -----------------------------------------------------
  EParameterClass GetParameterClass(int index) const;
  float GetAnyParameter(int index) const;
  bool IsParameterOn(int index) const { return GetAnyParameter(index) != 0.0f; }
  int GetParameterAsInt(int index, int steps) const;
  float GetPersistentParam(int index) const;
  float GetTransientParam(int index) const;
  void SetPersistentParam(int index, float value);
  void SetTransientParam(int index, float value);
  void SetParameterAutomatedChecked(int index, float value);
  void SetParameterAutomatedChecked(int index, int n, int steps);
  int GetNumAutomatable() const { return m_nNumA + m_nNumB; }
  int GetNumA() const { return m_nNumA; }
  int GetNumB() const { return m_nNumB; }
  int GetActiveLetter() const { return m_nActiveLetter; }
  bool CanUndo() const { return m_bCanUndo; }
  bool CanRedo() const { return m_bCanRedo; }
  const ProgramRecord& GetProgramRecord(int program) const;
  const ProgramRecord& GetDefaultProgram() const { return m_DefaultProgram; }
  const ProgramRecord& GetPreviousValues() const { return m_PreviousValues; }
  int GetUndoWritePosition(int letter) const;
  UndoEntry GetUndoEntry(int letter, int position) const;

  // --- Programs, state -----------------------------------------------------
  // Copies user-bank record k over the current program.
  void LoadUserProgram(int k);
  int GetUserProgramCount() const { return m_nUserCount; }
  const ProgramRecord& GetUserProgramRecord(int k) const { return m_UserBank[(k >= 0 && k < NUM_PROGRAMS) ? k : 0]; }
  int GetFactoryProgramCount() const { return m_nFactoryCount; }
  // Encodes every automatable parameter under its key.
  bool SaveStateChunk(CKeyedChunkEncoder& encoder);
  // Applies the keys in index order; CHUNK_KEY_MISSING at the first absent
  // one (those before it stay applied), else 0.
  int RestoreStateChunk(const void* data, std::size_t size);

  // --- Idle, time, options -------------------------------------------------
  void CallIdle(int source);
  int GetIdleSource() const { return m_nIdleSource.load(); }
  void UpdateDawTimeFromProcess();
  bool IsAudioPlaying() const { return m_bAudioPlaying; }
  // True when processing ran (called UpdateDawTimeFromProcess) within the
  // last `ms` milliseconds before `now` (a tick count); any thread.
  bool HasProcessedAudioWithin(std::uint32_t ms, std::uint32_t now) const;
  bool IsTimeValid() const { return m_bTimeValid; }
  double GetHostTimeSeconds() const { return m_dHostTime; }
  int GetQualityRating() const { return m_nQualityRating; }
  int GetNearestAllowableQualityRating();
  void SetQualityRating(int q);
  void SetDitherMode(int n);
  void SetBitDepth(int n);
  void SetReportLatency(int n);
  void SetOfflineRender(int n);
  void SetWysiwyg(int n);
  void MaybeCheckForChangedLinkedQualitySetting();
  void ApplyQualityModeSettingsOuter();
  bool IsBeingDestroyed() const { return m_bBeingDestroyed.load(std::memory_order_acquire); }
  std::int32_t GetWorkerState() const { return m_nWorkerState.load(); }
  double GetMicrosecondsPerCounterTick() const { return m_dProfilingScale; }
  bool IsProcessingLocked() const { return m_bProcessingLock.load(std::memory_order_acquire); }

  // Editor attachment (the editor object is owned by the VST base).
  void SetKivEditor(CKivEditorInterface* kivEditor);
  CKivEditorInterface* GetKivEditor() const { return m_pKivEditor.load(std::memory_order_acquire); }

  static int OutOfMemoryHandler(std::size_t size);

 protected:
  // Subclass construction steps, in this order.
  void InitPersistentParam(int index, const char* name, float defaultValue);
  void InitTransientParam(int index, const char* name, float defaultValue);
  // Init, fill the banks, apply every parameter once, PostInit, start the worker.
  void FinishConstruction();
  // Fills the next free slot of a bank from the defaults and the preset.
  void AddProgram(const KivPreset& preset, bool toUserBank);
  // Sets being-destroyed and stops the worker; the subclass destructor calls
  // it first so no idle or audio work touches its members while they go.
  void BeginDestruction();
  ProgramRecord& CurrentProgram() { return m_FactoryBank[curProgram]; }
  const ProgramRecord& CurrentProgram() const { return m_FactoryBank[curProgram]; }
  ProgramRecord& DefaultProgram() { return m_DefaultProgram; }
  void SetProgramNameOf(ProgramRecord& record, const char* name);
  int RefreshDepth() const { return m_nRefreshDepth; }
  bool IsSwitchingAB() const { return m_bSwitchingAB; }

 private:
  friend unsigned Kiv_WorkerThreadProc(void* effect);
  void CheckForChangeCanUndoOrRedo();
  void ApplyUndoEntry(UndoEntry& entry);
  void FillProgramBanks();
  void StopWorkerThread();
  void ReloadEditor();

  // Undo history, one ring per A/B letter.
  UndoEntry m_Undo[2][UNDO_RING_SIZE];
  std::int32_t m_nUndoPos[2] = {0, 0};
  bool m_bSuppressUndo = false;
  bool m_bCanUndo = false;
  bool m_bCanRedo = false;
  bool m_bGestureOpen = false;
  bool m_bUndoRedoGestureOpen = false;
  std::int32_t m_nActiveLetter = 0;
  std::int32_t m_nRefreshDepth = 0;
  bool m_bSwitchingAB = false;

  double m_dProfilingScale = 0.0;
  ProgramRecord m_DefaultProgram;
  ProgramRecord m_PreviousValues;

  std::int32_t m_nPersistentCount = 0;
  const char* m_PersistentNames[MAX_PERSISTENT_PARAMS] = {};
  float m_PersistentDefaults[MAX_PERSISTENT_PARAMS] = {};
  float m_PersistentValues[MAX_PERSISTENT_PARAMS] = {};
  std::int32_t m_nTransientCount = 0;
  const char* m_TransientNames[MAX_TRANSIENT_PARAMS] = {};
  float m_TransientDefaults[MAX_TRANSIENT_PARAMS] = {};
  float m_TransientValues[MAX_TRANSIENT_PARAMS] = {};

  std::int32_t m_nFactoryCount = 0;
  ProgramRecord m_FactoryBank[NUM_PROGRAMS];
  std::int32_t m_nUserCount = 0;
  ProgramRecord m_UserBank[NUM_PROGRAMS];
  std::int32_t m_nNumA;
  std::int32_t m_nNumB;

  std::atomic<std::uint32_t> m_nLastIdleTime{0};  // the worker and the editor's timer both idle
  std::uint32_t m_nLastOptionsIdleTime = 0;
  std::uint32_t m_nLastOptionsReloadTime = 0;
  std::atomic<std::int32_t> m_nIdleSource{IDLE_SOURCE_NONE};
  std::int32_t m_nQualityRating = 30;
  std::int32_t m_nDitherMode = 0;
  std::int32_t m_nBitDepth = 0;
  bool m_bReportLatency = true;
  bool m_bOfflineRender = false;
  bool m_bWysiwyg = false;
  std::atomic<bool> m_bQualityChanged{false};
  std::atomic<bool> m_bReconfigure{false};
  std::atomic<bool> m_bLatencyChanged{false};
  std::atomic<bool> m_bOfflineChanged{false};
  std::int32_t m_FftConfig[3] = {0, 0, 0};
  std::int32_t m_nFirstReportedLatency = -1;
  std::int32_t m_nLastReportedLatency = -1;
  double m_dHostTime = 0.0;
  double m_dPreviousHostTime = 0.0;
  bool m_bTimeValid = false;
  bool m_bAudioPlaying = false;
  std::atomic<std::uint32_t> m_nLastProcessTick{0};
  std::atomic<bool> m_bHasProcessed{false};
  std::uint32_t m_nPlayingSince = 0;
  std::atomic<bool> m_bProcessingLock{false};
  std::atomic<bool> m_bIoChangeArmed{true};
  std::atomic<bool> m_bInResume{false};
  std::atomic<bool> m_bIdleGuard{false};
  bool m_bOptionsEnabled = false;
  platform::CThread m_WorkerThread;
  std::atomic<std::int32_t> m_nWorkerState{WORKER_CREATED};
  std::atomic<bool> m_bBeingDestroyed{false};
  std::atomic<CKivEditorInterface*> m_pKivEditor{nullptr};  // read by the worker thread
};

// Re-sends every parameter (free-function form used by editors and hosts).
void RefreshAllParameters(KivEffect* effect);
void ForceHostUpdateParameter(KivEffect* effect, int index);
