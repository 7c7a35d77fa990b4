// The flip editor's parameter plumbing: control slots, the bitmap cache,
// values by tag, the single listener and the Add... family.
#include <cstdio>
#include <cstring>

#include "Helpers/Assert.h"
#include "Helpers/DerivedControls.h"
#include "Helpers/ErrorReport.h"
#include "Helpers/FlipEditor.h"
#include "Helpers/KivEffect.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CButtons.h"
#include "vstgui/CFrame.h"
#include "vstgui/CKnob.h"
#include "vstgui/CSlider.h"

using namespace VSTGUI;

namespace {
constexpr float ZOOM_FACTOR = 5.0f;
constexpr std::size_t MAX_PROGRAM_NAME_TEXT = 1023;
}  // namespace

CRect FlipEditor::Place(const CRect& rect) const {
  CRect placed = rect;
  return placed.offset(m_LayoutOrigin.h, m_LayoutOrigin.v);
}

CRect FlipEditor::Place(const CPoint& point, int width, int height) const {
  return Place(CRect(point.h, point.v, point.h + width, point.v + height));
}

// ---------------------------------------------------------------------------
// Slots and bitmaps

int FlipEditor::UseGenericControlSlot() {
  return kiv::Guard(KIV_SIGNATURE, -1, [&] {
    for (int i = 0; i < m_nGenericControlsAdded; ++i)
      if (m_pGenericControls[i] == nullptr) return i;
    KIV_ASSERT(m_nGenericControlsAdded < NUM_GENERIC_CONTROLS);
    if (m_nGenericControlsAdded >= NUM_GENERIC_CONTROLS) return -1;
    return m_nGenericControlsAdded++;
  });
}

CControl* FlipEditor::GetGenericControl(int slot) const {
  return slot >= 0 && slot < m_nGenericControlsAdded ? m_pGenericControls[slot] : nullptr;
}

CControl* FlipEditor::AddControl(CControl* control, long tag, bool addToFrame) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<CControl*>(nullptr), [&]() -> CControl* {
    if (!control) return nullptr;
    CFrame* frame = getFrame();
    const int slot = UseGenericControlSlot();
    if (slot < 0 && !(addToFrame && frame)) {
      // Neither a slot nor the frame would own it.
      delete control;
      return nullptr;
    }
    // With the table full the control still works, but host changes no
    // longer reach it.
    if (slot >= 0) m_pGenericControls[slot] = control;
    if (addToFrame && frame) frame->addView(control);
    SetValuesFromTag(control, tag, false);
    control->setDirty();
    return control;
  });
}

void FlipEditor::RemoveGenericControl(CControl* control) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!control) return;
    for (int i = 0; i < m_nGenericControlsAdded; ++i)
      if (m_pGenericControls[i] == control) m_pGenericControls[i] = nullptr;
    if (CFrame* frame = getFrame(); frame && frame->isChild(control)) frame->removeView(control, true);
  });
}

void FlipEditor::SetValuesFromTag(CControl* control, long tag, bool) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!control) return;
    control->setTag(tag);
    vst::AudioEffect* effect = getEffect();
    KivEffect* fx = GetEffect();
    if (!effect || tag < 0 || tag >= NO_PARAMETER_TAG) {
      control->setValue(0.0f);
      return;
    }
    if (tag < PERSISTENT_PARAM_BASE) {
      control->setValue(control->ConvertParamToValue(effect->getParameter(static_cast<std::int32_t>(tag))));
      if (fx && tag < MAX_PROGRAM_VALUES)
        control->setDefaultValue(control->ConvertParamToValue(fx->GetDefaultProgram().values[tag]));
      return;
    }
    float value = 0.0f;
    if (fx) value = tag < TRANSIENT_PARAM_BASE ? fx->GetPersistentParam(static_cast<int>(tag))
                                               : fx->GetTransientParam(static_cast<int>(tag));
    control->setValue(control->ConvertParamToValue(value));
  });
}

CBitmap* FlipEditor::GetBitmap(long resourceId) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<CBitmap*>(nullptr), [&]() -> CBitmap* {
    if (resourceId == -1) return nullptr;
    for (int i = 0; i < m_nGenericBitmapsAdded; ++i)
      if (m_pGenericBitmaps[i] && m_nGenericBitmapIds[i] == resourceId) return m_pGenericBitmaps[i];
    KIV_ASSERT(m_nGenericBitmapsAdded < NUM_GENERIC_BITMAPS);
    if (m_nGenericBitmapsAdded >= NUM_GENERIC_BITMAPS) return nullptr;
    auto* bitmap = new CBitmap(getFrame(), resourceId);
    m_pGenericBitmaps[m_nGenericBitmapsAdded] = bitmap;
    m_nGenericBitmapIds[m_nGenericBitmapsAdded] = resourceId;
    ++m_nGenericBitmapsAdded;
    return bitmap;
  });
}

