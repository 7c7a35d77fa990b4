#include "widener/SpanoraEditor.h"

#include "Helpers/DerivedControls.h"
#include "Helpers/ErrorReport.h"
#include "platform/Clock.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CButtons.h"
#include "vstgui/CKnob.h"
#include "vstgui/CSlider.h"
#include "widener/ASpanora.h"
#include "widener/SpanoraBalanceGraph.h"
#include "widener/SpanoraGraph.h"
#include "widener/SpanoraGraphOverlay.h"
#include "widener/SpanoraParameters.h"

using namespace VSTGUI;
using namespace spanora;

namespace {

// Parameters whose change moves a handle or a sector of the overlay.
bool MovesOverlay(long index) {
  return index == PARAM_WIDTH || index == PARAM_WR_RESTRICT_LOW_FREQ || index == PARAM_WR_RESTRICT_HIGH_FREQ ||
         index == PARAM_SPLIT_DELAY_LPF || index == PARAM_SPLIT_DELAY_HPF || index == PARAM_SPLIT_DELAY_MIX;
}

// Tags from here on are the effect's settings, read through its getter.
constexpr long SETTINGS_BASE = 9000;

CPoint Point(const SFaceControl& row) { return CPoint(row.nX, row.nY); }
CRect ToRect(const SRect& r) { return CRect(r.left, r.top, r.right, r.bottom); }

}  // namespace

void InstallSpanoraEditor() {
  SetSpanoraEditorFactory([](ASpanora* effect) -> CKivEditorInterface* { return new SpanoraEditor(effect); });
}

SpanoraEditor::SpanoraEditor(vst::AudioEffect* effect)
    : FlipEditor(effect, BACKGROUND_BITMAP,
                 CRect(TITLE_RECT.left, TITLE_RECT.top, TITLE_RECT.right, TITLE_RECT.bottom), BACK_TITLE_TOP),
      m_pClock(&platform::GetTickCount) {
  SetTitle(TITLE);
  m_DefaultColour = kBlackCColor;
}

ASpanora* SpanoraEditor::GetSpanora() const { return dynamic_cast<ASpanora*>(GetEffect()); }

CAnimKnob* SpanoraEditor::GetReadoutValue(int kind) const {
  return kind >= 0 && kind < READOUT_KINDS ? m_pReadoutValues[kind] : nullptr;
}

// ---------------------------------------------------------------------------
// Building the face

void SpanoraEditor::OnOpen() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    // The trail adds sprites up with (GL_ONE, GL_ONE): its image must carry
    // its alpha in its colours.
    CBitmap* sprite = GetBitmap(GRAPH_SPRITE_BITMAP);
    if (sprite && sprite->isLoaded()) PremultiplyAlpha(sprite->editPixels());
  });
}

void SpanoraEditor::NullControlPointers() {
  for (auto*& knob : m_pMeterKnobs) knob = nullptr;
  for (auto*& button : m_pMeterButtons) button = nullptr;
  for (auto*& knob : m_pReadoutValues) knob = nullptr;
  m_pPhaseKnob = nullptr;
  m_pAutoLevelButton = nullptr;
  m_pReadoutLabel = nullptr;
  m_pOverlay = nullptr;
  m_pGraph = nullptr;
  m_pBalanceStrip = nullptr;
}

void SpanoraEditor::AddFrontViewsInner() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    KivEffect* fx = GetEffect();
    if (!fx) return;
    const bool analysis = fx->GetAnyParameter(PARAM_ANALYSIS) != 0.0f;
    m_fLastDynamics = fx->getParameter(PARAM_DYNAMICS);
    const bool dynamicsOn = m_fLastDynamics != 0.0f;

    SetLayoutOrigin(0, 0);
    if (analysis) AddAnalysisViews();
    for (const SFaceControl& row : TopStripControls()) AddFaceControl(row, dynamicsOn);
    UpdateProgramName();

    SetLayoutOrigin(FACE_ORIGIN_X, FACE_ORIGIN_Y);
    for (const SFaceControl& row : FaceControls()) AddFaceControl(row, dynamicsOn);

    SetLayoutOrigin(0, 0);
    m_pOverlay = new CSpanoraGraphOverlay(ToRect(OVERLAY_RECT), this, RADIAL_DEPTH);
    AddControl(m_pOverlay, TAG_NONE);

    // The preset browser lies over the display while it is shown.
    AddPresetBrowser(WIDTH_GRAPH_RECT.left - 36, WIDTH_GRAPH_RECT.top - 13, WIDTH_GRAPH_RECT.right + 36,
                     BALANCE_STRIP_RECT.top - 14);
    m_bUiUpdatePending = true;
  });
}

