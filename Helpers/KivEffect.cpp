#include "Helpers/KivEffect.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "Helpers/ErrorReport.h"
#include "Helpers/KivEditorInterface.h"
#include "Helpers/PersistantStorage.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"

std::atomic<std::int32_t> HostId{0};
std::atomic<std::int32_t> EditorIdleInterval{10};
char HostName[256] = {};
std::atomic<bool> ViewCompatibilityFlags[3] = {true, false, false};

namespace {

std::atomic<bool> g_bHostDetected{false};

inline float LoadValue(const float& v) {
  return std::atomic_ref<float>(const_cast<float&>(v)).load(std::memory_order_relaxed);
}
inline void StoreValue(float& v, float value) { std::atomic_ref<float>(v).store(value, std::memory_order_relaxed); }

constexpr std::int32_t PENDING_PROGRAM_SLOT = MAX_PROGRAM_VALUES;

inline int Wrap(int position) { return (position + UNDO_RING_SIZE) % UNDO_RING_SIZE; }

struct HostRule {
  bool contains;
  const char* name;
  std::int32_t id;
};
constexpr HostRule kHostRules[] = {
    {false, "Adobe Systems - Audition", 1}, {false, "MAGIX - Samplitude", 2},
    {false, "Steinberg - Cubase VST", 3},   {false, "Steinberg - Nuendo", 6},
    {false, "Xlutop - Chainer", 7},         {true, "Cakewalk", 8},
    {true, "WaveLab", 9},                   {false, "BIAS - Peak", 4},
    {false, "FXpansion - Vst2Rtas2", 5},
};

constexpr int kAllowableQualityRatings[] = {40, 30, 20, 10, -1};
constexpr int kFlushFrames = 33007;

}  // namespace

void ProgramRecord::CopyFrom(const ProgramRecord& other) {
  std::size_t n = strnlen(other.name, PROGRAM_NAME_FIELD - 1);
  std::memcpy(name, other.name, n);
  name[n] = '\0';
  for (int i = 0; i < MAX_PROGRAM_VALUES; ++i) Set(i, other.Get(i));
}

void DetectHost(vst::HostCallback audioMaster) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (audioMaster == nullptr || g_bHostDetected.load()) return;
    // Two effects may be created on different host threads at once.
    static std::mutex detecting;
    std::lock_guard<std::mutex> lock(detecting);
    if (g_bHostDetected.load()) return;
    char vendor[256] = {};
    char product[256] = {};
    audioMaster(nullptr, vst::audioMasterGetVendorString, 0, 0, vendor, 0.0f);
    audioMaster(nullptr, vst::audioMasterGetProductString, 0, 0, product, 0.0f);
    vendor[255] = product[255] = '\0';
    // The composed name is bounded by the buffer: an over-long one is cut.
    if (product[0] != '\0') std::snprintf(HostName, sizeof HostName, "%s - %s", vendor, product);
    else std::snprintf(HostName, sizeof HostName, "%s", vendor);
    audioMaster(nullptr, vst::audioMasterGetVendorVersion, 0, 0, nullptr, 0.0f);

    std::int32_t id = HostId.load();
    for (const HostRule& rule : kHostRules) {
      const bool match = rule.contains ? std::strstr(HostName, rule.name) != nullptr
                                       : std::strcmp(HostName, rule.name) == 0;
      if (match) id = rule.id;
    }
    HostId.store(id);
    if (id == 7 || id == 8) EditorIdleInterval.store(100);
    if (id == 4 || id == 10) {
      for (auto& flag : ViewCompatibilityFlags) flag.store(true);
    }
    g_bHostDetected.store(true);
  });
}

void ResetHostDetection() {
  g_bHostDetected.store(false);
  HostId.store(0);
  EditorIdleInterval.store(10);
  HostName[0] = '\0';
  ViewCompatibilityFlags[0].store(true);
  ViewCompatibilityFlags[1].store(false);
  ViewCompatibilityFlags[2].store(false);
}

unsigned Kiv_WorkerThreadProc(void* argument) {
  auto* effect = static_cast<KivEffect*>(argument);
  std::int32_t expected = WORKER_CREATED;
  if (effect->m_nWorkerState.compare_exchange_strong(expected, WORKER_RUNNING)) effect->WorkerLoop();
  {
    std::lock_guard<std::mutex> lock(effect->m_WorkerMutex);
    if (effect->m_nWorkerState.load() == WORKER_STOP_REQUESTED) effect->m_nWorkerState.store(WORKER_STOPPED);
    effect->m_bWorkerExited = true;
  }
  effect->m_WorkerWake.notify_all();
  return 0;
}

void KivEffect::WorkerLoop() {
  // The worker sleeps until its next idle pass is due (one per interval,
  // counted from the last pass, whoever ran it) or until a stop request
  // wakes it: an idle effect costs ten wake-ups a second, and destruction
  // never waits out a sleep.
  std::uint32_t wait = 250;  // start-up pause
  while (WorkerWaitWhileRunning(wait)) {
    m_nWorkerWakeups.fetch_add(1, std::memory_order_relaxed);
    wait = IDLE_INTERVAL_MS;
    CKivEditorInterface* kivEditor = GetKivEditor();
    if (kivEditor && kivEditor->isOpen()) continue;  // the editor drives idle work itself
    std::uint32_t since = platform::TicksBetween(m_nLastIdleTime.load(), platform::GetTickCount());
    if (since < IDLE_INTERVAL_MS) m_nWorkerIdleMisses.fetch_add(1, std::memory_order_relaxed);
    if (!m_bIdleGuard.load()) CallIdle(IDLE_SOURCE_WORKER);
    since = platform::TicksBetween(m_nLastIdleTime.load(), platform::GetTickCount());
    // One tick more than the remainder: a wake-up a hair early would find
    // the pass not yet due and sleep again for a millisecond.
    if (since < IDLE_INTERVAL_MS) wait = IDLE_INTERVAL_MS - since + 1;
  }
}

bool KivEffect::WorkerWaitWhileRunning(std::uint32_t ms) {
  std::unique_lock<std::mutex> lock(m_WorkerMutex);
  m_WorkerWake.wait_for(lock, std::chrono::milliseconds(ms),
                        [this] { return m_nWorkerState.load() != WORKER_RUNNING; });
  return m_nWorkerState.load() == WORKER_RUNNING;
}