// ---------------------------------------------------------------------------
// Parameters in and out

void FlipEditor::setParameter(long index, float value) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_bIsOpen || !getFrame()) return;
    for (int i = 0; i < m_nGenericControlsAdded; ++i) {
      CControl* control = m_pGenericControls[i];
      // A control in the middle of a drag keeps what the user is doing.
      if (!control || control->getTag() != index || control->isEditing()) continue;
      control->setValue(control->ConvertParamToValue(value));
      control->setDirty();
    }
    OnParameterHook(index, value);
  });
}

void FlipEditor::valueChanged(CControl* control) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!control) return;
    const float value = control->getValue();
    vst::AudioEffect* effect = getEffect();
    KivEffect* fx = GetEffect();

    if (control == m_pFlipButton) {
      RequestFlip();  // the flip happens in idle, outside this callback
      return;
    }
    if (control == m_pABButton) {
      if (fx && (value != 0.0f) != (fx->GetActiveLetter() == 1)) {
        fx->SwitchABProgram();
        TellHostParameters(0, fx->GetNumAutomatable());  // both halves swapped
      }
      UpdateABControls();
      return;
    }
    if (control == m_pCopyButton) {
      if (fx && value != 0.0f) {
        fx->CopyAtoB();
        TellHostParameters(fx->GetNumA(), fx->GetNumB());
      }
      UpdateABControls();
      return;
    }
    if (m_pPresetBrowser && control == m_pPresetBrowserButton) {
      ShowPresetBrowser(value != 0.0f);
      return;
    }
    if (control == m_pProgramNameEdit) {
      char name[MAX_PROGRAM_NAME_TEXT + 1];
      std::snprintf(name, sizeof name, "%s", m_pProgramNameEdit->getText());
      if (effect) effect->setProgramName(name);
      return;
    }
    if (control == m_pPrevProgramButton || control == m_pNextProgramButton) {
      if (value == 0.0f || !effect) return;
      const std::int32_t count = effect->getAeffect()->numPrograms;
      if (count <= 0) return;
      const std::int32_t step = control == m_pNextProgramButton ? 1 : count - 1;
      effect->setProgram((effect->getProgram() + step) % count);
      if (auto* fxx = dynamic_cast<vst::AudioEffectX*>(effect)) fxx->updateDisplay();
      return;
    }
    for (CTextButton* button : m_pBackButtons) {
      if (button && control == button) {
        valueChangedBackControl(control);
        return;
      }
    }
    const long tag = control->getTag();
    if (tag >= 0 && tag < NO_PARAMETER_TAG && effect) {
      SetInsideValueChanged(true);
      const float param = control->ConvertValueToParam(value);
      if (fx) fx->SetParameterAutomatedChecked(static_cast<int>(tag), param);
      else effect->setParameterAutomated(static_cast<std::int32_t>(tag), param);
      m_nLastChangedTag = tag;
      SetInsideValueChanged(false);
      control->setDirty();
    }
  });
}

void FlipEditor::TellHostParameters(int first, int count) {
  vst::AudioEffect* effect = getEffect();
  if (!effect || !effect->getAudioMaster()) return;
  // Only the host's record: the effect already holds these values, so they
  // are not set again (which would record undo steps and previous values).
  for (int i = first; i < first + count; ++i)
    effect->getAudioMaster()(effect->getAeffect(), vst::audioMasterAutomate, i, 0, nullptr, effect->getParameter(i));
}

// ---------------------------------------------------------------------------
// The Add... family

CHorizontalSlider* FlipEditor::AddHorizontalSliderNoBackground(const CRect& rect, long handleBitmapId, long tag,
                                                               int minOffset, int maxOffset,
                                                               const CPoint& handleOffset) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<CHorizontalSlider*>(nullptr), [&] {
    const CRect size = Place(rect);
    CBitmap* handle = GetBitmap(handleBitmapId);
    const int handleWidth = handle ? handle->getWidth() : 0;
    const int minPos = size.left + minOffset;
    const int maxPos = minPos + (size.width() - handleWidth) + maxOffset;
    auto* slider = new CHorizontalSlider(size, this, tag, minPos, maxPos, handle, nullptr, handleOffset, kLeft);
    slider->setOffsetHandle(handleOffset);
    slider->setTransparency(true);
    slider->setZoomFactor(ZOOM_FACTOR);
    return static_cast<CHorizontalSlider*>(AddControl(slider, tag, true));
  });
}

