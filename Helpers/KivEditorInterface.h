#pragma once
// What the effect base asks of its editor, and the hand-over between them.
//
// The contract
// ------------
// The effect calls the operations of the first group below from any thread:
// the host's audio thread during automation, a host control thread, the
// effect's worker. They only RECORD: they store into atomics and raise
// flags, never touch a view, never draw, never take a lock, never allocate.
// The editor APPLIES what was recorded on its own thread (the host's
// user-interface thread) at the start of each idle step, through
// ApplyRecordedCalls, which calls the On... handlers of the second group.
// So a view is only ever touched on the user-interface thread.
//
// Ordering: a parameter's value is stored before its pending flag is raised
// (release) and read after the flag is taken (acquire), so the editor never
// applies an older value than the one recorded last. Several changes of one
// parameter between two idle steps collapse into the latest one.
//
// The editor's Lock is the one exception, kept for the analysis hand-over:
// the audio thread try-locks it (it never waits) while it feeds the analysis
// filters and the level values, and the editor holds it while it opens,
// closes or reloads, so neither side sees the other half-built.
//
// The defaults record; test doubles may override the recorders to observe
// calls directly.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "Helpers/Vst/AudioEffectX.h"

class CKivEditorInterface : public vst::AEffEditor {
 public:
  // Parameter indices that can be recorded: the automatable range and the
  // persistent and transient settings (9000 + k, 9100 + k).
  static constexpr int NUM_RECORDED_AUTOMATABLE = 3000;
  static constexpr int RECORDED_SETTINGS_BASE = 9000;
  static constexpr int NUM_RECORDED_SETTINGS = 200;

  using vst::AEffEditor::AEffEditor;

  // The editor's lock (see the contract above).
  void Lock() { m_Lock.lock(); }
  bool TryLock() { return m_Lock.try_lock(); }
  void Unlock() { m_Lock.unlock(); }

  // Safe from any thread: the audio thread asks before it feeds analysis.
  bool isOpen() const override { return m_bOpen.load(std::memory_order_acquire); }

  // ---- Recorders: any thread; they only record. ----
  virtual bool WantsLastTouchedParameter() const { return m_bWantsLastTouched.load(std::memory_order_relaxed); }
  virtual void SetLastTouchedParameter(int index);
  virtual void UpdateParameter(int index, float value);
  virtual void MarkDirty();
  virtual void RequestFullRefresh();
  virtual void UpdateUndoRedoDisplay(bool canUndo, bool canRedo);
  virtual void ReloadAllControls();
  virtual void RedrawFrame();
  // The host's wheel message (a vendor-specific call); true = taken.
  virtual bool OnMouseWheel(float distance);
  virtual bool IsDrawing() const { return m_bDrawing.load(std::memory_order_acquire); }
  virtual bool IsGestureOpen() const { return m_bGestureOpen.load(std::memory_order_acquire); }
  virtual void DropCachedDrawingState();
  // Level hand-over from the audio thread: meter positions 0..1 at the end
  // of every block, output peak holds every 1024 samples.
  virtual void SetLevelMeters(float inputPosition, float outputPosition);
  virtual void SetOutputPeakHolds(float left, float right);

 protected:
  // ---- The editor's side: its own (user-interface) thread only. ----
  // Applies everything recorded since the last call, in this order: reload,
  // full refresh, single parameters, last touched, undo/redo state, wheel,
  // drop of cached drawing state, redraw.
  void ApplyRecordedCalls();
  virtual void OnReloadAllControls() {}
  virtual void OnFullRefresh() {}
  virtual void OnParameterChanged(int /*index*/, float /*value*/) {}
  virtual void OnLastTouchedParameter(int /*index*/) {}
  virtual void OnUndoRedoDisplay(bool /*canUndo*/, bool /*canRedo*/) {}
  virtual void OnWheel(float /*distance*/) {}
  virtual void OnDropCachedDrawingState() {}
  virtual void OnRedraw() {}

  // The latest level values (meters every block, holds every 1024 samples);
  // TakeOutputPeakHolds answers false when none arrived since the last take.
  void GetLevelMeters(float& input, float& output) const;
  bool TakeOutputPeakHolds(float& left, float& right);

  void SetOpenFlag(bool open) { m_bOpen.store(open, std::memory_order_release); }
  void SetDrawingFlag(bool drawing) { m_bDrawing.store(drawing, std::memory_order_release); }
  void SetGestureFlag(bool open) { m_bGestureOpen.store(open, std::memory_order_release); }
  void SetWantsLastTouchedParameter(bool wants) { m_bWantsLastTouched.store(wants, std::memory_order_relaxed); }

 private:
  static int Slot(int index);  // -1 for indices that are not recorded

  std::recursive_mutex m_Lock;
  std::atomic<bool> m_bOpen{false};
  std::atomic<bool> m_bDrawing{false};
  std::atomic<bool> m_bGestureOpen{false};
  std::atomic<bool> m_bWantsLastTouched{false};

  static constexpr int NUM_SLOTS = NUM_RECORDED_AUTOMATABLE + NUM_RECORDED_SETTINGS;
  std::atomic<float> m_fValues[NUM_SLOTS] = {};
  std::atomic<bool> m_bPending[NUM_SLOTS] = {};
  std::atomic<bool> m_bAnyPending{false};
  std::atomic<int> m_nLastTouched{-1};
  std::atomic<bool> m_bReload{false};
  std::atomic<bool> m_bFullRefresh{false};
  std::atomic<bool> m_bRedraw{false};
  std::atomic<bool> m_bDropCached{false};
  std::atomic<int> m_nUndoRedo{-1};  // bit 0 can undo, bit 1 can redo; -1 none pending
  std::atomic<float> m_fWheel{0.0f};
  std::atomic<bool> m_bWheelPending{false};
  std::atomic<float> m_fInputMeter{0.0f};
  std::atomic<float> m_fOutputMeter{0.0f};
  std::atomic<float> m_fHoldLeft{0.0f};
  std::atomic<float> m_fHoldRight{0.0f};
  std::atomic<bool> m_bHoldsPending{false};
};