KivEffect::KivEffect(vst::HostCallback master, std::int32_t numA, std::int32_t numB)
    : AudioEffectX(master, NUM_PROGRAMS, numA + numB), m_nNumA(numA), m_nNumB(numB) {
  canProcessReplacing(true);
  for (auto& ring : m_Undo) {
    for (UndoEntry& e : ring) e = {UNDO_EMPTY, 0.0f};
  }
  m_dProfilingScale = 1e6 / static_cast<double>(platform::QueryPerformanceFrequency());
  std::memset(&m_DefaultProgram, 0, sizeof m_DefaultProgram);
  std::memset(&m_PreviousValues, 0, sizeof m_PreviousValues);
  std::memset(m_FactoryBank, 0, sizeof m_FactoryBank);
  std::memset(m_UserBank, 0, sizeof m_UserBank);
  std::strcpy(m_DefaultProgram.name, "Default");
  std::int32_t limit = 0;
  if (CPersistentStorage::QueryStoredInt(CPersistentStorage::MAKER_KEY, "LimitFramerate", &limit) &&
      limit != 0) {
    EditorIdleInterval.store(100);
  }
}

KivEffect::~KivEffect() { BeginDestruction(); }

void* KivEffect::AllocateWithRetry(std::size_t size, void* (*allocate)(std::size_t)) {
  for (int retries = 0;; ++retries) {
    if (void* object = allocate(size)) return object;
    // With no one to answer, the default answer would retry forever.
    if (retries == MAX_ALLOCATION_RETRIES || !OutOfMemoryHandler(size)) return nullptr;
  }
}

void* KivEffect::operator new(std::size_t size) {
  void* object = AllocateWithRetry(size, [](std::size_t n) { return std::malloc(n); });
  if (object == nullptr) throw std::bad_alloc();
  return object;
}

void KivEffect::operator delete(void* object) noexcept { std::free(object); }

void KivEffect::BeginDestruction() {
  m_bBeingDestroyed.store(true, std::memory_order_release);
  StopWorkerThread();
}

void KivEffect::StopWorkerThread() {
  if (!m_WorkerThread.IsRunning()) return;
  bool exited = false;
  {
    std::unique_lock<std::mutex> lock(m_WorkerMutex);
    m_nWorkerState.store(WORKER_STOP_REQUESTED);
    m_WorkerWake.notify_all();
    // Idle work in progress gets a second to finish.
    exited = m_WorkerWake.wait_for(lock, std::chrono::milliseconds(1000), [this] { return m_bWorkerExited; });
  }
  if (exited) m_WorkerThread.Join();
  else m_WorkerThread.Terminate();  // stuck in idle work: the last resort
}

// ---------------------------------------------------------------------------
// Construction steps

void KivEffect::InitPersistentParam(int index, const char* name, float defaultValue) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    const int k = index - PERSISTENT_PARAM_BASE;
    if (k < 0 || k >= MAX_PERSISTENT_PARAMS) return;
    if (k >= m_nPersistentCount) m_nPersistentCount = k + 1;
    m_PersistentNames[k] = name;
    m_PersistentDefaults[k] = defaultValue;
    std::int32_t stored = static_cast<std::int32_t>(defaultValue * PERSISTENT_SCALE);
    CPersistentStorage::QueryProductInt(name, &stored);
    // A hand-edited or foreign settings file may hold anything.
    m_PersistentValues[k] = std::clamp(static_cast<float>(stored) / PERSISTENT_SCALE, 0.0f, 1.0f);
  });
}

void KivEffect::InitTransientParam(int index, const char* name, float defaultValue) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    const int k = index - TRANSIENT_PARAM_BASE;
    if (k < 0 || k >= MAX_TRANSIENT_PARAMS) return;
    if (k >= m_nTransientCount) m_nTransientCount = k + 1;
    m_TransientNames[k] = name;
    m_TransientDefaults[k] = defaultValue;
    m_TransientValues[k] = std::clamp(defaultValue, 0.0f, 1.0f);
  });
}

void KivEffect::FinishConstruction() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    Init();
    {
      CStateLock lock(*this);
      m_PreviousValues.CopyFrom(m_DefaultProgram);
      FillProgramBanks();
      PostCreatePrograms();
      for (int i = 0; i < GetNumAutomatable(); ++i) setParameter(i, CurrentProgram().Get(i));
      for (int k = 0; k < m_nPersistentCount; ++k) {
        setParameter(PERSISTENT_PARAM_BASE + k, LoadValue(m_PersistentValues[k]));
      }
      PostInit();
    }
    if (m_WorkerThread.Start(&Kiv_WorkerThreadProc, this)) m_WorkerThread.RaiseToHighestPriority();
    platform::SleepMs(100);
  });
}

void KivEffect::FillProgramBanks() {
  int next = CreateFactoryPrograms();
  if (next < 0) next = 0;
  m_nFactoryCount = next;
  ProgramRecord& templ = m_PreviousValues;  // holds a copy of the defaults here
  int counter = 1;
  for (int slot = next; slot < NUM_PROGRAMS; ++slot, ++counter) {
    m_FactoryBank[slot].CopyFrom(templ);
    std::snprintf(m_FactoryBank[slot].name, PROGRAM_NAME_FIELD, counter < 10 ? "User0%i" : "User%i", counter);
  }
  curProgram = 0;
}

void KivEffect::AddProgram(const KivPreset& preset, bool toUserBank) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    std::int32_t& bankCount = toUserBank ? m_nUserCount : m_nFactoryCount;
    if (bankCount >= NUM_PROGRAMS) return;
    ProgramRecord& record = (toUserBank ? m_UserBank : m_FactoryBank)[bankCount++];
    record.CopyFrom(m_DefaultProgram);
    SetProgramNameOf(record, preset.name);
    for (const KivPresetValue* v = preset.values; v->index != -1; ++v) {
      if (v->index >= 0 && v->index < MAX_PROGRAM_VALUES) record.Set(v->index, std::clamp(v->value, 0.0f, 1.0f));
    }
  });
}

void KivEffect::SetProgramNameOf(ProgramRecord& record, const char* name) {
  const std::size_t n = strnlen(name, MAX_PROGRAM_NAME);
  std::memcpy(record.name, name, n);
  record.name[n] = '\0';
}

void KivEffect::PostInit() { ClearUndos(); }

// ---------------------------------------------------------------------------
// Parameters

EParameterClass KivEffect::GetParameterClass(int index) const {
  if (index >= 0 && index < GetNumAutomatable()) return PARAM_CLASS_AUTOMATABLE;
  if (index >= PERSISTENT_PARAM_BASE && index < PERSISTENT_PARAM_BASE + m_nPersistentCount) {
    return PARAM_CLASS_PERSISTENT;
  }
  if (index >= TRANSIENT_PARAM_BASE && index < TRANSIENT_PARAM_BASE + m_nTransientCount) {
    return PARAM_CLASS_TRANSIENT;
  }
  return PARAM_CLASS_NONE;
}

