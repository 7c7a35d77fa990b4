// The flip editor: opening and closing, the idle loop with its deadlines,
// drawing, the two faces and the profiling lines. The slots, the bitmap
// cache and the Add... family are in FlipEditorGenericControls.cpp, the back
// pages in FlipEditorBackViews.cpp.
#include "Helpers/FlipEditor.h"

#include <cfenv>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "Helpers/DerivedControls.h"
#include "Helpers/ErrorReport.h"
#include "Helpers/KivEffect.h"
#include "platform/Clock.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CFrame.h"
#include "vstgui/COGLFonts.h"
#include "vstgui/GLState.h"

using namespace VSTGUI;

namespace {

constexpr int PROFILING_FONT = kOGLFont11;
constexpr CColor BACK_DIM_COLOUR{0, 0, 0, 128};
constexpr CColor BACK_PANEL_COLOUR{180, 180, 180, 230};
constexpr int BACK_PANEL_MARGIN = 20;
constexpr int BACK_TITLE_FONT = kOGLFont11;
// How long a rebuild waits for the effect to finish reconfiguring.
constexpr int MAX_RECONFIGURE_WAIT_MS = 1000;

// A deadline `delay` ms from now; never 0, which means "none".
std::uint32_t DeadlineIn(std::uint32_t delay) {
  const std::uint32_t deadline = platform::GetTickCount() + delay;
  return deadline == 0 ? 1 : deadline;
}

// True once `now` is at or past `deadline`, across a wrap of the counter.
bool Reached(std::uint32_t now, std::uint32_t deadline) {
  return static_cast<std::int32_t>(now - deadline) >= 0;
}

}  // namespace

// Rebuilds, opening and closing hold both locks, always the effect's
// analysis hand-over lock first and the face lock second, the order in which
// opening takes them; drawing and the small updates take the face lock alone
// and never the other under it.
class FlipEditor::CRebuildScope {
 public:
  explicit CRebuildScope(FlipEditor& editor) : m_editor(editor) {
    m_editor.Lock();
    m_editor.m_FaceLock.HoldLock();
  }
  ~CRebuildScope() {
    m_editor.m_FaceLock.ReleaseLock();
    m_editor.Unlock();
  }
  CRebuildScope(const CRebuildScope&) = delete;
  CRebuildScope& operator=(const CRebuildScope&) = delete;

 private:
  FlipEditor& m_editor;
};

FlipEditor::FlipEditor(vst::AudioEffect* effect, int backgroundBitmapId, const CRect& titleRect, int backTitleTop)
    : AEffGUIEditor(effect, CRect()), m_TitleRect(titleRect), m_nBackTitleTop(backTitleTop) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    // Controls compute with masked floating-point exceptions; start clean.
    std::feclearexcept(FE_ALL_EXCEPT);
    // The texture switch decides how bitmaps keep their pixels, so it is set
    // from the stored setting before the first bitmap (the background) exists.
    m_pBackground = nullptr;
    if (KivEffect* fx = GetEffect(); fx && fx->GetParameterClass(PERSISTENT_PARAM_BASE) == PARAM_CLASS_PERSISTENT)
      CBitmap::SetCacheTextures(fx->GetPersistentParam(PERSISTENT_PARAM_BASE) != 0.0f);
    m_pBackground = new CBitmap(nullptr, backgroundBitmapId);
    setEditorSize(CRect(0, 0, m_pBackground->getWidth(), m_pBackground->getHeight()));
    setKnobMode(2);
  });
}

FlipEditor::~FlipEditor() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    close();
    if (m_pBackground) m_pBackground->forget();
    m_pBackground = nullptr;
  });
}

KivEffect* FlipEditor::GetEffect() const { return dynamic_cast<KivEffect*>(getEffect()); }

std::uint32_t FlipEditor::GetIdleInterval() {
  const std::int32_t interval = EditorIdleInterval.load();
  return interval > 0 ? static_cast<std::uint32_t>(interval) : 10u;
}

bool FlipEditor::IsCompact() const { return m_pBackground && m_pBackground->getHeight() < COMPACT_HEIGHT; }

// ---------------------------------------------------------------------------
// Opening and closing

bool FlipEditor::open(void* parentWindow) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    m_bOpening = true;
    ApplyCacheTexturesSetting();
    const bool ok = AEffGUIEditor::open(parentWindow);
    m_bOpening = false;
    return ok;
  });
}

