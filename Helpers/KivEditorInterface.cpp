#include "Helpers/KivEditorInterface.h"

#include "Helpers/ErrorReport.h"

int CKivEditorInterface::Slot(int index) {
  if (index >= 0 && index < NUM_RECORDED_AUTOMATABLE) return index;
  const int k = index - RECORDED_SETTINGS_BASE;
  if (k >= 0 && k < NUM_RECORDED_SETTINGS) return NUM_RECORDED_AUTOMATABLE + k;
  return -1;
}

void CKivEditorInterface::SetLastTouchedParameter(int index) {
  m_nLastTouched.store(index, std::memory_order_relaxed);
  m_bAnyPending.store(true, std::memory_order_release);
}

void CKivEditorInterface::UpdateParameter(int index, float value) {
  const int slot = Slot(index);
  if (slot < 0) return;
  m_fValues[slot].store(value, std::memory_order_relaxed);
  m_bPending[slot].store(true, std::memory_order_release);
  m_bAnyPending.store(true, std::memory_order_release);
}

void CKivEditorInterface::MarkDirty() { m_bRedraw.store(true, std::memory_order_release); }

void CKivEditorInterface::RequestFullRefresh() { m_bFullRefresh.store(true, std::memory_order_release); }

void CKivEditorInterface::UpdateUndoRedoDisplay(bool canUndo, bool canRedo) {
  m_nUndoRedo.store((canUndo ? 1 : 0) | (canRedo ? 2 : 0), std::memory_order_release);
}

void CKivEditorInterface::ReloadAllControls() { m_bReload.store(true, std::memory_order_release); }

void CKivEditorInterface::RedrawFrame() { m_bRedraw.store(true, std::memory_order_release); }

bool CKivEditorInterface::OnMouseWheel(float distance) {
  if (!isOpen()) return false;
  m_fWheel.fetch_add(distance, std::memory_order_relaxed);
  m_bWheelPending.store(true, std::memory_order_release);
  return true;
}

void CKivEditorInterface::DropCachedDrawingState() { m_bDropCached.store(true, std::memory_order_release); }

void CKivEditorInterface::SetLevelMeters(float inputPosition, float outputPosition) {
  m_fInputMeter.store(inputPosition, std::memory_order_relaxed);
  m_fOutputMeter.store(outputPosition, std::memory_order_relaxed);
}

void CKivEditorInterface::SetOutputPeakHolds(float left, float right) {
  m_fHoldLeft.store(left, std::memory_order_relaxed);
  m_fHoldRight.store(right, std::memory_order_relaxed);
  m_bHoldsPending.store(true, std::memory_order_release);
}

void CKivEditorInterface::GetLevelMeters(float& input, float& output) const {
  input = m_fInputMeter.load(std::memory_order_relaxed);
  output = m_fOutputMeter.load(std::memory_order_relaxed);
}

bool CKivEditorInterface::TakeOutputPeakHolds(float& left, float& right) {
  if (!m_bHoldsPending.exchange(false, std::memory_order_acquire)) return false;
  left = m_fHoldLeft.load(std::memory_order_relaxed);
  right = m_fHoldRight.load(std::memory_order_relaxed);
  return true;
}

void CKivEditorInterface::ApplyRecordedCalls() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_bReload.exchange(false, std::memory_order_acquire)) OnReloadAllControls();
    if (m_bFullRefresh.exchange(false, std::memory_order_acquire)) OnFullRefresh();
    if (m_bAnyPending.exchange(false, std::memory_order_acquire)) {
      for (int slot = 0; slot < NUM_SLOTS; ++slot) {
        if (!m_bPending[slot].load(std::memory_order_relaxed)) continue;
        if (!m_bPending[slot].exchange(false, std::memory_order_acquire)) continue;
        const int index = slot < NUM_RECORDED_AUTOMATABLE ? slot : slot - NUM_RECORDED_AUTOMATABLE + RECORDED_SETTINGS_BASE;
        OnParameterChanged(index, m_fValues[slot].load(std::memory_order_relaxed));
      }
      const int touched = m_nLastTouched.exchange(-1, std::memory_order_relaxed);
      if (touched >= 0) OnLastTouchedParameter(touched);
    }
    const int undoRedo = m_nUndoRedo.exchange(-1, std::memory_order_acquire);
    if (undoRedo >= 0) OnUndoRedoDisplay((undoRedo & 1) != 0, (undoRedo & 2) != 0);
    if (m_bWheelPending.exchange(false, std::memory_order_acquire)) OnWheel(m_fWheel.exchange(0.0f));
    if (m_bDropCached.exchange(false, std::memory_order_acquire)) OnDropCachedDrawingState();
    if (m_bRedraw.exchange(false, std::memory_order_acquire)) OnRedraw();
  });
}
