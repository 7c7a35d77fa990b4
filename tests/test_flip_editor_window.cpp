// The flip editor in a real X window under a private Xvfb: a module of the
// widener effect with the tests' small flip editor, opened by our own host
// and driven through XTEST. What the editor shows is read back from the
// screen; what it does is read from the host's records.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "Helpers/FlipEditorBackViews.h"
#include "tests/support/EditorUnderXvfb.h"
#include "tests/support/TestFlipEditor.h"

namespace {

using testsupport::CEditorSession;
using testsupport::Near;
using testsupport::Rgb;

constexpr int kWidth = 500;
// A spot of plain background on the front face, under the panel on the back.
constexpr int kPlainX = 60, kPlainY = 300;
// The slate background at half brightness: the front under the back panel,
// and under the profiling lines.
constexpr Rgb kDimmed{51 / 2, 64 / 2, 77 / 2};
// The back pages, line by line from the back title (non-compact: 3 below its top).
constexpr int kBackTop = CTestFlipEditor::BACK_TITLE_TOP + 3;
constexpr int kLine = backviews::LINE_SPACING;
// About: title, technology line, return, options. Options: "Options", two option rows, return.
constexpr int kAboutReturnY = kBackTop + 2 * kLine + kLine / 2;
constexpr int kAboutOptionsY = kBackTop + 3 * kLine + kLine / 2;
constexpr int kOptionsReturnY = kBackTop + 3 * kLine + kLine / 2;

VSTGUI::CPoint Centre(const VSTGUI::CPoint& topLeft, int size = 20) {
  return VSTGUI::CPoint(topLeft.h + size / 2, topLeft.v + size / 2);
}

class FlipEditorWindow : public testsupport::XvfbTest {
 protected:
  void SetUp() override {
    XvfbTest::SetUp();
    if (HasFatalFailure()) return;
    m_pEditor = OpenSession(FLIP_EDITOR_PLUGIN_PATH);
    ASSERT_TRUE(m_pEditor);
    ASSERT_EQ(m_pEditor->Editor().GetWidth(), kWidth);
    ASSERT_TRUE(m_pEditor->IdleUntil([&] { return FrontShows(); })) << "the front face is not on screen";
  }

  bool FrontShows() { return Near(m_pEditor->Pixel(kPlainX, kPlainY), Rgb{51, 64, 77}); }
  // The grey back panel over the dimmed front.
  bool BackShows() {
    const Rgb rgb = m_pEditor->Pixel(kPlainX, kPlainY);
    return rgb[0] > 140 && std::abs(rgb[0] - rgb[2]) < 10;
  }
  // The options page's first on/off button: orange right of the centre.
  bool OptionsPageShows() {
    int orange = 0;
    const int top = kBackTop + kLine;
    for (const Rgb& rgb : m_pEditor->Region(kWidth / 2 + backviews::OPTION_GAP, top, backviews::OPTION_BUTTON_WIDTH, kLine))
      orange += Near(rgb, Rgb{255, 128, 64}, 12);
    return BackShows() && orange > backviews::OPTION_BUTTON_WIDTH * kLine / 3;
  }

  void Click(const VSTGUI::CPoint& p) { m_pEditor->Click(p.h, p.v); }

