#include "vstgui/AEffGUIEditor.h"

#include <atomic>

#include "Helpers/ErrorReport.h"
#include "vstgui/CControl.h"
#include "vstgui/CFrame.h"

namespace VSTGUI {

namespace {
std::atomic<int> g_nKnobMode{2};  // linear dragging
}  // namespace

AEffGUIEditor::AEffGUIEditor(vst::AudioEffect* effect, const CRect& size) : CKivEditorInterface(effect) {
  setEditorSize(size);
}

AEffGUIEditor::~AEffGUIEditor() { close(); }

void AEffGUIEditor::setEditorSize(const CRect& size) {
  m_size = size;
  m_rect.top = static_cast<std::int16_t>(size.top);
  m_rect.left = static_cast<std::int16_t>(size.left);
  m_rect.bottom = static_cast<std::int16_t>(size.bottom);
  m_rect.right = static_cast<std::int16_t>(size.right);
}

bool AEffGUIEditor::getRect(vst::ERect** rect) {
  if (rect == nullptr) return false;
  *rect = &m_rect;
  return true;
}

bool AEffGUIEditor::open(void* parentWindow) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    close();
    auto frame = std::make_unique<CFrame>(CRect(0, 0, m_size.width(), m_size.height()), parentWindow, this);
    if (!frame->open()) return false;
    m_pSystemWindow = parentWindow;
    return FinishOpen(std::move(frame));
  });
}

bool AEffGUIEditor::open(std::unique_ptr<platform::CGLSurface> surface) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    close();
    auto frame = std::make_unique<CFrame>(CRect(0, 0, m_size.width(), m_size.height()), nullptr, this);
    if (!frame->open(std::move(surface))) return false;
    return FinishOpen(std::move(frame));
  });
}

bool AEffGUIEditor::FinishOpen(std::unique_ptr<CFrame> frame) {
  Lock();
  m_pFrame = std::move(frame);
  const bool built = m_pFrame->makeContextCurrent();
  const bool ok = built && OnFrameOpened(m_pFrame.get());
  if (built) m_pFrame->restoreContext();
  if (ok) SetOpenFlag(true);
  Unlock();
  if (!ok) close();
  return ok;
}

void AEffGUIEditor::close() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    Lock();
    SetOpenFlag(false);
    std::unique_ptr<CFrame> frame = std::move(m_pFrame);
    if (frame) {
      OnFrameClosing(frame.get());
      frame->close();
    }
    m_pSystemWindow = nullptr;
    Unlock();
  });
}

void AEffGUIEditor::idle() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_pFrame || m_bInIdle) return;
    m_bInIdle = true;
    ApplyRecordedCalls();
    m_pFrame->idle();
    m_bInIdle = false;
  });
}

void AEffGUIEditor::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_pFrame) return;
    SetDrawingFlag(true);
    m_pFrame->drawOGL();
    SetDrawingFlag(false);
  });
}

bool AEffGUIEditor::onKeyDown(const CKeyCode&) { return false; }

bool AEffGUIEditor::onWheel(float) { return false; }

void AEffGUIEditor::setKnobMode(int mode) { g_nKnobMode.store(mode); }
int AEffGUIEditor::getKnobMode() { return g_nKnobMode.load(); }

void AEffGUIEditor::beginEdit(long index) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    SetGestureFlag(true);
    if (auto* fx = dynamic_cast<vst::AudioEffectX*>(m_pEffect)) fx->beginEdit(static_cast<std::int32_t>(index));
  });
}

void AEffGUIEditor::endEdit(long index) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (auto* fx = dynamic_cast<vst::AudioEffectX*>(m_pEffect)) fx->endEdit(static_cast<std::int32_t>(index));
    SetGestureFlag(false);
  });
}

void AEffGUIEditor::setParameter(long index, float value) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_pFrame) return;
    struct Update {
      long index;
      float value;
    } update{index, value};
    m_pFrame->forEachView(
        [](CView* view, void* user) {
          auto* u = static_cast<Update*>(user);
          auto* control = dynamic_cast<CControl*>(view);
          // A control in the middle of a drag keeps what the user is doing.
          if (control && control->getTag() == u->index && !control->isEditing())
            control->setValue(control->ConvertParamToValue(u->value));
        },
        &update);
  });
}

bool AEffGUIEditor::OnFrameOpened(CFrame*) { return true; }
void AEffGUIEditor::OnFrameClosing(CFrame*) {}

void AEffGUIEditor::OnParameterChanged(int index, float value) { setParameter(index, value); }

void AEffGUIEditor::OnReloadAllControls() { OnFullRefresh(); }

void AEffGUIEditor::OnFullRefresh() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_pFrame || !m_pEffect) return;
    for (std::int32_t i = 0; i < m_pEffect->getAeffect()->numParams; ++i) setParameter(i, m_pEffect->getParameter(i));
    m_pFrame->invalid();
  });
}

void AEffGUIEditor::OnRedraw() {
  if (m_pFrame) m_pFrame->invalid();
}

void AEffGUIEditor::OnWheel(float distance) { onWheel(distance); }

}  // namespace VSTGUI