float KivEffect::GetAnyParameter(int index) const {
  return kiv::Guard(KIV_SIGNATURE, 0.0f, [&] {
    switch (GetParameterClass(index)) {
      case PARAM_CLASS_AUTOMATABLE: return CurrentProgram().Get(index);
      case PARAM_CLASS_PERSISTENT: return GetPersistentParam(index);
      case PARAM_CLASS_TRANSIENT: return GetTransientParam(index);
      default: return 0.0f;
    }
  });
}

int KivEffect::GetParameterAsInt(int index, int steps) const {
  return static_cast<int>(std::floor(GetAnyParameter(index) * static_cast<float>(steps - 1) + 0.5f));
}

float KivEffect::GetPersistentParam(int index) const {
  const int k = index - PERSISTENT_PARAM_BASE;
  if (k < 0 || k >= m_nPersistentCount) return 0.0f;
  return std::fmin(LoadValue(m_PersistentValues[k]), 1.0f);
}

float KivEffect::GetTransientParam(int index) const {
  const int k = index - TRANSIENT_PARAM_BASE;
  if (k < 0 || k >= m_nTransientCount) return 0.0f;
  return std::fmin(LoadValue(m_TransientValues[k]), 1.0f);
}

void KivEffect::SetPersistentParam(int index, float value) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!std::isfinite(value)) return;
    value = std::clamp(value, 0.0f, 1.0f);
    const int k = index - PERSISTENT_PARAM_BASE;
    CStateLock lock(*this);
    if (k < 0 || k >= m_nPersistentCount || value == LoadValue(m_PersistentValues[k])) return;
    StoreValue(m_PersistentValues[k], value);
    CPersistentStorage::StoreProductInt(m_PersistentNames[k],
                                        static_cast<std::int32_t>(value * PERSISTENT_SCALE));
  });
}

void KivEffect::SetTransientParam(int index, float value) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!std::isfinite(value)) return;
    const int k = index - TRANSIENT_PARAM_BASE;
    CStateLock lock(*this);
    if (k >= 0 && k < m_nTransientCount) StoreValue(m_TransientValues[k], std::clamp(value, 0.0f, 1.0f));
  });
}

void KivEffect::setParameter(std::int32_t index, float value) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    // A broken host value never replaces a good one; every value is 0..1,
    // whichever door it came in by (host, editor, chunk, renderer).
    if (!std::isfinite(value)) return;
    value = std::clamp(value, 0.0f, 1.0f);
    const EParameterClass cls = GetParameterClass(index);
    if (cls == PARAM_CLASS_NONE) return;
    if (cls != PARAM_CLASS_AUTOMATABLE) {
      CStateLock lock(*this);  // only editors set these; they may wait
      ApplyParameter(index, value);
      return;
    }
    CStateLock lock(*this, CStateLock::TRY);
    if (lock.Owns()) ApplyParameter(index, value);
    else DeferChange(index, std::bit_cast<std::uint32_t>(value));
  });
}

void KivEffect::ApplyParameter(int index, float value) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    switch (GetParameterClass(index)) {
      case PARAM_CLASS_AUTOMATABLE: {
        ProgramRecord& program = CurrentProgram();
        const float old = program.Get(index);
        if (value != old && IsParameterUndoable(index)) StoreUndoPoint(index, old);
        m_PreviousValues.Set(index, old);
        if (GetKivEditor() && GetKivEditor()->WantsLastTouchedParameter()) {
          GetKivEditor()->SetLastTouchedParameter(index);
        }
        program.Set(index, value);
        break;
      }
      case PARAM_CLASS_PERSISTENT: SetPersistentParam(index, value); break;
      case PARAM_CLASS_TRANSIENT: SetTransientParam(index, value); break;
      default: return;
    }
    if (m_bOptionsEnabled && value != 0.0f) {
      if (index == GetQualityParamIndex()) SetQualityRating(GetParameterAsInt(index, 1000));
      else if (index == GetBitDepthParamIndex()) SetBitDepth(GetParameterAsInt(index, 3));
      else if (index == GetReportLatencyParamIndex()) SetReportLatency(GetParameterAsInt(index, 3));
    }
    ParameterChanged(index);
    if (GetKivEditor()) {
      GetKivEditor()->UpdateParameter(index, GetAnyParameter(index));
      GetKivEditor()->MarkDirty();
    }
  });
}

float KivEffect::getParameter(std::int32_t index) {
  return kiv::Guard(KIV_SIGNATURE, 0.0f, [&] {
    if (GetParameterClass(index) != PARAM_CLASS_AUTOMATABLE) return 0.0f;
    const std::uint64_t pending = m_nPending[index].load(std::memory_order_acquire);
    if (pending != 0) return std::bit_cast<float>(static_cast<std::uint32_t>(pending));
    return CurrentProgram().Get(index);
  });
}

// ---------------------------------------------------------------------------
// State lock

KivEffect::CStateLock::CStateLock(KivEffect& effect, EMode mode) : m_Effect(effect), m_bOwns(true) {
  if (mode == TRY) m_bOwns = effect.TryLockState();
  else effect.LockState();
}

KivEffect::CStateLock::~CStateLock() {
  if (m_bOwns) m_Effect.UnlockState();
}

void KivEffect::LockState() {
  m_StateLock.lock();
  if (++m_nLockDepth == 1) {
    m_bStateHeld.store(true);
    // Changes that arrived while another thread held the lock come first.
    if (m_bAnyPending.load()) ApplyPendingChanges();
  }
}

bool KivEffect::TryLockState() {
  if (!m_StateLock.try_lock()) return false;
  if (++m_nLockDepth == 1) m_bStateHeld.store(true);
  return true;
}

void KivEffect::UnlockState() {
  for (;;) {
    if (m_nLockDepth == 1 && m_bAnyPending.load()) ApplyPendingChanges();
    if (--m_nLockDepth > 0) {
      m_StateLock.unlock();
      return;
    }
    m_bStateHeld.store(false);
    m_StateLock.unlock();
    // A change deferred after the check above, while we still held the
    // lock, is ours to apply (see DeferChange), unless another thread has
    // the lock by now: it applies it when it lets go.
    if (!m_bAnyPending.load() || !TryLockState()) break;
  }
  SendHostNotes();
}