void SpanoraEditor::AddAnalysisViews() {
  // The graph shares the editor's sprite, premultiplied when the editor opened.
  m_pGraph = new CSpanoraGraph(ToRect(WIDTH_GRAPH_RECT), this, RADIAL_DEPTH, PIXELS_PER_POINT,
                               GetBitmap(GRAPH_SPRITE_BITMAP));
  if (ASpanora* spanora = GetSpanora()) {
    m_pGraph->SetDataStore(0, &spanora->GetAnalysis().Store(0));
    m_pGraph->SetDataStore(1, &spanora->GetAnalysis().Store(1));
  }
  AddControl(m_pGraph, TAG_NONE);
  m_pBalanceStrip = new CSpanoraBalanceGraph(ToRect(BALANCE_STRIP_RECT), this);
  AddControl(m_pBalanceStrip, TAG_NONE);
  CAnimKnob* companion = AddAnimKnob(CPoint(BALANCE_COMPANION_X, BALANCE_COMPANION_Y), BALANCE_COMPANION_BITMAP,
                                     TAG_NONE, BALANCE_COMPANION_FRAMES);
  if (companion) {
    companion->setMouseEnabled(false);
    companion->setValue(0.5f);
    m_pBalanceStrip->SetCompanion(companion);
  }
}

void SpanoraEditor::AddFaceControl(const SFaceControl& row, bool dynamicsOn) {
  // Only the Dynamics knobs have a second image among the plain controls.
  const bool dynamicsImage = row.eRole == EFaceRole::PLAIN && row.nBitmapAlt >= 0;
  const long bitmap = dynamicsImage && dynamicsOn ? row.nBitmapAlt : row.nBitmap;
  CControl* control = nullptr;
  switch (row.eKind) {
    case EFaceControl::STATIC_BITMAP: control = AddStaticBitmap(Point(row), bitmap); break;
    case EFaceControl::ON_OFF: control = AddOnOffButton(Point(row), bitmap, row.nTag); break;
    case EFaceControl::KICK: control = AddKickButton(Point(row), bitmap, row.nTag); break;
    case EFaceControl::KNOB: control = AddAnimKnob(Point(row), bitmap, row.nTag, row.nFrames); break;
    case EFaceControl::STATES: control = AddFiniteStatesButton(Point(row), bitmap, row.nFrames, row.nTag); break;
    case EFaceControl::SLIDER:
      control = AddHorizontalSliderNoBackground(CRect(row.nX, row.nY, row.nRight, row.nBottom), bitmap, row.nTag, 0,
                                                0, CPoint(0, 0));
      break;
    case EFaceControl::TEXT_EDIT:
      control = AddTextEdit(CRect(row.nX, row.nY, row.nRight, row.nBottom), "", row.nTag, kOGLFont11, kLeftText);
      break;
  }
  if (!control) return;

  switch (row.eRole) {
    case EFaceRole::PLAIN: break;
    case EFaceRole::AB_SWITCH: m_pABButton = control; break;
    case EFaceRole::COPY_A_TO_B: m_pCopyButton = control; break;
    case EFaceRole::UNDO:
      m_pUndoButton = control;
      m_nUndoBitmapIds[0] = row.nBitmap;
      m_nUndoBitmapIds[1] = row.nBitmapAlt;
      break;
    case EFaceRole::REDO:
      m_pRedoButton = control;
      m_nRedoBitmapIds[0] = row.nBitmap;
      m_nRedoBitmapIds[1] = row.nBitmapAlt;
      break;
    case EFaceRole::PREVIOUS_PROGRAM: m_pPrevProgramButton = control; break;
    case EFaceRole::NEXT_PROGRAM: m_pNextProgramButton = control; break;
    case EFaceRole::PRESET_BROWSER:
      m_pPresetBrowserButton = control;
      control->setValue(IsPresetBrowserShown() ? 1.0f : 0.0f);
      break;
    case EFaceRole::PROGRAM_NAME: m_pProgramNameEdit = static_cast<CTextEditExtended*>(control); break;
    case EFaceRole::INPUT_METER:
    case EFaceRole::OUTPUT_METER: {
      const int side = row.eRole == EFaceRole::OUTPUT_METER ? 1 : 0;
      m_pMeterKnobs[side] = static_cast<CAnimKnob*>(control);
      control->setMouseEnabled(false);
      // A click on a meter shows its peak in the read-out.
      const int height = control->getHeight();
      m_pMeterButtons[side] =
          AddInvisibleButton(CRect(row.nX, row.nY - 2, row.nX + METER_BUTTON_WIDTH, row.nY + height + 4), TAG_NONE);
      break;
    }
    case EFaceRole::PHASE: m_pPhaseKnob = static_cast<CAnimKnob*>(control); break;
    case EFaceRole::AUTO_LEVEL: m_pAutoLevelButton = control; break;
    case EFaceRole::READOUT_LABEL:
      m_pReadoutLabel = static_cast<CAnimKnob*>(control);
      control->setMouseEnabled(false);
      control->setVisible(false);
      break;
    case EFaceRole::READOUT_VALUE:
      if (row.nReadoutKind >= 0 && row.nReadoutKind < READOUT_KINDS)
        m_pReadoutValues[row.nReadoutKind] = static_cast<CAnimKnob*>(control);
      control->setMouseEnabled(false);
      control->setVisible(false);
      break;
  }
}