CVerticalSlider* FlipEditor::AddVerticalSliderNoBackground(const CRect& rect, long handleBitmapId, long tag,
                                                           int minOffset, int maxOffset, const CPoint& handleOffset) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<CVerticalSlider*>(nullptr), [&] {
    const CRect size = Place(rect);
    CBitmap* handle = GetBitmap(handleBitmapId);
    const int handleHeight = handle ? handle->getHeight() : 0;
    const int minPos = size.top + minOffset;
    const int maxPos = minPos + (size.height() - handleHeight) + maxOffset;
    auto* slider = new CVerticalSlider(size, this, tag, minPos, maxPos, handle, nullptr, handleOffset, kTop);
    slider->setOffsetHandle(handleOffset);
    slider->setTransparency(true);
    slider->setZoomFactor(ZOOM_FACTOR);
    return static_cast<CVerticalSlider*>(AddControl(slider, tag, true));
  });
}

COnOffButtonExtended* FlipEditor::AddOnOffButton(const CPoint& point, long bitmapId, long tag) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<COnOffButtonExtended*>(nullptr), [&] {
    CBitmap* bitmap = GetBitmap(bitmapId);
    const CRect size = Place(point, bitmap ? bitmap->getWidth() : 0, bitmap ? bitmap->getHeight() / 2 : 0);
    return static_cast<COnOffButtonExtended*>(AddControl(new COnOffButtonExtended(size, this, tag, bitmap), tag, true));
  });
}

CAnimKnob* FlipEditor::AddAnimKnob(const CPoint& point, long bitmapId, long tag, int subPixmaps) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<CAnimKnob*>(nullptr), [&] {
    CBitmap* bitmap = GetBitmap(bitmapId);
    const int frames = subPixmaps > 0 ? subPixmaps : 1;
    const int frameHeight = bitmap ? bitmap->getHeight() / frames : 0;
    const CRect size = Place(point, bitmap ? bitmap->getWidth() : 0, frameHeight);
    auto* knob = new CAnimKnob(size, this, tag, frames, frameHeight, bitmap);
    knob->setZoomFactor(ZOOM_FACTOR);
    knob->setTransparency(true);
    return static_cast<CAnimKnob*>(AddControl(knob, tag, true));
  });
}

CStaticText* FlipEditor::AddStaticText(const CRect& rect, const char* text, EOGLFont font, CHoriTxtAlign alignment) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<CStaticText*>(nullptr), [&] {
    auto* label = new CStaticText(Place(rect), this, text, font, alignment);
    return static_cast<CStaticText*>(AddControl(label, NO_PARAMETER_TAG, true));
  });
}

CTextEditExtended* FlipEditor::AddTextEdit(const CRect& rect, const char* text, long tag, EOGLFont font,
                                           CHoriTxtAlign alignment) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<CTextEditExtended*>(nullptr), [&] {
    auto* edit = new CTextEditExtended(Place(rect), this, tag, text);
    edit->setFont(font);
    edit->setHoriAlign(alignment);
    auto* added = static_cast<CTextEditExtended*>(AddControl(edit, tag, true));
    // The value came from the tag; the text given here is what shows.
    if (added && text) added->CTextEdit::setText(text);
    return added;
  });
}

CFiniteStatesButton* FlipEditor::AddFiniteStatesButton(const CPoint& point, long bitmapId, int numStates, long tag) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<CFiniteStatesButton*>(nullptr), [&] {
    CBitmap* bitmap = GetBitmap(bitmapId);
    const int states = numStates > 0 ? numStates : 1;
    const CRect size = Place(point, bitmap ? bitmap->getWidth() : 0, bitmap ? bitmap->getHeight() / states : 0);
    return static_cast<CFiniteStatesButton*>(
        AddControl(new CFiniteStatesButton(size, this, tag, states, bitmap), tag, true));
  });
}

CRadioButton* FlipEditor::AddRadioButton(const CPoint& point, long bitmapId, int numButtons, int index, long tag) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<CRadioButton*>(nullptr), [&] {
    CBitmap* bitmap = GetBitmap(bitmapId);
    const CRect size = Place(point, bitmap ? bitmap->getWidth() : 0, bitmap ? bitmap->getHeight() / 2 : 0);
    return static_cast<CRadioButton*>(
        AddControl(new CRadioButton(size, this, tag, numButtons, index, bitmap), tag, true));
  });
}

