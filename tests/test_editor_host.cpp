// Our host opening a plug-in's editor as Linux hosts do, under a private
// Xvfb: the editor draws into the host's window, a click in it reaches the
// plug-in and comes back as an automation gesture on the host's thread, and a
// host that destroys its window before closing the editor survives.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "Helpers/Vst/AEffect.h"
#include "platform/TestInput.h"
#include "tests/support/EditorUnderXvfb.h"
#include "tools/vsthost/EditorHost.h"
#include "tools/vsthost/VstHost.h"

namespace {

using vsthost::CEditorHost;
using vsthost::CVstHost;
using vsthost::SHostEvent;
using testsupport::Rgb;

struct SEditorReport {
  int opens = 0;
  int destroyedEvents = 0;
  int alive = 0;
};

SEditorReport AskEditor(CVstHost& host) {
  char text[256] = {};
  host.Dispatch(vst::effVendorSpecific, vst::FourCC('E', 'd', 't', 'r'), 0, text);
  SEditorReport report;
  std::istringstream(text) >> report.opens >> report.destroyedEvents >> report.alive;
  return report;
}

class EditorHost : public testsupport::XvfbTest {
 protected:
  void SetUp() override {
    XvfbTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(m_host.Load(GL_EDITOR_PLUGIN_PATH)) << m_host.GetError();
    m_host.Open();
  }

  // Idles the editor until the host's window shows the colour at (x, y).
  Rgb ShownAfterIdle(CEditorHost& editor, int x, int y, const Rgb& expected) {
    return WaitForPixel(editor.GetWindowId(), x, y, expected, [&] { editor.Idle(); });
  }

  CVstHost m_host;
};

TEST_F(EditorHost, OpensTheEditorInItsWindowAndAClickBecomesAnAutomationGesture) {
  CEditorHost editor(m_host);
  ASSERT_TRUE(editor.Open()) << editor.GetError();
  EXPECT_TRUE(editor.Open());  // already open: nothing new
  EXPECT_EQ(AskEditor(m_host).opens, 1);
  EXPECT_EQ(editor.GetWidth(), 160);
  EXPECT_EQ(editor.GetHeight(), 120);
  const auto children = m_pInput->Children(editor.GetWindowId());
  ASSERT_EQ(children.size(), 1u);
  EXPECT_EQ(ShownAfterIdle(editor, 80, 60, Rgb{255, 0, 0}), (Rgb{255, 0, 0}));

  m_host.Host().ClearRecords();
  ASSERT_TRUE(m_pInput->Click(children[0], 20, 20));
  m_pInput->Sync();
  EXPECT_EQ(ShownAfterIdle(editor, 80, 60, Rgb{0, 255, 0}), (Rgb{0, 255, 0}));
  EXPECT_EQ(m_host.GetParameter(0), 1.0f);
  const auto events = m_host.Host().GetEvents();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].kind, SHostEvent::EKind::BeginEdit);
  EXPECT_EQ(events[1].kind, SHostEvent::EKind::Automate);
  EXPECT_EQ(events[1].value, 1.0f);
  EXPECT_EQ(events[2].kind, SHostEvent::EKind::EndEdit);

  EXPECT_TRUE(editor.IdleFor(std::chrono::milliseconds(60)));
  editor.Close();
  EXPECT_FALSE(editor.IsOpen());
  EXPECT_EQ(editor.GetWindowId(), 0u);
  editor.Close();  // twice: harmless
  editor.Idle();   // after close: nothing

  // Reopening, as hosts do on every float/dock switch.
  ASSERT_TRUE(editor.Open()) << editor.GetError();
  EXPECT_EQ(ShownAfterIdle(editor, 80, 60, Rgb{0, 255, 0}), (Rgb{0, 255, 0}));
}

TEST_F(EditorHost, AHostThatDestroysItsWindowBeforeClosingTheEditorSurvives) {
  {
    // The plug-in idles once more and sees the window go.
    CEditorHost editor(m_host);
    ASSERT_TRUE(editor.Open()) << editor.GetError();
    editor.Idle();
    editor.DestroyWindow();
    testsupport::WaitUntil([&] { return AskEditor(m_host).destroyedEvents != 0; }, [&] { editor.Idle(); });
    const SEditorReport report = AskEditor(m_host);
    EXPECT_EQ(report.destroyedEvents, 1);
    EXPECT_EQ(report.alive, 0);
    editor.Close();
  }
  {
    // effEditClose straight after the window went, with no idle between.
    CEditorHost editor(m_host);
    ASSERT_TRUE(editor.Open()) << editor.GetError();
    editor.DestroyWindow();
    editor.Close();
  }
  CEditorHost editor(m_host);
  EXPECT_TRUE(editor.Open()) << editor.GetError();
}

TEST_F(EditorHost, RefusesPluginsWithoutEditorAndHostsWithoutDisplay) {
  CVstHost plain;
  ASSERT_TRUE(plain.Load(DUMMY_PLUGIN_PATH)) << plain.GetError();
  CEditorHost noEditor(plain);
  EXPECT_FALSE(noEditor.Open());
  EXPECT_EQ(noEditor.GetError(), "the plug-in has no editor");

  CVstHost empty;
  CEditorHost nothingLoaded(empty);
  EXPECT_FALSE(nothingLoaded.Open());

  const std::string display = std::getenv("DISPLAY");
  unsetenv("DISPLAY");
  CEditorHost editor(m_host);
  EXPECT_FALSE(editor.Open());
  EXPECT_NE(editor.GetError().find("DISPLAY"), std::string::npos) << editor.GetError();
  EXPECT_FALSE(editor.IsOpen());
  setenv("DISPLAY", display.c_str(), 1);
}

}  // namespace
