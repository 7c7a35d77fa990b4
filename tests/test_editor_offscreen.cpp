// The frame's drawing, read back from an offscreen GL surface: projection,
// the initial state, blending, attribute isolation between views, and
// drawing only when asked. (Several editors in one process: the window test.)
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>

#include "tests/support/Pixels.h"
#include "vstgui/GLState.h"

using namespace VSTGUI;
using testsupport::OpenOffscreenFrame;
using testsupport::PixelAt;

namespace {

// Fills its rectangle; optionally leaves GL state behind the way a careless
// draw would.
class FillView : public CView {
 public:
  FillView(const CRect& size, const CColor& color, bool messUp = false) : CView(size), m_color(color), m_bMessUp(messUp) {}
  void drawOGL() override {
    ++draws;
    FillRect(m_size, m_color);
    if (m_bMessUp) {
      glDisable(GL_BLEND);
      glColor4ub(255, 0, 0, 255);
      glTranslatef(40.0f, 40.0f, 0.0f);
    }
  }
  int draws = 0;

 private:
  CColor m_color;
  bool m_bMessUp;
};

TEST(EditorOffscreen, ProjectionPutsTheOriginTopLeftAndAZeroHeightGivesAViewportOfOne) {
  auto frame = OpenOffscreenFrame(64, 32);
  ASSERT_TRUE(frame) << "no offscreen GL";
  ASSERT_TRUE(frame->makeContextCurrent());
  ApplyPixelProjection(64, 0);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[3], 1);
  ApplyPixelProjection(64, 32);
  frame->restoreContext();

  frame->addView(new FillView(CRect(0, 0, 8, 4), CColor{255, 255, 255, 255}));
  platform::SImage image;
  ASSERT_TRUE(frame->drawToImage(image));
  ASSERT_EQ(image.width, 64);
  ASSERT_EQ(image.height, 32);
  EXPECT_EQ(PixelAt(image, 0, 0)[0], 255);  // the top-left pixel is the view's
  EXPECT_EQ(PixelAt(image, 7, 3)[0], 255);
  EXPECT_EQ(PixelAt(image, 8, 3)[0], 0);  // right and bottom edges are outside
  EXPECT_EQ(PixelAt(image, 7, 4)[0], 0);
  EXPECT_EQ(PixelAt(image, 63, 31)[0], 0);  // opaque black clear colour
}

TEST(EditorOffscreen, HalfTransparentPanelsBlendAndNoViewLeaksGLStateIntoTheNext) {
  auto frame = OpenOffscreenFrame(100, 100);
  ASSERT_TRUE(frame) << "no offscreen GL";
  frame->addView(new FillView(CRect(0, 0, 100, 100), CColor{200, 200, 200, 255}, true));
  frame->addView(new FillView(CRect(10, 10, 30, 30), CColor{0, 0, 255, 128}));
  platform::SImage image;
  ASSERT_TRUE(frame->drawToImage(image));
  const auto panel = PixelAt(image, 20, 20);
  EXPECT_NEAR(panel[0], 100, 2);  // 200 * (1 - 128/255), blending still on
  EXPECT_NEAR(panel[2], 228, 2);
  EXPECT_EQ(PixelAt(image, 55, 55)[0], 200);  // not moved by the first view's translation
}

TEST(EditorOffscreen, DrawsOnlyWhenAViewOrTheFrameAskedForIt) {
  auto frame = OpenOffscreenFrame(32, 32);
  ASSERT_TRUE(frame) << "no offscreen GL";
  auto* view = new FillView(CRect(0, 0, 10, 10), CColor{255, 0, 0, 255});
  frame->addView(view);
  frame->drawOGL();
  EXPECT_EQ(view->draws, 1);
  frame->drawOGL();
  frame->idle();
  EXPECT_EQ(view->draws, 1);
  view->setDirty();
  frame->drawOGL();
  EXPECT_EQ(view->draws, 2);
  frame->invalid();
  frame->drawOGL();
  EXPECT_EQ(view->draws, 3);
}

}  // namespace