bool FlipEditor::open(std::unique_ptr<platform::CGLSurface> surface) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    m_bOpening = true;
    ApplyCacheTexturesSetting();
    const bool ok = AEffGUIEditor::open(std::move(surface));
    m_bOpening = false;
    return ok;
  });
}

void FlipEditor::ApplyCacheTexturesSetting() {
  KivEffect* fx = GetEffect();
  if (!fx || fx->GetParameterClass(PERSISTENT_PARAM_BASE) != PARAM_CLASS_PERSISTENT) return;
  const bool on = fx->GetPersistentParam(PERSISTENT_PARAM_BASE) != 0.0f;
  if (on == CBitmap::GetCacheTextures()) return;
  // The switch decides how a bitmap keeps its pixels, so a change made on
  // the options page takes effect here, with the images loaded anew (the
  // cache was emptied when the editor closed).
  CBitmap::SetCacheTextures(on);
  if (m_pBackground) {
    const long id = m_pBackground->getResourceId();
    m_pBackground->forget();
    m_pBackground = new CBitmap(nullptr, id);
  }
}

bool FlipEditor::OnFrameOpened(CFrame* frame) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    m_bOpening = true;
    {
      CRebuildScope hold(*this);
      frame->setBackground(m_pBackground);
    }
    OnOpen();
    NullWellKnownPointers();
    m_bIsOpen = true;
    m_nNextIdleDeadline = 0;
    AddFrontViews();
    UpdateUi();
    UpdateProgramName();
    m_bOpening = false;
    return true;
  });
}

void FlipEditor::close() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_bIsOpen = false;
    RemoveAllControls();
    CRebuildScope hold(*this);
    ReleaseBitmaps();
    AEffGUIEditor::close();
    m_nRefreshDeadline = m_nFlipDeadline = m_nNextIdleDeadline = 0;
    m_bRefreshPending = false;
    m_bPresetBrowserShown = false;
  });
}

void FlipEditor::OnFrameClosing(CFrame*) {}

void FlipEditor::ReleaseBitmaps() {
  CFrame* frame = getFrame();
  // Textures belong to the frame's context: release them with it current.
  const bool current = frame && frame->makeContextCurrent();
  for (int i = 0; i < m_nGenericBitmapsAdded; ++i) {
    if (!m_pGenericBitmaps[i]) continue;
    if (current) m_pGenericBitmaps[i]->glReleaseTexture();
    m_pGenericBitmaps[i]->forget();
    m_pGenericBitmaps[i] = nullptr;
    m_nGenericBitmapIds[i] = 0;
  }
  m_nGenericBitmapsAdded = 0;
  if (current && m_pBackground) m_pBackground->glReleaseTexture();
  if (current) frame->restoreContext();
}

void FlipEditor::setKnobMode(int mode) { AEffGUIEditor::setKnobMode(m_bKnobModeOverride ? mode : 2); }

void FlipEditor::beginEdit(long index) { AEffGUIEditor::beginEdit(index); }

void FlipEditor::endEdit(long index) { AEffGUIEditor::endEdit(index); }

// ---------------------------------------------------------------------------
// Idle and drawing

void FlipEditor::idle() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bIsOpen || m_bInIdle) return;
    m_bInIdle = true;
    AEffGUIEditor::idle();  // applies what the effect recorded, then the frame's events and drawing
    MaybeCallIdleInner();
    m_bInIdle = false;
  });
}

void FlipEditor::ForceCallIdleInner() {
  m_nNextIdleDeadline = 0;
  MaybeCallIdleInner();
}