void SpanoraEditor::AddBackViewTitle() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    CBitmap* title = GetBitmap(BACK_TITLE_BITMAP);
    if (!title) return;
    const int centre = (m_BackCursor.left + m_BackCursor.right) / 2;
    AddStaticBitmap(CPoint(centre - title->getWidth() / 2, m_BackCursor.top), title);
    m_BackCursor.offset(0, BACK_TITLE_BITMAP_SHIFT);
  });
}

// ---------------------------------------------------------------------------
// Edits and parameter changes

void SpanoraEditor::valueChanged(CControl* control) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!control) return;
    KivEffect* fx = GetEffect();
    const float value = control->getValue();
    if (control == m_pPhaseKnob && fx) {
      const SPhaseSetting phase = PhaseFromKnob(value);
      SetInsideValueChanged(true);
      fx->SetParameterAutomatedChecked(PARAM_INVERT, phase.invert);
      fx->SetParameterAutomatedChecked(PARAM_SHIFT, phase.shift);
      SetInsideValueChanged(false);
      m_nLastTouchedTag = PARAM_SHIFT;
      m_bUiUpdatePending = true;
    } else if (control == m_pMeterButtons[0] || control == m_pMeterButtons[1]) {
      m_nLastTouchedTag = control == m_pMeterButtons[0] ? TAG_INPUT_PEAK : TAG_OUTPUT_PEAK;
      m_PeakHold.Clear();
      m_bUiUpdatePending = true;
    } else if (control == m_pAutoLevelButton) {
      const int state = static_cast<int>(value * (AUTO_LEVEL_STATES - 1) + 0.5f);
      ASpanora* spanora = GetSpanora();
      if (state == 1 && spanora) spanora->StartAutoLevel();
      // A click on the lit button switches the measured trim off.
      if (state == 2 && fx) fx->SetParameterAutomatedChecked(PARAM_AUTO_LEVEL, 0.0f);
      m_bUiUpdatePending = true;
    }
    FlipEditor::valueChanged(control);
    const long tag = control->getTag();
    if (tag < TAG_NONE && control != m_pPhaseKnob) {
      m_nLastTouchedTag = tag;
      m_bUiUpdatePending = true;
    }
  });
}

void SpanoraEditor::setParameter(long index, float value) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (IsEditorOpen()) {
      if (MovesOverlay(index) && m_pOverlay) m_pOverlay->setDirty();
      if (index == PARAM_DYNAMICS && value != m_fLastDynamics) {
        m_fLastDynamics = value;
        m_bRebuildPending = true;
      }
      if (index == PARAM_ANALYSIS) m_bRebuildPending = true;  // settings always count as changed
      m_bUiUpdatePending = true;
    }
    FlipEditor::setParameter(index, value);
  });
}

void SpanoraEditor::endEdit(long index) { FlipEditor::endEdit(index); }

void SpanoraEditor::UpdateABControls() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    FlipEditor::UpdateABControls();
    KivEffect* fx = GetEffect();
    if (!m_pCopyButton || !fx) return;
    CBitmap* image = GetBitmap(fx->GetActiveLetter() == 1 ? COPY_B_TO_A_BITMAP : COPY_A_TO_B_BITMAP);
    if (image && image != m_pCopyButton->getBackground()) {
      m_pCopyButton->setBackground(image);
      m_pCopyButton->setDirty();
    }
  });
}

// ---------------------------------------------------------------------------
// Display state

void SpanoraEditor::UpdateUi() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    UpdatePhaseShiftAndInvertKnob();
    UpdateAutoLevelButton();
    UpdateReadout();
  });
}

void SpanoraEditor::UpdatePhaseShiftAndInvertKnob() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    KivEffect* fx = GetEffect();
    if (!m_pPhaseKnob || !fx) return;
    const float shown = PhaseKnobValue(fx->getParameter(PARAM_INVERT), fx->getParameter(PARAM_SHIFT),
                                       m_pPhaseKnob->getValue());
    if (shown != m_pPhaseKnob->getValue()) {
      m_pPhaseKnob->setValue(shown);
      m_pPhaseKnob->setDirty();
    }
  });
}

