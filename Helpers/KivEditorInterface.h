#pragma once
// What the effect base asks of its editor. The flip editor implements these;
// the defaults do nothing, so an effect runs the same with no editor at all.
#include <mutex>

#include "Helpers/Vst/AudioEffectX.h"

class CKivEditorInterface : public vst::AEffEditor {
 public:
  using vst::AEffEditor::AEffEditor;

  // The editor's lock: held by the audio thread while it hands analysis data
  // over and by program changes while the editor reloads.
  void Lock() { m_Lock.lock(); }
  bool TryLock() { return m_Lock.try_lock(); }
  void Unlock() { m_Lock.unlock(); }

  virtual bool WantsLastTouchedParameter() const { return false; }
  virtual void SetLastTouchedParameter(int /*index*/) {}
  virtual void UpdateParameter(int /*index*/, float /*value*/) {}
  virtual void MarkDirty() {}
  virtual void RequestFullRefresh() {}
  virtual void UpdateUndoRedoDisplay(bool /*canUndo*/, bool /*canRedo*/) {}
  virtual void ReloadAllControls() {}
  virtual void RedrawFrame() {}
  virtual bool OnMouseWheel(float /*distance*/) { return false; }
  virtual bool IsDrawing() const { return false; }
  virtual bool IsGestureOpen() const { return false; }
  virtual void DropCachedDrawingState() {}
  // Level hand-over from the audio thread (called under the lock): meter
  // positions 0..1 at the end of every block, output peak holds every 1024
  // samples.
  virtual void SetLevelMeters(float /*inputPosition*/, float /*outputPosition*/) {}
  virtual void SetOutputPeakHolds(float /*left*/, float /*right*/) {}

 private:
  std::recursive_mutex m_Lock;
};