void FlipEditor::MaybeCallIdleInner() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_bInIdleInner) return;
    m_bInIdleInner = true;
    const std::uint32_t now = platform::GetTickCount();
    // A face rebuilt under an open drag would delete the dragged control and
    // cut the gesture in two: rebuilds wait for the gesture to end.
    const bool gesture = IsGestureOpen();
    if (m_nRefreshDeadline != 0 && Reached(now, m_nRefreshDeadline)) {
      m_nRefreshDeadline = 0;
      m_bRefreshPending = true;
    }
    if (m_bRefreshPending && !gesture && getFrame()) {
      m_bRefreshPending = false;
      RefreshFrontOrBack();
    }
    if (m_nFlipDeadline != 0 && Reached(now, m_nFlipDeadline) && !gesture) {
      m_nFlipDeadline = 0;
      ToggleFrontAndBack();
    }
    const std::uint32_t interval = GetIdleInterval();
    if (m_nNextIdleDeadline == 0 || Reached(now, m_nNextIdleDeadline) ||
        m_nNextIdleDeadline - now > interval) {
      IdleInner();
      // The profiling lines are live figures: they redraw at the idle
      // cadence, not only when something else changes.
      if (m_pDebugReporter && getFrame()) getFrame()->invalid();
      platform::SleepMs(1);
      m_nNextIdleDeadline = platform::GetTickCount() + interval;
      if (m_nNextIdleDeadline == 0) m_nNextIdleDeadline = 1;
    }
    m_bInIdleInner = false;

    // While the editor is open the effect's worker leaves idle work to us.
    KivEffect* fx = GetEffect();
    const std::uint32_t later = platform::GetTickCount();
    if (fx && m_bIsOpen &&
        (!m_bEffectIdled || platform::TicksBetween(m_nLastEffectIdle, later) >= EFFECT_IDLE_INTERVAL_MS)) {
      m_bEffectIdled = true;
      m_nLastEffectIdle = later;
      fx->CallIdle(EDITOR_IDLE_SOURCE);
    }
  });
}

void FlipEditor::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    CScopedLock hold(m_FaceLock);
    const std::uint32_t tick = platform::GetTickCount();
    if (m_bHaveDrawTick) {
      std::uint32_t interval = platform::TicksBetween(m_nLastDrawTick, tick);
      if (interval > 1000) interval = 1000;
      m_fAverageFrameInterval = 0.01f * static_cast<float>(interval) + 0.99f * m_fAverageFrameInterval;
    }
    m_bHaveDrawTick = true;
    m_nLastDrawTick = tick;
    if (!m_bIsOpen) return;
    if (m_bUiUpdatePending) {
      m_bUiUpdatePending = false;
      UpdateUi();
    }
    if (!m_bOpening) AEffGUIEditor::drawOGL();
  });
}

// ---------------------------------------------------------------------------
// Recorded calls from the effect, applied in idle

void FlipEditor::OnParameterChanged(int index, float value) { setParameter(index, value); }

void FlipEditor::OnFullRefresh() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bIsOpen || !getFrame()) return;
    for (int i = 0; i < m_nGenericControlsAdded; ++i) {
      CControl* control = m_pGenericControls[i];
      if (control && !control->isEditing()) {
        SetValuesFromTag(control, control->getTag(), false);
        control->setDirty();
      }
    }
    UpdateABControls();
    UpdateUndoRedoControls();
    UpdateProgramName();
    m_bUiUpdatePending = true;
    getFrame()->invalid();
  });
}

void FlipEditor::OnReloadAllControls() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    // Held like a reload under the effect's lock: no analysis feed meets a
    // half-updated face.
    Lock();
    OnFullRefresh();
    Unlock();
  });
}

void FlipEditor::OnUndoRedoDisplay(bool, bool) { UpdateUndoRedoControls(); }

// ---------------------------------------------------------------------------
// Faces

void FlipEditor::WaitForEffectReconfiguration() {
  KivEffect* fx = GetEffect();
  for (int waited = 0; fx && fx->IsProcessingLocked() && waited < MAX_RECONFIGURE_WAIT_MS; ++waited)
    platform::SleepMs(1);
}

CFrame* FlipEditor::BeginFaceRebuild() {
  CFrame* frame = getFrame();
  if (!frame) {
    m_bRefreshPending = true;  // built when a frame exists
    return nullptr;
  }
  WaitForEffectReconfiguration();
  m_bRebuilding = true;
  return frame;
}

int FlipEditor::ReplaceWithFrontControls(CFrame* frame) {
  RemoveAllControls();
  frame->setBackground(m_pBackground);
  const int first = frame->getNbViews();
  AddFrontViewsInner();
  UpdateABControls();
  return first;
}

void FlipEditor::AddFrontViews() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_bFrontShowing = true;
    m_nBackViewType = BACK_VIEW_ABOUT;
    CFrame* frame = BeginFaceRebuild();
    if (!frame) return;
    if (m_bIsOpen) {
      CRebuildScope hold(*this);
      ReplaceWithFrontControls(frame);
    }
    // The flip button lives in the frame only: no parameter reaches it.
    m_pFlipButton = new CInvisibleButton(Place(m_TitleRect), this, NO_PARAMETER_TAG);
    frame->addView(m_pFlipButton);
    KivEffect* fx = GetEffect();
    if (fx && fx->GetParameterClass(TRANSIENT_PARAM_BASE) == PARAM_CLASS_TRANSIENT &&
        fx->GetTransientParam(TRANSIENT_PARAM_BASE) != 0.0f) {
      m_pDebugReporter = new CDebugReporter(this);
      frame->addView(m_pDebugReporter);
    }
    m_bIsOpen = true;
    UpdateUndoRedoControls();
    frame->setDirty(true);
    frame->invalid();
    m_bRebuilding = false;
    idle();
  });
}