void KivEffect::RecordHostNote(EHostNote kind, std::int32_t index, float value) {
  if (audioMaster == nullptr) return;
  const std::uint32_t tail = m_nOutboxTail.load(std::memory_order_relaxed);  // we hold the state lock
  const std::uint32_t used = tail - m_nOutboxHead.load(std::memory_order_acquire);
  const std::uint32_t room = kind == NOTE_AUTOMATE ? OUTBOX_SIZE - OUTBOX_RESERVE : OUTBOX_SIZE;
  if (used >= room) {
    m_bOutboxOverflowed.store(true);
    return;
  }
  m_Outbox[tail % OUTBOX_SIZE] = {kind, index, value};
  m_nOutboxTail.store(tail + 1);  // sequentially consistent: see SendHostNotes
}

bool KivEffect::HasHostNotes() const {
  return m_nOutboxHead.load() != m_nOutboxTail.load() || m_bOutboxOverflowed.load() || m_nDeferredTasks.load() != 0;
}

void KivEffect::SendHostNotes() {
  // A sender that finds nothing more lets go and looks once more: a note
  // recorded by a thread that saw it still sending is then seen here.
  while (!IsBeingDestroyed() && HasHostNotes()) {
    if (m_bSendingNotes.exchange(true)) return;  // that thread sends ours too
    kiv::Guard(KIV_SIGNATURE, [&] {
      for (;;) {
        const std::uint32_t head = m_nOutboxHead.load(std::memory_order_relaxed);
        if (head == m_nOutboxTail.load(std::memory_order_acquire)) break;
        const SHostNote note = m_Outbox[head % OUTBOX_SIZE];
        m_nOutboxHead.store(head + 1, std::memory_order_release);
        switch (note.kind) {
          case NOTE_AUTOMATE: callHost(vst::audioMasterAutomate, note.index, 0, nullptr, note.value); break;
          case NOTE_BEGIN_EDIT: AudioEffectX::beginEdit(note.index); break;
          case NOTE_END_EDIT: AudioEffectX::endEdit(note.index); break;
          case NOTE_UPDATE_DISPLAY: AudioEffectX::updateDisplay(); break;
        }
      }
      if (m_bOutboxOverflowed.exchange(false)) {
        for (int i = 0; i < GetNumAutomatable(); ++i) callHost(vst::audioMasterAutomate, i, 0, nullptr, getParameter(i));
      }
      if (const std::uint32_t tasks = m_nDeferredTasks.exchange(0)) RunAfterStateLock(tasks);
    });
    m_bSendingNotes.store(false);
  }
}

void KivEffect::DeferChange(int slot, std::uint32_t bits) {
  std::uint32_t order = m_nPendingOrder.fetch_add(1) + 1;
  if (order == 0) order = m_nPendingOrder.fetch_add(1) + 1;  // 0 means "none"
  m_nPending[slot].store((static_cast<std::uint64_t>(order) << 32) | bits, std::memory_order_release);
  m_bAnyPending.store(true);
  // Sequentially consistent with the holder's "held" flag: a holder seen
  // here will see the change when it lets go. When no holder is seen but
  // the lock is taken, a thread is between taking it and raising the flag,
  // or between lowering the flag and letting go: a few instructions, so a
  // short spin settles it. Should that thread be preempted there, the spin
  // gives up and the next lock holder, or the next idle pass, applies it.
  for (int spin = 0; spin < 4096; ++spin) {
    if (m_bStateHeld.load()) return;
    if (TryLockState()) {
      UnlockState();
      return;
    }
  }
}

void KivEffect::ApplyPendingChanges() {
  m_bAnyPending.store(false);  // before the slots are read: later deferrals raise it again
  int count = 0;
  auto collect = [&](int slot) {
    const std::uint64_t word = m_nPending[slot].exchange(0, std::memory_order_acq_rel);
    if (word != 0) {
      m_PendingScratch[count++] = {static_cast<std::uint32_t>(word >> 32), slot, static_cast<std::uint32_t>(word)};
    }
  };
  for (int i = 0; i < GetNumAutomatable(); ++i) collect(i);
  collect(PENDING_PROGRAM_SLOT);
  if (count == 0) return;
  std::sort(m_PendingScratch, m_PendingScratch + count,
            [](const PendingChange& a, const PendingChange& b) { return a.order < b.order; });
  for (int n = 0; n < count; ++n) {
    const PendingChange& change = m_PendingScratch[n];
    if (change.slot == PENDING_PROGRAM_SLOT) SelectProgram(static_cast<int>(change.bits));
    else setParameter(change.slot, std::bit_cast<float>(change.bits));
  }
}

void KivEffect::SetParameterAutomatedChecked(int index, float value) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!std::isfinite(value)) return;  // refused by setParameter too
    value = std::clamp(value, 0.0f, 1.0f);
    CStateLock lock(*this);
    setParameter(index, value);
    if (index >= 0 && index < GetNumAutomatable()) RecordHostNote(NOTE_AUTOMATE, index, value);
  });
}

void KivEffect::setParameterAutomated(std::int32_t index, float value) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!std::isfinite(value)) return;
    value = std::clamp(value, 0.0f, 1.0f);
    CStateLock lock(*this);
    setParameter(index, value);
    if (isAutomationReported(index)) RecordHostNote(NOTE_AUTOMATE, index, value);
  });
}

void KivEffect::SetParameterAutomatedChecked(int index, int n, int steps) {
  SetParameterAutomatedChecked(index, steps > 1 ? static_cast<float>(n) / static_cast<float>(steps - 1) : 0.0f);
}

void ForceHostUpdateParameter(KivEffect* effect, int index) {
  if (effect) effect->SetParameterAutomatedChecked(index, effect->GetAnyParameter(index));
}

const char* KivEffect::GetParameterKey(int) { return "OUT_OF_BOUNDS"; }

const ProgramRecord& KivEffect::GetProgramRecord(int program) const {
  return m_FactoryBank[(program >= 0 && program < NUM_PROGRAMS) ? program : 0];
}

int KivEffect::GetUndoWritePosition(int letter) {
  CStateLock lock(*this);
  return m_nUndoPos[letter & 1];
}

UndoEntry KivEffect::GetUndoEntry(int letter, int position) {
  CStateLock lock(*this);
  return m_Undo[letter & 1][Wrap(position)];
}

// ---------------------------------------------------------------------------
// Undo and redo