CTextButton* FlipEditor::AddTextButton(const CRect& rect, const char* text, EOGLFont font, long tag) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<CTextButton*>(nullptr), [&]() -> CTextButton* {
    CFrame* frame = getFrame();
    auto* button = new CTextButton(Place(rect), this, tag, text, font);
    // A button, not a parameter: its value is its own, not read from the tag.
    const int slot = UseGenericControlSlot();
    if (slot >= 0) m_pGenericControls[slot] = button;
    if (frame) frame->addView(button);
    else if (slot < 0) {
      delete button;
      return nullptr;
    }
    button->setTag(tag);
    button->setDirty();
    return button;
  });
}

CStaticBitmap* FlipEditor::AddStaticBitmap(const CPoint& point, long bitmapId) {
  return AddStaticBitmap(point, GetBitmap(bitmapId));
}

CStaticBitmap* FlipEditor::AddStaticBitmap(const CPoint& point, CBitmap* bitmap) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<CStaticBitmap*>(nullptr), [&] {
    const CRect size = Place(point, bitmap ? bitmap->getWidth() : 0, bitmap ? bitmap->getHeight() : 0);
    return static_cast<CStaticBitmap*>(AddControl(new CStaticBitmap(size, bitmap, this), NO_PARAMETER_TAG, true));
  });
}

CStaticRect* FlipEditor::AddStaticRect(const CRect& rect, const CColor& colour) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<CStaticRect*>(nullptr), [&] {
    return static_cast<CStaticRect*>(AddControl(new CStaticRect(Place(rect), colour, this), NO_PARAMETER_TAG, true));
  });
}

namespace {
void FillOptionMenu(COptionMenuExtended* menu, const char* const* items) {
  int count = 0;
  for (const char* const* item = items; item && *item; ++item, ++count) menu->addEntry(*item);
  if (count >= 2) menu->setMax(static_cast<float>(count - 1));
}
}  // namespace

COptionMenuExtended* FlipEditor::AddOptionMenu(const CPoint& point, const char* const* items, long bitmapId,
                                               long secondBitmapId, long tag, EOGLFont font) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<COptionMenuExtended*>(nullptr), [&] {
    CBitmap* bitmap = GetBitmap(bitmapId);
    CBitmap* second = GetBitmap(secondBitmapId);
    const CRect size = Place(point, bitmap ? bitmap->getWidth() : 0, bitmap ? bitmap->getHeight() : 0);
    auto* menu = new COptionMenuExtended(size, this, tag, bitmap, second);
    menu->setFont(font);
    FillOptionMenu(menu, items);
    return static_cast<COptionMenuExtended*>(AddControl(menu, tag, true));
  });
}

COptionMenuExtended* FlipEditor::AddOptionMenu(const CRect& rect, const char* const* items, long tag) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<COptionMenuExtended*>(nullptr), [&] {
    auto* menu = new COptionMenuExtended(Place(rect), this, tag);
    menu->setFontColor(kBlackCColor);
    menu->setBackColor(kWhiteCColor);
    FillOptionMenu(menu, items);
    return static_cast<COptionMenuExtended*>(AddControl(menu, tag, true));
  });
}

CTextDrag* FlipEditor::AddTextDrag(const CRect& rect, long tag, EOGLFont font, long bitmapId, int type) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<CTextDrag*>(nullptr), [&] {
    const auto dragType = type == kTextDragOctaveSteps ? kTextDragOctaveSteps
                          : type == kTextDragLog       ? kTextDragLog
                                                       : kTextDragLinear;
    auto* drag = new CTextDrag(Place(rect), this, tag, 0.0f, dragType, GetBitmap(bitmapId));
    drag->setFont(font);
    drag->setBackColor(m_DefaultBackColour);
    return static_cast<CTextDrag*>(AddControl(drag, tag, true));
  });
}

CKickButton* FlipEditor::AddKickButton(const CPoint& point, long bitmapId, long tag) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<CKickButton*>(nullptr), [&] {
    CBitmap* bitmap = GetBitmap(bitmapId);
    const CRect size = Place(point, bitmap ? bitmap->getWidth() : 0, bitmap ? bitmap->getHeight() / 2 : 0);
    return static_cast<CKickButton*>(AddControl(new CKickButton(size, this, tag, bitmap), tag, true));
  });
}

CInvisibleButton* FlipEditor::AddInvisibleButton(const CRect& rect, long tag) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<CInvisibleButton*>(nullptr), [&] {
    return static_cast<CInvisibleButton*>(AddControl(new CInvisibleButton(Place(rect), this, tag), tag, true));
  });
}