void FlipEditor::AddBackViews(int type) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_nBackViewType = type;
    m_bFrontShowing = false;
    CFrame* frame = BeginFaceRebuild();
    if (!frame) return;
    m_LayoutOrigin = CPoint();
    if (m_bIsOpen) {
      CRebuildScope hold(*this);
      // The front controls stay visible, dimmed, under the panel, but out of
      // reach of the mouse; the preset browser stays hidden.
      const int firstFrontView = ReplaceWithFrontControls(frame);
      UpdateUndoRedoControls();  // the dimmed face shows the true history too
      for (int i = firstFrontView; i < frame->getNbViews(); ++i)
        if (auto* control = dynamic_cast<CControl*>(frame->getView(i))) control->setMouseEnabled(false);
      if (m_pPresetBrowser) {
        m_pPresetBrowser->setVisible(false);
        frame->setModalView(nullptr);
      }
      m_LayoutOrigin = CPoint();

      const bool compact = IsCompact();
      const int width = frame->getWidth();
      const int height = frame->getHeight();
      const int titleTop = (compact ? 0 : m_nBackTitleTop) + 3;
      const int titleWidth = GetTextWidth(m_szTitle, BACK_TITLE_FONT);
      m_BackCursor = CRect((width - titleWidth) / 2, titleTop, (width + titleWidth) / 2, titleTop + BACK_LINE_HEIGHT);

      AddStaticRect(CRect(0, 0, width, height), BACK_DIM_COLOUR);
      const int margin = compact ? 0 : BACK_PANEL_MARGIN;
      const int panelLeft = (width - BACK_PANEL_WIDTH) / 2;
      AddStaticRect(CRect(panelLeft, margin, panelLeft + BACK_PANEL_WIDTH, height - margin), BACK_PANEL_COLOUR);

      AddBackViewTypeContent();
      AddBackViewsInner();
      UpdateUi();
      frame->setDirty(true);
      frame->invalid();
    }
    m_bRebuilding = false;
  });
}

void FlipEditor::ToggleFrontAndBack() {
  if (m_bFrontShowing) AddBackViews(m_nBackViewType);
  else AddFrontViews();
}

void FlipEditor::RefreshFrontOrBack() {
  if (m_bFrontShowing) AddFrontViews();
  else AddBackViews(m_nBackViewType);
}

void FlipEditor::GotoBackViewType(int type) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_nBackViewType = type;
    if (m_bFrontShowing) m_nFlipDeadline = DeadlineIn(FACE_CHANGE_DELAY_MS);
    else m_nRefreshDeadline = DeadlineIn(FACE_CHANGE_DELAY_MS);
  });
}

void FlipEditor::RequestFlip() { m_nFlipDeadline = DeadlineIn(FACE_CHANGE_DELAY_MS); }

void FlipEditor::NullWellKnownPointers() {
  m_pFlipButton = nullptr;
  m_pDebugReporter = nullptr;
  m_pABButton = m_pCopyButton = m_pUndoButton = m_pRedoButton = nullptr;
  m_pPrevProgramButton = m_pNextProgramButton = nullptr;
  m_pProgramNameEdit = nullptr;
  m_pPresetBrowser = nullptr;
  m_pPresetBrowserButton = nullptr;
  for (CTextButton*& button : m_pBackButtons) button = nullptr;
  NullControlPointers();
}

void FlipEditor::RemoveAllControls() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_LayoutOrigin = CPoint();
    NullWellKnownPointers();
    CRebuildScope hold(*this);  // the analysis hand-over must not meet views going away
    NullWellKnownPointers();
    for (CControl*& control : m_pGenericControls) control = nullptr;
    m_nGenericControlsAdded = 0;
    if (CFrame* frame = getFrame()) {
      frame->setModalView(nullptr);
      frame->setFocusView(nullptr);
      const bool current = frame->makeContextCurrent();
      frame->removeAll(true);
      if (current) frame->restoreContext();
    }
  });
}