void KivEffect::StoreUndoPoint(int index, float value) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    CStateLock lock(*this);
    if (m_bSuppressUndo) return;
    if (!(index < NO_PARAMETER_TAG || index == UNDO_GESTURE_START || index == UNDO_GESTURE_END)) return;
    UndoEntry* ring = m_Undo[m_nActiveLetter];
    std::int32_t& pos = m_nUndoPos[m_nActiveLetter];

    if (m_bGestureOpen) {
      // Within a gesture only the first old value of a parameter matters.
      int p = pos;
      for (int n = 0; n < UNDO_RING_SIZE; ++n, p = Wrap(p - 1)) {
        if (ring[p].index == UNDO_GESTURE_START || ring[p].index == UNDO_EMPTY) break;
        if (ring[p].index == index) return;
      }
    }
    if (index == UNDO_GESTURE_END) {
      if (ring[Wrap(pos - 1)].index == UNDO_GESTURE_START) {  // empty gesture: no trace
        pos = Wrap(pos - 1);
        ring[pos].index = UNDO_EMPTY;
        CheckForChangeCanUndoOrRedo();
        return;
      }
      if (ring[Wrap(pos - 2)].index == UNDO_GESTURE_START) {  // one change: a plain entry
        ring[Wrap(pos - 2)] = ring[Wrap(pos - 1)];
        pos = Wrap(pos - 1);
        ring[pos].index = UNDO_EMPTY;
        CheckForChangeCanUndoOrRedo();
        return;
      }
    }
    ring[pos] = {index, value};
    pos = Wrap(pos + 1);
    ring[pos].index = UNDO_EMPTY;
    CheckForChangeCanUndoOrRedo();
  });
}

void KivEffect::CheckForChangeCanUndoOrRedo() {
  const UndoEntry* ring = m_Undo[m_nActiveLetter];
  const int pos = m_nUndoPos[m_nActiveLetter];
  const bool canUndo = ring[Wrap(pos - 1)].index != UNDO_EMPTY;
  const bool canRedo = ring[pos].index != UNDO_EMPTY;
  if (canUndo != m_bCanUndo || canRedo != m_bCanRedo) {
    m_bCanUndo = canUndo;
    m_bCanRedo = canRedo;
    if (GetKivEditor()) GetKivEditor()->UpdateUndoRedoDisplay(canUndo, canRedo);
  }
}

void KivEffect::ApplyUndoEntry(UndoEntry& entry) {
  const bool wasSuppressed = m_bSuppressUndo;
  m_bSuppressUndo = true;
  const float stored = entry.value;
  entry.value = GetAnyParameter(entry.index);
  SetParameterAutomatedChecked(entry.index, stored);
  m_bSuppressUndo = wasSuppressed;
}

void KivEffect::Undo(bool continueRun) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    CStateLock lock(*this);
    UndoEntry* ring = m_Undo[m_nActiveLetter];
    std::int32_t& pos = m_nUndoPos[m_nActiveLetter];
    // Walks back one gesture (or one plain change); bounded by the ring size.
    for (int step = 0; step < UNDO_RING_SIZE; ++step) {
      const int prev = Wrap(pos - 1);
      UndoEntry& entry = ring[prev];
      if (entry.index == UNDO_EMPTY) break;
      const bool isChange = entry.index < NO_PARAMETER_TAG;
      if (isChange) ApplyUndoEntry(entry);
      pos = prev;
      if (!(entry.index == UNDO_GESTURE_END || (isChange && continueRun))) break;
      continueRun = true;
    }
    CheckForChangeCanUndoOrRedo();
  });
}

void KivEffect::Redo(bool continueRun) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    CStateLock lock(*this);
    UndoEntry* ring = m_Undo[m_nActiveLetter];
    std::int32_t& pos = m_nUndoPos[m_nActiveLetter];
    for (int step = 0; step < UNDO_RING_SIZE; ++step) {
      UndoEntry& entry = ring[pos];
      if (entry.index == UNDO_EMPTY) break;
      const bool isChange = entry.index < NO_PARAMETER_TAG;
      if (isChange) ApplyUndoEntry(entry);
      pos = Wrap(pos + 1);
      if (!(entry.index == UNDO_GESTURE_START || (isChange && continueRun))) break;
      continueRun = true;
    }
    CheckForChangeCanUndoOrRedo();
  });
}

void KivEffect::ClearUndos() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    CStateLock lock(*this);
    m_nUndoPos[0] = m_nUndoPos[1] = 0;
    for (auto& ring : m_Undo) {
      for (UndoEntry& e : ring) e = {UNDO_EMPTY, 0.0f};
    }
    m_bCanUndo = m_bCanRedo = false;
    if (GetKivEditor()) GetKivEditor()->UpdateUndoRedoDisplay(false, false);
  });
}

bool KivEffect::beginEdit(std::int32_t index) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    {
      CStateLock lock(*this);
      if (index == PARAM_UNDO || index == PARAM_REDO) {
        m_bUndoRedoGestureOpen = true;
        if (index == PARAM_UNDO) Undo(false);
        else Redo(false);
      } else {
        StoreUndoPoint(UNDO_GESTURE_START, 0.0f);
        m_bGestureOpen = true;
      }
      RecordHostNote(NOTE_BEGIN_EDIT, index);
    }
    return audioMaster != nullptr;
  });
}

bool KivEffect::endEdit(std::int32_t index) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    {
      CStateLock lock(*this);
      if (index == PARAM_UNDO || index == PARAM_REDO) {
        m_bUndoRedoGestureOpen = false;
      } else {
        StoreUndoPoint(UNDO_GESTURE_END, 0.0f);
        m_bGestureOpen = false;
      }
      RecordHostNote(NOTE_END_EDIT, index);
    }
    return audioMaster != nullptr;
  });
}

bool KivEffect::updateDisplay() {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    CStateLock lock(*this);
    RecordHostNote(NOTE_UPDATE_DISPLAY);
    return audioMaster != nullptr;
  });
}

// ---------------------------------------------------------------------------
// A/B, refresh, programs

void KivEffect::EndStoredValues() {
  if (m_nRefreshDepth != 0) return;  // the outermost batch repairs once
  // Repairs of stored data are not edits of the user's: nothing to undo.
  const bool wasSuppressed = m_bSuppressUndo;
  m_bSuppressUndo = true;
  EnforceStoredRules();
  m_bSuppressUndo = wasSuppressed;
}

