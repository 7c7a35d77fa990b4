// A plug-in's editor in a real X window, under a private Xvfb, opened by our
// own host the way hosts open editors: a top-level window, effEditOpen with
// its id, effEditIdle on the host's thread. The mouse is driven through
// XTEST, so events take the same path a user's would. Also no display, and
// no GLX.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "tests/support/EditorUnderXvfb.h"

namespace {

using testsupport::CDisplayGuard;
using testsupport::CEditorSession;
using testsupport::Rgb;

// The demo face: a spot knob 0's pointer covers at value 0.
constexpr int kPointerLowLeftX = 37, kPointerLowLeftY = 102;  // on the 225-degree line
constexpr Rgb kFaceBackground{34, 38, 46};

class EditorWindow : public testsupport::XvfbTest {
 protected:
  std::unique_ptr<CEditorSession> OpenEditor() { return OpenSession(EDITOR_PLUGIN_PATH); }
};

TEST_F(EditorWindow, ClosesTwiceSurvivesAHostThatDestroysTheParentFirstAndOpensAgain) {
  auto editor = OpenEditor();
  ASSERT_TRUE(editor);
  const std::uint64_t window = editor->Window();
  ASSERT_EQ(Input().Children(window).size(), 1u) << "the editor made no child window, or two";
  editor->Editor().Close();
  EXPECT_TRUE(Input().Children(window).empty());
  editor->Editor().Close();
  editor->Editor().Idle();
  editor->Host().Dispatch(vst::effEditClose);  // a host that closes twice itself
  editor->Host().Dispatch(vst::effEditIdle);

  ASSERT_TRUE(editor->OpenEditor()) << editor->GetError();
  editor->Editor().DestroyWindow();
  editor->Idle(3);  // the editor hears of it and stops drawing
  editor->Editor().Close();  // must not destroy what is gone (BadWindow ends a host)
  // Straight after the window went, with no idle between.
  ASSERT_TRUE(editor->OpenEditor()) << editor->GetError();
  editor->Editor().DestroyWindow();
  editor->Editor().Close();
  // Reopened, as hosts do on every float/dock switch: it draws again.
  ASSERT_TRUE(editor->OpenEditor()) << editor->GetError();
  EXPECT_TRUE(editor->IdleUntil([&] { return editor->Pixel(3, 460) == kFaceBackground; })) << "nothing drawn";
  editor->Host().Close();  // effClose with the editor still open
}

TEST_F(EditorWindow, ThreeEditorsInOneProcessEachDrawTheirOwnState) {
  std::unique_ptr<CEditorSession> editors[3] = {OpenEditor(), OpenEditor(), OpenEditor()};
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(editors[i]);
    editors[i]->Editor().MoveWindow(i * 200, i * 100);
    editors[i]->Host().SetParameter(0, i == 1 ? 1.0f : 0.0f);
  }
  const auto allDrawn = [&] {
    for (auto& editor : editors) editor->Editor().Idle();
    for (auto& editor : editors)
      if (editor->Pixel(3, 460) != kFaceBackground) return false;
    return true;
  };
  EXPECT_TRUE(testsupport::WaitUntil(allDrawn)) << "an editor did not draw";
  for (int i = 0; i < 3; ++i) {
    const Rgb pointer = editors[i]->Pixel(kPointerLowLeftX, kPointerLowLeftY);
    if (i == 1) EXPECT_LT(pointer[0], 160) << "editor 1 shows another editor's value";
    else EXPECT_GT(pointer[0], 160) << "editor " << i << " lost its pointer";
  }
}

// With no editor the effect still processes: its output carries the signal.
void ExpectTheEffectWorksOn(CEditorSession& session) {
  float in[2][64], out[2][64] = {};
  for (int i = 0; i < 64; ++i) in[0][i] = in[1][i] = 0.5f * std::sin(0.1f * static_cast<float>(i));
  float* inputs[2] = {in[0], in[1]};
  float* outputs[2] = {out[0], out[1]};
  session.Host().ProcessReplacing(inputs, outputs, 64);
  float energy = 0.0f;
  for (int i = 0; i < 64; ++i) energy += out[0][i] * out[0][i] + out[1][i] * out[1][i];
  EXPECT_GT(energy, 0.0f);
}

// An effect working on without its editor: the no-GLX case below.
TEST(EditorWithoutDisplay, OpenAnswersZeroAndTheHostGoesOn) {
  CDisplayGuard display;
  setenv("DISPLAY", ":999", 1);  // no server there
  vsthost::CVstHost host;
  ASSERT_TRUE(host.Load(EDITOR_PLUGIN_PATH)) << host.GetError();
  host.Open();
  EXPECT_EQ(host.Dispatch(vst::effEditOpen, 0, 0, reinterpret_cast<void*>(std::uintptr_t{0x1234})), 0);
  host.Dispatch(vst::effEditIdle);
  host.Dispatch(vst::effEditClose);

  // Our host says why it opens nothing.
  unsetenv("DISPLAY");
  vsthost::CEditorHost editor(host);
  EXPECT_FALSE(editor.Open());
  EXPECT_NE(editor.GetError().find("DISPLAY"), std::string::npos) << editor.GetError();
}

// An X server without GLX: the host's window opens, the editor cannot, and
// both the demo effect and the widener go on working.
TEST(EditorWithoutGlx, OpenAnswersZeroAndTheEffectWorksOn) {
  CDisplayGuard display;
  testsupport::CXvfbServer server;
  std::string error;
  ASSERT_TRUE(server.Start(error, {"-extension", "GLX"})) << error;
  std::unique_ptr<platform::CTestInput> input = platform::CTestInput::Open(error);
  ASSERT_NE(input, nullptr) << error;
  for (const char* path : {EDITOR_PLUGIN_PATH, SPANORA_PLUGIN_PATH}) {
    SCOPED_TRACE(path);
    CEditorSession session(*input);
    ASSERT_TRUE(session.Load(path)) << session.GetError();
    EXPECT_FALSE(session.OpenEditor());
    EXPECT_EQ(session.GetError(), "the plug-in did not open its editor");
    session.Editor().Idle();
    session.Editor().Close();
    ExpectTheEffectWorksOn(session);
  }
}

}  // namespace