void FlipEditor::UpdateABControls() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    KivEffect* fx = GetEffect();
    if (!m_pABButton || !fx) return;
    m_pABButton->setValue(fx->GetActiveLetter() == 1 ? 1.0f : 0.0f);
    m_pABButton->setDirty();
  });
}

void FlipEditor::UpdateUndoRedoControls() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    CScopedLock hold(m_FaceLock);
    KivEffect* fx = GetEffect();
    if (!fx) return;
    const auto show = [&](CControl* button, const long ids[2], bool enabled) {
      if (!button || ids[0] == -1 || ids[1] == -1) return;
      CBitmap* bitmap = GetBitmap(enabled ? ids[0] : ids[1]);
      if (bitmap && button->getBackground() != bitmap) {
        button->setBackground(bitmap);
        button->setDirty();
      }
    };
    show(m_pUndoButton, m_nUndoBitmapIds, fx->CanUndo());
    show(m_pRedoButton, m_nRedoBitmapIds, fx->CanRedo());
  });
}

void FlipEditor::UpdateProgramName() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    CScopedLock hold(m_FaceLock);
    if (!m_pProgramNameEdit) return;
    char name[1024];
    std::snprintf(name, sizeof name, "ERROR");
    if (vst::AudioEffect* fx = getEffect()) fx->getProgramName(name);
    name[sizeof name - 1] = '\0';
    if (std::strcmp(m_pProgramNameEdit->getText(), name) != 0) m_pProgramNameEdit->setText(name);
  });
}

void FlipEditor::AddPresetBrowser(int left, int top, int right, int bottom) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    CFrame* frame = getFrame();
    if (!frame) return;
    m_pPresetBrowser = new CPresetBrowser(Place(CRect(left, top, right, bottom)), this);
    frame->addView(m_pPresetBrowser);
    ShowPresetBrowser(m_bPresetBrowserShown);
  });
}

void FlipEditor::ShowPresetBrowser(bool show) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_bPresetBrowserShown = show;
    if (m_pPresetBrowser) {
      m_pPresetBrowser->setVisible(show);
      if (CFrame* frame = getFrame()) {
        frame->setModalView(show ? m_pPresetBrowser : nullptr);
        frame->invalid();
      }
    }
    if (m_pPresetBrowserButton) {
      m_pPresetBrowserButton->setValue(show ? 1.0f : 0.0f);
      m_pPresetBrowserButton->setDirty();
    }
  });
}

// ---------------------------------------------------------------------------
// Profiling

void FlipEditor::glDebugPrintf(const char* format, ...) {
  char text[MAX_PROFILING_TEXT];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  kiv::Guard(KIV_SIGNATURE, [&] {
    const CRect line(m_ProfilingCursor.left, m_ProfilingCursor.top,
                     m_ProfilingCursor.left + GetTextWidth(text, PROFILING_FONT) + 4,
                     m_ProfilingCursor.top + BACK_LINE_HEIGHT);
    FillRect(line, CColor{0, 0, 0, 128});
    SetGLColor(kWhiteCColor);
    DrawTextInRect(CRect(line.left + 2, line.top, line.right, line.bottom), text, kLeftText, PROFILING_FONT);
    m_ProfilingCursor.offset(0, BACK_LINE_HEIGHT);
  });
}

FlipEditor::SProcessProfile FlipEditor::GetProcessProfile() {
  SProcessProfile profile;
  if (KivEffect* fx = GetEffect()) {
    const CProcessProfile::SFigures figures = fx->GetProcessingFigures();
    profile.averageMs = figures.averageMs;
    profile.maxMs = figures.maxMs;
    profile.blockSize = figures.lastFrames;
  }
  return profile;
}

void FlipEditor::DrawProfilingInfo() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    const float interval = m_fAverageFrameInterval > 0.0f ? m_fAverageFrameInterval : 1.0f;
    glDebugPrintf("Editor FPS = %.2f", 1000.0 / interval);
    glDebugPrintf("DrawOGL took %.2f ms", getFrame() ? getFrame()->getLastDrawMs() : 0.0);
    const SProcessProfile profile = GetProcessProfile();
    glDebugPrintf("Process: av %.2f ms, max %.2f ms", profile.averageMs, profile.maxMs);
    glDebugPrintf("Process block = %i", profile.blockSize);
    if (profile.maxMs > 0.0) glDebugPrintf("Max sample rate = %.2f kHz", profile.blockSize / profile.maxMs);
  });
}