void KivEffect::SwitchABProgram() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    CStateLock lock(*this);
    UndoEntry* ring = m_Undo[m_nActiveLetter];
    std::int32_t& pos = m_nUndoPos[m_nActiveLetter];
    if (ring[Wrap(pos - 1)].index == UNDO_GESTURE_START) {  // a gesture left open
      pos = Wrap(pos - 1);
      ring[pos].index = UNDO_EMPTY;
    }
    m_nActiveLetter ^= 1;
    ++m_nRefreshDepth;
    const bool wasSuppressed = m_bSuppressUndo;
    m_bSuppressUndo = true;
    m_bSwitchingAB = true;
    ProgramRecord& program = CurrentProgram();
    // Each incoming value is applied with the outgoing one as its previous
    // value, so processing and editor see a real transition.
    for (int i = 0; i < m_nNumB; ++i) {
      const float outgoing = program.Get(i);
      const float incoming = program.Get(m_nNumA + i);
      program.Set(m_nNumA + i, outgoing);
      setParameter(i, incoming);
    }
    m_bSwitchingAB = false;
    m_bSuppressUndo = wasSuppressed;
    --m_nRefreshDepth;
    EndStoredValues();
    CheckForChangeCanUndoOrRedo();
  });
}

void KivEffect::CopyAtoB() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    CStateLock lock(*this);
    ProgramRecord& program = CurrentProgram();
    for (int i = 0; i < m_nNumB; ++i) program.Set(m_nNumA + i, program.Get(i));
    const int other = m_nActiveLetter ^ 1;
    m_nUndoPos[other] = m_nUndoPos[m_nActiveLetter];
    std::memcpy(m_Undo[other], m_Undo[m_nActiveLetter], sizeof m_Undo[other]);
  });
}

void KivEffect::RefreshAllParameters() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    CStateLock lock(*this);
    ++m_nRefreshDepth;
    ProgramRecord& program = CurrentProgram();
    for (int i = 0; i < GetNumAutomatable(); ++i) {
      const float current = program.Get(i);
      program.Set(i, m_PreviousValues.Get(i));
      SetParameterAutomatedChecked(i, current);
    }
    for (int k = 0; k < m_nPersistentCount; ++k) {
      setParameter(PERSISTENT_PARAM_BASE + k, LoadValue(m_PersistentValues[k]));
    }
    for (int k = 0; k < m_nTransientCount; ++k) setParameter(TRANSIENT_PARAM_BASE + k, LoadValue(m_TransientValues[k]));
    --m_nRefreshDepth;
    EndStoredValues();
    if (GetKivEditor()) GetKivEditor()->RequestFullRefresh();
  });
}

void RefreshAllParameters(KivEffect* effect) {
  if (effect) effect->RefreshAllParameters();
}

void KivEffect::ReloadEditor() {
  CKivEditorInterface* kivEditor = GetKivEditor();
  if (kivEditor == nullptr || !kivEditor->isOpen()) return;
  // Recorded only: the editor reloads on its own thread, so a program change
  // on the audio thread never waits for the user interface.
  kivEditor->ReloadAllControls();
  kivEditor->RedrawFrame();
}

std::int32_t KivEffect::getProgram() {
  const std::uint64_t pending = m_nPending[PENDING_PROGRAM_SLOT].load(std::memory_order_acquire);
  return pending != 0 ? static_cast<std::int32_t>(static_cast<std::uint32_t>(pending)) : curProgram.load();
}

void KivEffect::setProgram(std::int32_t program) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (program < 0 || program >= NUM_PROGRAMS) return;
    CStateLock lock(*this, CStateLock::TRY);
    if (lock.Owns()) SelectProgram(program);
    else DeferChange(PENDING_PROGRAM_SLOT, static_cast<std::uint32_t>(program));
  });
}

void KivEffect::SelectProgram(int program) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_PreviousValues.CopyFrom(CurrentProgram());
    curProgram = program;
    RefreshAllParameters();
    ClearUndos();
    ReloadEditor();
  });
}

void KivEffect::setProgramName(char* name) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (name == nullptr) return;
    CStateLock lock(*this);
    SetProgramNameOf(CurrentProgram(), name);
    updateDisplay();
    ReloadEditor();
  });
}

void KivEffect::getProgramName(char* name) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    CStateLock lock(*this);
    if (name) std::strcpy(name, CurrentProgram().name);
  });
}

bool KivEffect::getProgramNameIndexed(std::int32_t, std::int32_t index, char* text) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (text == nullptr || index < 0 || index >= NUM_PROGRAMS) return false;
    CStateLock lock(*this);
    std::strcpy(text, m_FactoryBank[index].name);
    return true;
  });
}

void KivEffect::LoadUserProgram(int k) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    CStateLock lock(*this);
    if (k < 0 || k >= m_nUserCount) return;  // only entries the bank holds
    char name[PROGRAM_NAME_FIELD];
    std::memcpy(name, m_UserBank[k].name, sizeof name);
    CurrentProgram().CopyFrom(m_UserBank[k]);
    setProgramName(name);
    RefreshAllParameters();
  });
}

void KivEffect::AdoptProgramNumber(int program) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (program < 0 || program >= NUM_PROGRAMS) return;
    CStateLock lock(*this);
    if (program == curProgram.load()) return;
    ProgramRecord& target = m_FactoryBank[program];
    for (int i = 0; i < MAX_PROGRAM_VALUES; ++i) target.Set(i, CurrentProgram().Get(i));
    curProgram = program;
    ClearUndos();
    if (GetKivEditor()) GetKivEditor()->RequestFullRefresh();
  });
}

bool KivEffect::SaveStateChunk(CKeyedChunkEncoder& encoder) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    CStateLock lock(*this);
    encoder.Clear();
    char key[64];
    for (int i = 0; i < GetNumAutomatable(); ++i) {
      std::snprintf(key, sizeof key, "%s", GetParameterKey(i));
      encoder.AddFloat(key, CurrentProgram().Get(i));
    }
    return true;
  });
}

int KivEffect::RestoreStateChunk(const void* data, std::size_t size) {
  return kiv::Guard(KIV_SIGNATURE, CHUNK_KEY_MISSING, [&] {
    CKeyedChunkDecoder decoder;
    decoder.Decode(data, size);  // an oversized chunk decodes to nothing: the first key is missing
    CStateLock lock(*this);
    // A saved state is consistent as a whole, like a program: applied as one,
    // each value clamped by setParameter, then the rules between parameters
    // are checked once.
    ++m_nRefreshDepth;
    int result = 0;
    for (int i = 0; i < GetNumAutomatable(); ++i) {
      float value = 0.0f;
      if (!decoder.FindFloat(GetParameterKey(i), &value)) {
        result = CHUNK_KEY_MISSING;
        break;
      }
      setParameter(i, value);
    }
    --m_nRefreshDepth;
    EndStoredValues();
    return result;
  });
}

// ---------------------------------------------------------------------------
// Processing helpers

