// The widener's editor in a real X window under a private Xvfb: the plug-in
// module as hosts load it, opened by our own host, driven through XTEST
// while the effect processes audio on another thread. Positions come from
// the face's layout table; outcomes are read from the host's records and
// from the screen.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "tests/support/EditorUnderXvfb.h"
#include "widener/SpanoraEditorLayout.h"
#include "widener/SpanoraGraphGeometry.h"
#include "widener/SpanoraParameters.h"

namespace {

using namespace spanora;
using testsupport::CEditorSession;
using testsupport::Rgb;

// A control's top-left in editor pixels, found by its role or its tag.
struct SPlace {
  int x = -1, y = -1;
};

SPlace Find(EFaceRole role, long tag = TAG_NONE) {
  for (const SFaceControl& row : TopStripControls())
    if (row.eRole == role && row.nTag == tag) return {row.nX, row.nY};
  for (const SFaceControl& row : FaceControls())
    if (row.eRole == role && row.nTag == tag) return {row.nX + FACE_ORIGIN_X, row.nY + FACE_ORIGIN_Y};
  ADD_FAILURE() << "no control with tag " << tag;
  return {};
}

// A spot under the back panel that the front face draws dark.
constexpr int kPanelX = 120, kPanelY = 432;

class WidenerWindow : public testsupport::XvfbTest {
 protected:
  void SetUp() override {
    XvfbTest::SetUp();
    if (HasFatalFailure()) return;
    m_pEditor = OpenSession(SPANORA_PLUGIN_PATH, true);
    ASSERT_TRUE(m_pEditor);
    ASSERT_TRUE(m_pEditor->IdleUntil([&] { return FrontShows(); })) << "the face is not on screen";
  }

  bool FrontShows() { return m_pEditor->Pixel(kPanelX, kPanelY)[0] < 100; }
  bool BackShows() {
    const Rgb rgb = m_pEditor->Pixel(kPanelX, kPanelY);
    return rgb[0] > 140 && std::abs(rgb[0] - rgb[2]) < 12;
  }
  // A click a few pixels into a control.
  void Press(const SPlace& place, int dx = 6, int dy = 6) { m_pEditor->Click(place.x + dx, place.y + dy); }
  float Param(int index) { return m_pEditor->Host().GetParameter(index); }
  static int Differing(const std::vector<Rgb>& a, const std::vector<Rgb>& b) {
    int differing = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
      differing += std::abs(a[i][0] - b[i][0]) + std::abs(a[i][1] - b[i][1]) + std::abs(a[i][2] - b[i][2]) > 24;
    return differing;
  }

