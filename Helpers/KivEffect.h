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
//
// Threads. Hosts call in from several threads at once: automation arrives on
// the audio thread while the user interface edits on its own, and sessions
// are saved from a third. All control state (program records and names, the
// previous values, the undo rings, persistent and transient values, and
// whatever a subclass keeps in ParameterChanged) changes only under the
// state lock, a recursive mutex:
//  - setParameter and setProgram never wait for it. They try the lock once;
//    when another thread holds it, the change is left in a pending slot (the
//    latest value per index, stamped with its arrival order) and whoever
//    holds the lock applies the pending changes, in arrival order, before it
//    lets go. The audio thread therefore never waits for a program switch or
//    a chunk restore, and no change is lost. getParameter and getProgram
//    answer a pending value, so a host reads back what it has just set.
//  - Every other operation that reads or changes control state takes the
//    lock and may wait; taking it applies what is pending first.
//  - Program values and persistent/transient values are read without the
//    lock (getParameter, displays), so every access to them is a relaxed
//    atomic; writers hold the lock.
//  - Calls into the editor made under the state lock only record (the
//    editor applies them on its own thread), so nothing waits for the
//    editor's lock while it holds the state lock.
//  - Host callbacks (automate, begin and end of an edit, update display) are
//    never made under the state lock: a host may take a lock of its own in
//    them while another of its threads holds that lock and calls into us.
//    They are recorded in order, under the lock, in a fixed ring (the
//    outbox), and sent once the lock is let go, by one thread at a time: the
//    thread that lets go sends unless another is already sending, which
//    then sends these too. So they reach the host in the order they were
//    recorded, nobody waits to send, and a call the host makes into the
//    effect from inside a callback only adds to the ring. Should a host
//    block in a callback long enough to fill the ring, the values that did
//    not fit are sent as a whole afterwards (every parameter's value).
//    Work a subclass must do outside the lock (it asks the host something)
//    is flagged with DeferAfterStateLock and run by the sender.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "Helpers/KeyedChunk.h"
#include "Helpers/KivPreset.h"
#include "Helpers/ProcessProfile.h"
#include "Helpers/Vst/AudioEffectX.h"
#include "platform/Clock.h"
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
constexpr std::uint32_t IDLE_INTERVAL_MS = 100;  // the effect's idle routine, at most once per interval
// A failed allocation of an effect object asks the user to retry at most this
// often; then (or at once, on Cancel) the allocation fails.
constexpr int MAX_ALLOCATION_RETRIES = 2;
// Host notifications waiting to be sent (see Threads, above); the last
// OUTBOX_RESERVE slots take only edit begins and ends and display updates,
// so a flood of values never unbalances the host's edit gestures.
constexpr int OUTBOX_SIZE = 4096;
constexpr int OUTBOX_RESERVE = 256;

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
  // Values are read without the state lock, so the effect accesses them only
  // through these (relaxed: each value stands on its own).
  float Get(int i) const {
    return std::atomic_ref<float>(const_cast<float&>(values[i])).load(std::memory_order_relaxed);
  }
  void Set(int i, float v) { std::atomic_ref<float>(values[i]).store(v, std::memory_order_relaxed); }
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

  // Effect objects are large (their program banks live inside). When one
  // cannot be allocated, OutOfMemoryHandler asks the user to retry, at most
  // MAX_ALLOCATION_RETRIES times. Only our own objects are handled so: the
  // process-wide new-handler stays the host's.
  static void* operator new(std::size_t size);
  static void operator delete(void* object) noexcept;
  // The retry loop itself, with the allocation function as a parameter.
  static void* AllocateWithRetry(std::size_t size, void* (*allocate)(std::size_t));

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
  void setParameterAutomated(std::int32_t index, float value) override;
  // These tell the host once the state lock is let go (true when there is
  // a host to tell).
  bool beginEdit(std::int32_t index) override;
  bool endEdit(std::int32_t index) override;
  bool updateDisplay() override;
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
  // The stored value (a change still pending is not included).
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
  int GetActiveLetter() const { return m_nActiveLetter.load(); }
  bool CanUndo() const { return m_bCanUndo.load(); }
  bool CanRedo() const { return m_bCanRedo.load(); }
  const ProgramRecord& GetProgramRecord(int program) const;
  const ProgramRecord& GetDefaultProgram() const { return m_DefaultProgram; }
  const ProgramRecord& GetPreviousValues() const { return m_PreviousValues; }
  int GetUndoWritePosition(int letter);
  UndoEntry GetUndoEntry(int letter, int position);

  // --- Programs, state -----------------------------------------------------
  // Copies user-bank record k over the current program.
  void LoadUserProgram(int k);
  // Makes `program` current while keeping the values in force: they become
  // that program's values (its name stays). For a saved session, whose
  // values were that program's when it was saved. Ignored outside 0..59.
  void AdoptProgramNumber(int program);
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
  // nowTick: the tick count, when the caller has already read it.
  void UpdateDawTimeFromProcess(std::uint32_t nowTick = platform::GetTickCount());
  bool IsAudioPlaying() const { return m_bAudioPlaying.load(std::memory_order_relaxed); }
  bool IsTimeValid() const { return m_bTimeValid.load(std::memory_order_relaxed); }
  double GetHostTimeSeconds() const { return m_dHostTime.load(std::memory_order_relaxed); }
  // True when processing ran (called UpdateDawTimeFromProcess) within the
  // last `ms` milliseconds before `now` (a tick count); any thread.
  bool HasProcessedAudioWithin(std::uint32_t ms, std::uint32_t now) const;
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
  // Times the worker woke while running, and how many of those found no
  // idle pass due (with no editor open there should be none: the worker
  // sleeps until the next pass is due).
  std::uint32_t GetWorkerWakeups() const { return m_nWorkerWakeups.load(std::memory_order_relaxed); }
  std::uint32_t GetWorkerIdleMisses() const { return m_nWorkerIdleMisses.load(std::memory_order_relaxed); }
  double GetMicrosecondsPerCounterTick() const { return m_dProfilingScale; }
  bool IsProcessingLocked() const { return m_bProcessingLock.load(std::memory_order_acquire); }
  // Average and maximum time of one call of the audio path over the last
  // second of audio; any thread. The subclass's audio path records into
  // ProcessProfile() on the audio thread only.
  CProcessProfile::SFigures GetProcessingFigures() const noexcept { return m_ProcessProfile.Read(); }
  CProcessProfile& ProcessProfile() noexcept { return m_ProcessProfile; }

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
  ProgramRecord& CurrentProgram() { return m_FactoryBank[curProgram.load()]; }
  const ProgramRecord& CurrentProgram() const { return m_FactoryBank[curProgram.load()]; }
  // Called with the state lock held after stored values were applied as a
  // whole (program change, A/B switch, chunk restore, user program), when
  // the subclass's rules between parameters may not hold.
  virtual void EnforceStoredRules() {}

  // The state lock (see the top of this file). Held for its scope; with
  // TRY, only if it was free (Owns() tells).
  class CStateLock {
   public:
    enum EMode { WAIT, TRY };
    explicit CStateLock(KivEffect& effect, EMode mode = WAIT);
    ~CStateLock();
    CStateLock(const CStateLock&) = delete;
    CStateLock& operator=(const CStateLock&) = delete;
    bool Owns() const { return m_bOwns; }

   private:
    KivEffect& m_Effect;
    bool m_bOwns;
  };
  // Asks for RunAfterStateLock(tasks) once the state lock is let go (bits
  // of the subclass's choosing; any thread, usually under the lock). Work
  // asked for more than once before it runs runs once, with the values
  // then in force.
  void DeferAfterStateLock(std::uint32_t tasks) { m_nDeferredTasks.fetch_or(tasks); }
  virtual void RunAfterStateLock(std::uint32_t /*tasks*/) {}
  ProgramRecord& DefaultProgram() { return m_DefaultProgram; }
  void SetProgramNameOf(ProgramRecord& record, const char* name);
  int RefreshDepth() const { return m_nRefreshDepth; }
  bool IsSwitchingAB() const { return m_bSwitchingAB; }

 private:
  friend unsigned Kiv_WorkerThreadProc(void* effect);
  void WorkerLoop();
  // Waits up to ms, or less when a stop is requested; false once it is.
  bool WorkerWaitWhileRunning(std::uint32_t ms);
  void LockState();
  bool TryLockState();
  void UnlockState();
  void DeferChange(int slot, std::uint32_t bits);
  void ApplyPendingChanges();
  void ApplyParameter(int index, float value);
  void SelectProgram(int program);
  // Ends a batch of stored values: runs EnforceStoredRules once, outermost.
  void EndStoredValues();
  // Outbox (see Threads, above). Record under the state lock.
  enum EHostNote : std::int32_t { NOTE_AUTOMATE, NOTE_BEGIN_EDIT, NOTE_END_EDIT, NOTE_UPDATE_DISPLAY };
  void RecordHostNote(EHostNote kind, std::int32_t index = 0, float value = 0.0f);
  // Sends what the outbox holds unless another thread is sending; called
  // with the state lock let go.
  void SendHostNotes();
  bool HasHostNotes() const;
  void CheckForChangeCanUndoOrRedo();
  void ApplyUndoEntry(UndoEntry& entry);
  void FillProgramBanks();
  void StopWorkerThread();
  void ReloadEditor();

  // Undo history, one ring per A/B letter.
  UndoEntry m_Undo[2][UNDO_RING_SIZE];
  std::int32_t m_nUndoPos[2] = {0, 0};
  bool m_bSuppressUndo = false;
  std::atomic<bool> m_bCanUndo{false};
  std::atomic<bool> m_bCanRedo{false};
  bool m_bGestureOpen = false;
  bool m_bUndoRedoGestureOpen = false;
  std::atomic<std::int32_t> m_nActiveLetter{0};
  std::int32_t m_nRefreshDepth = 0;
  bool m_bSwitchingAB = false;

  double m_dProfilingScale = 0.0;
  CProcessProfile m_ProcessProfile;
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
  std::atomic<double> m_dHostTime{0.0};  // written by the audio thread
  double m_dPreviousHostTime = 0.0;      // audio thread only
  std::atomic<bool> m_bTimeValid{false};
  std::atomic<bool> m_bAudioPlaying{false};
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
  // The worker sleeps on this until its next idle pass is due or a stop is
  // requested; state changes that end a wait are made under the mutex.
  std::mutex m_WorkerMutex;
  std::condition_variable m_WorkerWake;
  bool m_bWorkerExited = false;  // under m_WorkerMutex
  std::atomic<std::uint32_t> m_nWorkerWakeups{0};
  std::atomic<std::uint32_t> m_nWorkerIdleMisses{0};

  // State lock and the changes that waited for it (see the top of the file).
  std::recursive_mutex m_StateLock;
  int m_nLockDepth = 0;  // under m_StateLock
  std::atomic<bool> m_bStateHeld{false};  // raised by the outermost holder
  // Per slot: arrival order (high 32 bits, 0 = none) and the value's bits.
  // Slots 0..MAX_PROGRAM_VALUES-1 are parameters, the last one the program.
  std::atomic<std::uint64_t> m_nPending[MAX_PROGRAM_VALUES + 1] = {};
  std::atomic<std::uint32_t> m_nPendingOrder{0};
  std::atomic<bool> m_bAnyPending{false};
  struct PendingChange {
    std::uint32_t order;
    std::int32_t slot;
    std::uint32_t bits;
  };
  PendingChange m_PendingScratch[MAX_PROGRAM_VALUES + 1];  // under m_StateLock

  // Outbox: written under the state lock at m_nOutboxTail, sent from
  // m_nOutboxHead by the one thread that holds m_bSendingNotes.
  struct SHostNote {
    EHostNote kind;
    std::int32_t index;
    float value;
  };
  SHostNote m_Outbox[OUTBOX_SIZE];
  std::atomic<std::uint32_t> m_nOutboxHead{0};
  std::atomic<std::uint32_t> m_nOutboxTail{0};
  std::atomic<bool> m_bOutboxOverflowed{false};
  std::atomic<bool> m_bSendingNotes{false};
  std::atomic<std::uint32_t> m_nDeferredTasks{0};
  std::atomic<bool> m_bBeingDestroyed{false};
  std::atomic<CKivEditorInterface*> m_pKivEditor{nullptr};  // read by the worker thread
};

// Re-sends every parameter (free-function form used by editors and hosts).
void RefreshAllParameters(KivEffect* effect);
void ForceHostUpdateParameter(KivEffect* effect, int index);