void KivEffect::process(float** inputs, float** outputs, std::int32_t frames) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!HasAudioBuffers(inputs, outputs, frames)) return;
    constexpr int kMaxChannels = 16;
    const int numIn = cEffect.numInputs < kMaxChannels ? cEffect.numInputs : kMaxChannels;
    const int numOut = cEffect.numOutputs < kMaxChannels ? cEffect.numOutputs : kMaxChannels;
    float* in[kMaxChannels];
    float* out[kMaxChannels];
    float saved[kMaxChannels];
    for (std::int32_t f = 0; f < frames; ++f) {
      for (int c = 0; c < numIn; ++c) in[c] = inputs[c] + f;
      for (int c = 0; c < numOut; ++c) {
        out[c] = outputs[c] + f;
        saved[c] = outputs[c][f];
      }
      processReplacing(in, out, 1);
      for (int c = 0; c < numOut; ++c) outputs[c][f] += saved[c];
    }
  });
}

void KivEffect::FlushWithSilence() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    constexpr int kChunk = 512;
    constexpr int kMaxChannels = 8;
    float silenceIn[kMaxChannels][kChunk] = {};
    float scratchOut[kMaxChannels][kChunk];
    float* in[kMaxChannels];
    float* out[kMaxChannels];
    for (int c = 0; c < kMaxChannels; ++c) {
      in[c] = silenceIn[c];
      out[c] = scratchOut[c];
    }
    for (int done = 0; done < kFlushFrames;) {
      const int n = (kFlushFrames - done) < kChunk ? (kFlushFrames - done) : kChunk;
      for (int c = 0; c < kMaxChannels; ++c) std::fill(silenceIn[c], silenceIn[c] + n, 0.0f);
      processReplacing(in, out, n);
      done += n;
    }
  });
}

void KivEffect::UpdateDawTimeFromProcess(std::uint32_t nowTick) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    const vst::VstTimeInfo* info = getTimeInfo(vst::kVstTempoValid | vst::kVstTimeSigValid);
    double now = m_dHostTime.load(std::memory_order_relaxed);
    const float rate = getSampleRate();
    if (info != nullptr && rate > 0.0f) {
      now = info->samplePos / static_cast<double>(rate);
      m_dHostTime.store(now, std::memory_order_relaxed);
      m_bTimeValid.store(true, std::memory_order_relaxed);
    } else {
      m_bTimeValid.store(false, std::memory_order_relaxed);
    }
    m_bAudioPlaying.store(now != m_dPreviousHostTime, std::memory_order_relaxed);
    m_dPreviousHostTime = now;
    m_nLastProcessTick.store(nowTick, std::memory_order_relaxed);
    m_bHasProcessed.store(true, std::memory_order_release);
  });
}

bool KivEffect::HasProcessedAudioWithin(std::uint32_t ms, std::uint32_t now) const {
  if (!m_bHasProcessed.load(std::memory_order_acquire)) return false;
  // Signed, so a block stamped just after the caller read its clock counts as recent.
  const auto elapsed = static_cast<std::int32_t>(now - m_nLastProcessTick.load(std::memory_order_relaxed));
  return elapsed <= static_cast<std::int32_t>(ms);
}

// ---------------------------------------------------------------------------
// Idle, host, options

std::int32_t KivEffect::fxIdle() {
  return kiv::Guard(KIV_SIGNATURE, std::int32_t{0}, [&]() -> std::int32_t {
    if (IsBeingDestroyed() || m_bIdleGuard.exchange(true)) return 0;
    if (m_bAnyPending.load()) CStateLock apply(*this);  // a safety net: taking the lock applies them
    OnIdle();
    const std::uint32_t now = platform::GetTickCount();
    if (m_bOptionsEnabled && platform::TicksBetween(m_nLastOptionsIdleTime, now) >= 50) {
      m_nLastOptionsIdleTime = now;
      if (platform::TicksBetween(m_nLastOptionsReloadTime, now) >= 500) {
        m_nLastOptionsReloadTime = now;
        MaybeCheckForChangedLinkedQualitySetting();
      }
      if (!m_bAudioPlaying) m_nPlayingSince = now;
      const bool settled = !m_bAudioPlaying || platform::TicksBetween(m_nPlayingSince, now) >= 500;
      if (settled) {
        OnOptionsIdle1();
        if (m_bLatencyChanged.exchange(false) | m_bOfflineChanged.exchange(false)) ioChanged();
        if (m_bQualityChanged.exchange(false) | m_bReconfigure.load()) ApplyQualityModeSettingsOuter();
        OnOptionsIdle3();
      }
    }
    m_nLastIdleTime.store(platform::GetTickCount());
    m_bIdleGuard.store(false);
    return 1;
  });
}

void KivEffect::CallIdle(int source) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    const std::uint32_t now = platform::GetTickCount();
    const std::uint32_t limit = source == 2 ? 500u : 100u;
    // A clock that went backwards (wrapped) never blocks idle work.
    const std::uint32_t last = m_nLastIdleTime.load();
    if (now >= last && now - last < limit) return;
    m_nIdleSource.store(source);
    fxIdle();
    m_nIdleSource.store(IDLE_SOURCE_NONE);
  });
}

void KivEffect::resume() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_bInResume.exchange(true)) return;
    if (m_bOptionsEnabled) {
      MaybeCheckForChangedLinkedQualitySetting();
      int fft[3] = {m_FftConfig[0], m_FftConfig[1], m_FftConfig[2]};
      GetFftSizes(&fft[0], &fft[1], &fft[2]);
      if (std::memcmp(fft, m_FftConfig, sizeof fft) != 0 || m_bLatencyChanged.load() ||
          m_bOfflineChanged.load()) {
        std::memcpy(m_FftConfig, fft, sizeof fft);
        ApplyQualityModeSettingsOuter();
      }
      m_bIoChangeArmed.store(true);
    }
    callHost(vst::audioMasterIOChanged);
    m_bInResume.store(false);
  });
}

bool KivEffect::ioChanged() {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (!m_bIoChangeArmed.exchange(false)) return true;  // a call is already in progress
    if (HostId.load() != 3 && canHostDo("acceptIOChanges")) callHost(vst::audioMasterIOChanged);
    suspend();
    resume();
    m_bIoChangeArmed.store(true);
    return true;
  });
}

bool KivEffect::getVendorString(char* text) {
  if (text) std::strcpy(text, "Tarnwell Audio");
  return text != nullptr;
}