  std::unique_ptr<CEditorSession> m_pEditor;
};

TEST_F(WidenerWindow, HandlesButtonsAndThePhaseKnobReachTheHostWhileAudioRuns) {
  CEditorSession& editor = *m_pEditor;
  const std::uint64_t blocksAtOpen = editor.GetBlocksProcessed();

  // The IID width handle (just outside the band) dragged to a quarter of its range.
  const spanora_graph::CHalfDisc disc(
      VSTGUI::CRect(OVERLAY_RECT.left, OVERLAY_RECT.top, OVERLAY_RECT.right, OVERLAY_RECT.bottom), RADIAL_DEPTH);
  const float width = Param(PARAM_WIDTH);
  ASSERT_GT(std::abs(width - 0.25f), 0.1f) << "the drag would change nothing";
  const float handleAngle = spanora_graph::CHalfDisc::Angle(-(width + 0.001f / spanora_graph::FULL_ANGLE));
  const spanora_graph::SPointF handle = disc.Place(handleAngle, disc.Radius(1.065f));
  const spanora_graph::SPointF target = disc.Place(spanora_graph::CHalfDisc::Angle(-0.25f), disc.Radius(0.9f));
  editor.ClearEvents();
  editor.Drag(static_cast<int>(std::lround(handle.x)), static_cast<int>(std::lround(handle.y)),
              static_cast<int>(std::lround(target.x)), static_cast<int>(std::lround(target.y)));
  EXPECT_NEAR(Param(PARAM_WIDTH), 0.25f, 0.01f);
  testsupport::ExpectOneGestureOnThisThread(editor.Events());
  // One undo step takes the whole drag back.
  Press(Find(EFaceRole::UNDO, 10001));
  EXPECT_FLOAT_EQ(Param(PARAM_WIDTH), width);

  // The two solo buttons exclude each other.
  editor.ClearEvents();
  Press(Find(EFaceRole::PLAIN, PARAM_SOLO_L), 6, 4);
  EXPECT_EQ(Param(PARAM_SOLO_L), 1.0f);
  Press(Find(EFaceRole::PLAIN, PARAM_SOLO_R), 6, 4);
  EXPECT_EQ(Param(PARAM_SOLO_R), 1.0f);
  EXPECT_EQ(Param(PARAM_SOLO_L), 0.0f);
  EXPECT_TRUE(editor.Heard(PARAM_SOLO_L, 0.0f)) << "the host did not hear Solo Left go off";

  // The phase knob, moved by the host to the middle, turned down to its end:
  // invert on, no shift.
  editor.Host().SetParameter(PARAM_SHIFT, 0.5f);
  editor.Idle();  // the knob follows on the next idle step
  const SPlace phase = Find(EFaceRole::PHASE);
  editor.Drag(phase.x + 10, phase.y + 10, phase.x + 10, phase.y + 260);
  EXPECT_EQ(Param(PARAM_INVERT), 1.0f);
  EXPECT_EQ(Param(PARAM_SHIFT), 0.0f);

  EXPECT_GT(editor.GetBlocksProcessed(), blocksAtOpen) << "the audio thread stalled";
}

// A/B, copy and undo of the flip editor base: the flip editor window test.
TEST_F(WidenerWindow, FacesDynamicsAndPresetsWhileAudioRuns) {
  CEditorSession& editor = *m_pEditor;

  // The title flips to the about page; its return button flips back.
  editor.Click((TITLE_RECT.left + TITLE_RECT.right) / 2, (TITLE_RECT.top + TITLE_RECT.bottom) / 2);
  ASSERT_TRUE(editor.IdleUntil([&] { return BackShows(); })) << "no about page";
  // Under the title image: the title line, the technology line, then the return button.
  editor.Click(320, BACK_TITLE_TOP + 3 + BACK_TITLE_BITMAP_SHIFT + 2 * 15 + 7);
  ASSERT_TRUE(editor.IdleUntil([&] { return FrontShows(); })) << "the front face did not come back";

  // Dynamics on: the face is rebuilt with the other knob images.
  const SPlace depth = Find(EFaceRole::PLAIN, PARAM_DYN_DEPTH);
  ASSERT_EQ(Param(PARAM_DYNAMICS), 0.0f);
  const std::vector<Rgb> knobOff = editor.Region(depth.x, depth.y, 28, 28);
  Press(Find(EFaceRole::PLAIN, PARAM_DYNAMICS), 6, 4);
  EXPECT_EQ(Param(PARAM_DYNAMICS), 1.0f);
  EXPECT_TRUE(editor.IdleUntil([&] { return Differing(editor.Region(depth.x, depth.y, 28, 28), knobOff) > 40; }))
      << "the Dynamics Depth knob kept its image";

  // The preset browser loads "Synth Pad 3"; the host sees its values.
  const int numA = editor.Host().GetNumParams() / 2;
  Press(Find(EFaceRole::PRESET_BROWSER));
  const SRect browser{WIDTH_GRAPH_RECT.left - 36, WIDTH_GRAPH_RECT.top - 13, WIDTH_GRAPH_RECT.right + 36,
                      BALANCE_STRIP_RECT.top - 14};
  editor.ChoosePresetAndExpectItsValues(browser.left, browser.top, browser.bottom - browser.top, 39, numA);
}

}  // namespace