void SpanoraEditor::UpdateAutoLevelButton() {
  ASpanora* spanora = GetSpanora();
  if (!m_pAutoLevelButton || !spanora) return;
  const bool measuring = spanora->IsAutoLevelRunning();
  const int state =
      AutoLevelState(measuring, spanora->GetAutoLevelElapsedMs(), spanora->getParameter(PARAM_AUTO_LEVEL) != 0.0f);
  const float value = static_cast<float>(state) / (AUTO_LEVEL_STATES - 1);
  if (value != m_pAutoLevelButton->getValue()) {
    m_pAutoLevelButton->setValue(value);
    m_pAutoLevelButton->setDirty();
  }
  // The countdown advances on its own.
  if (measuring) m_bUiUpdatePending = true;
}

float SpanoraEditor::ReadoutValue(const SReadoutRow& row) const {
  KivEffect* fx = GetEffect();
  if (!fx || row.nTag < 0) return 0.0f;
  const float value = row.nTag >= SETTINGS_BASE ? fx->GetAnyParameter(static_cast<int>(row.nTag))
                                                          : fx->getParameter(static_cast<std::int32_t>(row.nTag));
  switch (row.nKind) {
    case READOUT_KIND_FREQUENCY: return FrequencyReadoutValue(RangeToFrequency(value));
    case READOUT_KIND_PHASE: return m_pPhaseKnob ? m_pPhaseKnob->getValue() : 0.0f;
    default: return value;
  }
}

void SpanoraEditor::UpdateReadout() {
  if (!m_pReadoutLabel) return;
  const SReadoutRow* row = FindReadoutRow(m_nLastTouchedTag);
  const auto show = [](CControl* control, bool visible) {
    if (control && control->isVisible() != visible) {
      control->setVisible(visible);
      control->setDirty();
    }
  };
  show(m_pReadoutLabel, row != nullptr);
  if (row) {
    m_pReadoutLabel->setValue(static_cast<float>(row->nLabelFrame) / (READOUT_LABEL_FRAMES - 1));
    m_pReadoutLabel->setDirty();
  }
  // The meters keep their peak strip up while they hold a value.
  const bool peak = row && row->nKind == READOUT_KIND_NONE && m_PeakHold.IsHeld();
  for (int kind = 0; kind < READOUT_KINDS; ++kind) {
    CAnimKnob* knob = m_pReadoutValues[kind];
    if (!knob) continue;
    const bool visible = row && (row->nKind == kind || (peak && kind == READOUT_KIND_PEAK));
    show(knob, visible);
    if (visible && row->nKind == kind) {
      knob->setValue(ReadoutValue(*row));
      knob->setDirty();
    }
  }
}

void SpanoraEditor::UpdateLevelMeters(float input, float output) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_pMeterKnobs[0] || !m_pMeterKnobs[1]) return;
    if (m_nLastTouchedTag == TAG_INPUT_PEAK || m_nLastTouchedTag == TAG_OUTPUT_PEAK) {
      CAnimKnob* strip = m_pReadoutValues[READOUT_KIND_PEAK];
      m_PeakHold.Update(m_nLastTouchedTag == TAG_INPUT_PEAK ? input : output, Now());
      if (strip) {
        if (!strip->isVisible()) strip->setVisible(true);
        strip->setValue(m_PeakHold.ReadoutValue());
        strip->setDirty();
      }
    }
    const float positions[2] = {input, output};
    for (int side = 0; side < 2; ++side) {
      CAnimKnob* meter = m_pMeterKnobs[side];
      const float shown = MeterFall(meter->getValue(), positions[side]);
      if (shown != meter->getValue()) {
        meter->setValue(shown);
        meter->setDirty();
      }
    }
  });
}

void SpanoraEditor::IdleInner() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_bRebuildPending && !IsGestureOpen()) {
      m_bRebuildPending = false;
      RefreshFrontOrBack();
      return;
    }
    if (m_bUiUpdatePending) {
      m_bUiUpdatePending = false;
      UpdateUi();
    }
    float input = 0.0f, output = 0.0f;
    GetLevelMeters(input, output);
    UpdateLevelMeters(input, output);
    float left = 0.0f, right = 0.0f;
    if (TakeOutputPeakHolds(left, right) && m_pBalanceStrip) {
      m_pBalanceStrip->PushLevels(left, right);
      m_pBalanceStrip->setDirty();
    }
    // The graph reads its stores when it draws.
    if (m_pGraph) m_pGraph->setDirty();
  });
}