std::intptr_t KivEffect::vendorSpecific(std::int32_t index, std::intptr_t value, void* ptr, float opt) {
  return kiv::Guard(KIV_SIGNATURE, std::intptr_t{0}, [&]() -> std::intptr_t {
    if (index == vst::FourCC('s', 't', 'C', 'A') && value == vst::FourCC('W', 'h', 'e', 'e') && GetKivEditor()) {
      return GetKivEditor()->OnMouseWheel(opt) ? 1 : 0;
    }
    // Our own host asks for the key name of a parameter this way.
    if (index == vst::FourCC('K', 'e', 'y', 'N') && ptr != nullptr && value >= 0 && value < GetNumAutomatable()) {
      std::snprintf(static_cast<char*>(ptr), 64, "%s", GetParameterKey(static_cast<int>(value)));
      return 1;
    }
    return 0;
  });
}

void KivEffect::SetKivEditor(CKivEditorInterface* kivEditor) {
  m_pKivEditor.store(kivEditor, std::memory_order_release);
  setEditor(kivEditor);
}

int KivEffect::OutOfMemoryHandler(std::size_t) {
  const platform::EMessageAnswer answer = platform::MessageBox(
      "Out of Memory Error",
      "A memory allocation has failed.  Close some applications and click Retry, or click Cancel.",
      platform::EMessageButtons::RetryCancel, platform::EMessageIcon::Error);
  platform::SleepMs(1000);
  return answer == platform::EMessageAnswer::Retry ? 1 : 0;
}

const int* KivEffect::GetAllowableQualityRatings() { return kAllowableQualityRatings; }

int KivEffect::GetNearestAllowableQualityRating() {
  return kiv::Guard(KIV_SIGNATURE, 30, [&] {
    int best = -100000;
    for (const int* r = GetAllowableQualityRatings(); *r != -1; ++r) {
      if (std::abs(*r - m_nQualityRating) < std::abs(best - m_nQualityRating)) best = *r;
    }
    if (best == m_nQualityRating) return best;
    m_nQualityRating = 30;
    return 30;
  });
}

const char* KivEffect::GetQualityModeStringFromRating(int rating) {
  switch (rating) {
    case 10: return "Minimum";
    case 20: return "Low";
    case 30: return "Medium";
    case 40: return "High";
    default: return "UNKNOWN";
  }
}

const char* KivEffect::GetCurrentQualityModeString() {
  return GetQualityModeStringFromRating(GetNearestAllowableQualityRating());
}

void KivEffect::GetFftSizes(int* a, int* b, int* c) {
  *c = 1;
  switch (GetNearestAllowableQualityRating()) {
    case 10: *a = 2048; *b = 1024; break;
    case 20: *a = 4096; *b = 2048; break;
    case 30: *a = 8192; *b = 4096; break;
    case 40: *a = 16384; *b = 8192; break;
    default: break;
  }
}

namespace {
// Reflects an option to the host and, when asked to, remembers it.
void ReflectOption(KivEffect& effect, int paramIndex, int n, int steps, const char* key) {
  if (paramIndex >= 0) effect.SetParameterAutomatedChecked(paramIndex, n, steps);
  const int remember = effect.GetRememberOptionsParamIndex();
  if (remember >= 0 && effect.IsParameterOn(remember)) CPersistentStorage::StoreProductInt(key, n);
}
}  // namespace

void KivEffect::SetQualityRating(int q) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (q == m_nQualityRating) return;
    m_nQualityRating = q;
    ReflectOption(*this, GetQualityParamIndex(), q, 1000, "QR");
    m_bQualityChanged.store(true);
  });
}

void KivEffect::SetDitherMode(int n) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (n == 0 || n - 1 == m_nDitherMode) return;
    m_nDitherMode = n - 1;
    ReflectOption(*this, GetDitherModeParamIndex(), n, 5, "DM");
    OnDitherModeChanged();
  });
}

void KivEffect::SetBitDepth(int n) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (n == 0 || n - 1 == m_nBitDepth) return;
    m_nBitDepth = n - 1;
    ReflectOption(*this, GetBitDepthParamIndex(), n, 3, "BD");
    m_bReconfigure.store(true);
  });
}

void KivEffect::SetReportLatency(int n) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (n == 0 || (n != 1) == m_bReportLatency) return;
    m_bReportLatency = n != 1;
    ReflectOption(*this, GetReportLatencyParamIndex(), n, 3, "RL");
    m_bLatencyChanged.store(true);
  });
}

void KivEffect::SetOfflineRender(int n) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (n == 0 || (n != 1) == m_bOfflineRender) return;
    m_bOfflineRender = n != 1;
    ReflectOption(*this, GetOfflineRenderParamIndex(), n, 3, "OFR");
    m_bOfflineChanged.store(true);
  });
}

void KivEffect::SetWysiwyg(int n) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (n == 0 || (n != 1) == m_bWysiwyg) return;
    m_bWysiwyg = n != 1;
    ReflectOption(*this, GetWysiwygParamIndex(), n, 3, "WY");
    if (GetKivEditor()) GetKivEditor()->RequestFullRefresh();
  });
}

void KivEffect::MaybeCheckForChangedLinkedQualitySetting() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    const int remember = GetRememberOptionsParamIndex();
    if (remember < 0 || !IsParameterOn(remember)) return;
    std::int32_t v = 0;
    if (CPersistentStorage::QueryProductInt("QR", &v) && v != m_nQualityRating) SetQualityRating(v);
    if (CPersistentStorage::QueryProductInt("DM", &v) && v - 1 != m_nDitherMode) SetDitherMode(v);
    if (CPersistentStorage::QueryProductInt("BD", &v) && v - 1 != m_nBitDepth) SetBitDepth(v);
    if (CPersistentStorage::QueryProductInt("RL", &v) && (v != 1) != m_bReportLatency) SetReportLatency(v);
    if (CPersistentStorage::QueryProductInt("OFR", &v) && (v != 1) != m_bOfflineRender) SetOfflineRender(v);
    if (CPersistentStorage::QueryProductInt("WY", &v) && (v != 1) != m_bWysiwyg) SetWysiwyg(v);
  });
}

void KivEffect::ApplyQualityModeSettingsOuter() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_bReconfigure.store(false);
    CKivEditorInterface* kivEditor = GetKivEditor();
    if (kivEditor && kivEditor->isOpen()) {
      while (kivEditor->IsDrawing() || kivEditor->IsGestureOpen()) platform::SleepMs(1);
      kivEditor->DropCachedDrawingState();
    }
    bool expected = false;
    while (!m_bProcessingLock.compare_exchange_weak(expected, true, std::memory_order_acquire)) {
      expected = false;
      platform::SleepMs(1);
    }
    ApplyQualityModeSettings();
    m_bProcessingLock.store(false, std::memory_order_release);
    if (kivEditor && kivEditor->isOpen()) kivEditor->RequestFullRefresh();
  });
}