  std::unique_ptr<CEditorSession> m_pEditor;
};

TEST_F(FlipEditorWindow, TheTitleFlipsToTheBackPagesAndATypedNameRenamesTheProgram) {
  CEditorSession& editor = *m_pEditor;
  const auto clicked = std::chrono::steady_clock::now();
  editor.Click((CTestFlipEditor::TITLE_RECT.left + CTestFlipEditor::TITLE_RECT.right) / 2,
               CTestFlipEditor::TITLE_RECT.top + 10);
  ASSERT_TRUE(editor.IdleUntil([&] { return BackShows(); })) << "no about page";
  EXPECT_GE(std::chrono::steady_clock::now() - clicked, std::chrono::milliseconds(FlipEditor::FACE_CHANGE_DELAY_MS));
  EXPECT_TRUE(Near(editor.Pixel(5, 430), kDimmed)) << "the front beside the panel is not dimmed";

  editor.Click(kWidth / 2, kAboutOptionsY);  // "Options"
  ASSERT_TRUE(editor.IdleUntil([&] { return OptionsPageShows(); })) << "no options page";
  // "Profiling Info" on: the front face prints its lines top left, on a half-black strip.
  editor.Click(kWidth / 2 + backviews::OPTION_GAP + backviews::OPTION_BUTTON_WIDTH / 2, kBackTop + 2 * kLine + kLine / 2);
  editor.Click(kWidth / 2, kOptionsReturnY);  // "Click here to return to main interface"
  ASSERT_TRUE(editor.IdleUntil([&] { return FrontShows(); })) << "the front face did not come back";
  EXPECT_TRUE(editor.IdleUntil([&] { return Near(editor.Pixel(1, 16), kDimmed); })) << "no profiling lines";

  // Every flip from the front shows the about page, whose return leads back.
  editor.Click(CTestFlipEditor::TITLE_RECT.left + 5, CTestFlipEditor::TITLE_RECT.top + 5);
  ASSERT_TRUE(editor.IdleUntil([&] { return BackShows(); }));
  EXPECT_FALSE(OptionsPageShows());
  editor.Click(kWidth / 2, kAboutReturnY);
  ASSERT_TRUE(editor.IdleUntil([&] { return FrontShows(); }));

  // Typing into the name field renames the program.
  const VSTGUI::CRect& name = CTestFlipEditor::NAME_RECT;
  editor.Click((name.left + name.right) / 2, (name.top + name.bottom) / 2);
  editor.TapKey("End");
  for (int i = 0; i < 30; ++i) Input().TapKey("BackSpace");
  editor.Type("Wide Mix");
  editor.TapKey("Return");
  EXPECT_TRUE(editor.IdleUntil([&] { return editor.Host().GetProgramName() == "Wide Mix"; }))
      << "program name '" << editor.Host().GetProgramName() << "'";
}

TEST_F(FlipEditorWindow, DragUndoABCopyPresetsAndHostAutomation) {
  CEditorSession& editor = *m_pEditor;
  vsthost::CVstHost& host = editor.Host();
  const int tag = static_cast<int>(CTestFlipEditor::KNOB_TAG);
  const VSTGUI::CPoint undo = Centre(CTestFlipEditor::UNDO_POS);
  const Rgb undoDisabled = editor.Pixel(undo.h, undo.v);

  // A drag is one gesture and one undo step; the undo button lights up.
  const float before = host.GetParameter(tag);
  const VSTGUI::CPoint knob = Centre(CTestFlipEditor::KNOB_POS, 32);
  editor.ClearEvents();
  editor.Drag(knob.h, knob.v, knob.h, knob.v - 40);
  EXPECT_GT(host.GetParameter(tag), before);
  testsupport::ExpectOneGestureOnThisThread(editor.Events());
  EXPECT_TRUE(editor.IdleUntil([&] { return editor.Pixel(undo.h, undo.v) != undoDisabled; }))
      << "the undo button still shows its disabled image";
  Click(undo);
  EXPECT_FLOAT_EQ(host.GetParameter(tag), before);
  EXPECT_TRUE(editor.IdleUntil([&] { return editor.Pixel(undo.h, undo.v) == undoDisabled; }))
      << "nothing is left to undo, yet the undo button looks enabled";

  // Host automation from another thread moves the knob on screen: the strip's
  // last frame is grey 200 below the centre, where no pointer passes. (Host
  // changes are undo steps too, so this comes after the undo checks.)
  std::thread([&] { host.SetParameter(CTestFlipEditor::KNOB_TAG, 1.0f); }).join();
  const VSTGUI::CPoint knobFace(CTestFlipEditor::KNOB_POS.h + 16, CTestFlipEditor::KNOB_POS.v + 24);
  EXPECT_TRUE(editor.IdleUntil([&] { return Near(editor.Pixel(knobFace.h, knobFace.v), Rgb{200, 200, 200}); }))
      << "the knob did not follow the host";

  // A/B switches the whole set and the host hears every parameter of it.
  const int numA = host.GetNumParams() / 2;
  host.SetParameter(tag, 0.2f);
  host.SetParameter(tag + numA, 0.9f);
  editor.ClearEvents();
  Click(Centre(CTestFlipEditor::AB_POS));
  EXPECT_FLOAT_EQ(host.GetParameter(tag), 0.9f);
  EXPECT_EQ(editor.Automation().size(), static_cast<std::size_t>(host.GetNumParams()));
  // Back to A; copy makes B equal to A, one change per parameter of a set.
  Click(Centre(CTestFlipEditor::AB_POS));
  EXPECT_FLOAT_EQ(host.GetParameter(tag), 0.2f);
  editor.ClearEvents();
  Click(Centre(CTestFlipEditor::COPY_POS));
  EXPECT_EQ(editor.Automation().size(), static_cast<std::size_t>(numA));
  Click(Centre(CTestFlipEditor::AB_POS));
  EXPECT_FLOAT_EQ(host.GetParameter(tag), 0.2f);
  Click(Centre(CTestFlipEditor::AB_POS));

  // Choosing a factory preset in the browser loads it: the host sees its values.
  Click(Centre(CTestFlipEditor::BROWSER_BUTTON_POS));
  const VSTGUI::CRect& browser = CTestFlipEditor::BROWSER_RECT;
  editor.ChoosePresetAndExpectItsValues(browser.left, browser.top, browser.height(), 10, numA);
}

}  // namespace
