#include "tests/support/TestFlipEditor.h"

#include "vstgui/CButtons.h"
#include "vstgui/CFrame.h"
#include "vstgui/CKnob.h"

using namespace VSTGUI;

CTestFlipEditor::CTestFlipEditor(vst::AudioEffect* effect, int background)
    : FlipEditor(effect, background, TITLE_RECT, BACK_TITLE_TOP) {
  SetTitle("Test Editor v1.0");
  m_nUndoBitmapIds[0] = m_nRedoBitmapIds[0] = resources::TEST_IMAGE_BUTTON;
  m_nUndoBitmapIds[1] = m_nRedoBitmapIds[1] = resources::TEST_IMAGE_BUTTON_DISABLED;
}

void CTestFlipEditor::AddFrontViewsInner() {
  ++frontBuilds;
  AddAnimKnob(KNOB_POS, resources::TEST_IMAGE_KNOB_STRIP, KNOB_TAG, 5);
  AddAnimKnob(SECOND_KNOB_POS, resources::TEST_IMAGE_KNOB_STRIP, SECOND_KNOB_TAG, 5);
  m_pABButton = AddOnOffButton(AB_POS, resources::TEST_IMAGE_BUTTON, 9999);
  m_pCopyButton = AddKickButton(COPY_POS, resources::TEST_IMAGE_BUTTON, 9999);
  // Undo and redo act through their gestures: pressing them is the edit.
  m_pUndoButton = AddKickButton(UNDO_POS, resources::TEST_IMAGE_BUTTON_DISABLED, 10001);
  m_pRedoButton = AddKickButton(REDO_POS, resources::TEST_IMAGE_BUTTON_DISABLED, 10002);
  m_pPresetBrowserButton = AddOnOffButton(BROWSER_BUTTON_POS, resources::TEST_IMAGE_BUTTON, 9999);
  m_pPrevProgramButton = AddKickButton(PREV_POS, resources::TEST_IMAGE_BUTTON, 9999);
  m_pNextProgramButton = AddKickButton(NEXT_POS, resources::TEST_IMAGE_BUTTON, 9999);
  m_pProgramNameEdit = AddTextEdit(NAME_RECT, "", 9999, kOGLFont11, kLeftText);
  AddPresetBrowser(BROWSER_RECT.left, BROWSER_RECT.top, BROWSER_RECT.right, BROWSER_RECT.bottom);
  UpdateProgramName();
}


CTestFlipEditor* OpenTestFlipEditor(KivEffect& effect, std::unique_ptr<platform::CGLSurface> surface, int background) {
  if (!resources::AddResourceTable(&resources::kTestResources)) return nullptr;
  auto* editor = new CTestFlipEditor(&effect, background);
  effect.SetKivEditor(editor);
  const CRect& size = editor->getEditorSize();
  if (!surface) surface = std::make_unique<CNullSurface>(size.width(), size.height());
  return editor->open(std::move(surface)) ? editor : nullptr;
}
