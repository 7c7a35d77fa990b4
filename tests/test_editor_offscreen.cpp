// The frame's drawing, read back from an offscreen GL surface: projection,
// the initial state, blending, attribute isolation between views, drawing
// only when asked, and several editors with their own contexts.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>

#include "platform/GLSurface.h"
#include "tools/editordemo/DemoEffect.h"
#include "vstgui/CFrame.h"
#include "vstgui/GLState.h"

using namespace VSTGUI;

namespace {

std::intptr_t SilentHost(vst::AEffect*, std::int32_t opcode, std::int32_t, std::intptr_t, void*, float) {
  return opcode == vst::audioMasterVersion ? 2400 : 0;
}

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

struct Pixel {
  int r, g, b;
};

Pixel At(const platform::SImage& image, int x, int y) {
  const std::uint8_t* p = &image.rgba[(static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) + static_cast<std::size_t>(x)) * 4];
  return {p[0], p[1], p[2]};
}

std::unique_ptr<CFrame> OpenFrame(int width, int height) {
  std::string error;
  auto surface = platform::CreateOffscreenSurface(width, height, error);
  if (!surface) return nullptr;
  auto frame = std::make_unique<CFrame>(CRect(0, 0, width, height), nullptr, nullptr);
  if (!frame->open(std::move(surface))) return nullptr;
  return frame;
}

TEST(EditorOffscreen, ProjectionPutsTheOriginTopLeftAndAZeroHeightGivesAViewportOfOne) {
  auto frame = OpenFrame(64, 32);
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
  EXPECT_EQ(At(image, 0, 0).r, 255);  // the top-left pixel is the view's
  EXPECT_EQ(At(image, 7, 3).r, 255);
  EXPECT_EQ(At(image, 8, 3).r, 0);  // right and bottom edges are outside
  EXPECT_EQ(At(image, 7, 4).r, 0);
  EXPECT_EQ(At(image, 63, 31).r, 0);  // opaque black clear colour
}

TEST(EditorOffscreen, HalfTransparentPanelsBlendAndNoViewLeaksGLStateIntoTheNext) {
  auto frame = OpenFrame(100, 100);
  ASSERT_TRUE(frame) << "no offscreen GL";
  frame->addView(new FillView(CRect(0, 0, 100, 100), CColor{200, 200, 200, 255}, true));
  frame->addView(new FillView(CRect(10, 10, 30, 30), CColor{0, 0, 255, 128}));
  platform::SImage image;
  ASSERT_TRUE(frame->drawToImage(image));
  const Pixel panel = At(image, 20, 20);
  EXPECT_NEAR(panel.r, 100, 2);  // 200 * (1 - 128/255), blending still on
  EXPECT_NEAR(panel.b, 228, 2);
  EXPECT_EQ(At(image, 55, 55).r, 200);  // not moved by the first view's translation
}

TEST(EditorOffscreen, DrawsOnlyWhenAViewOrTheFrameAskedForIt) {
  auto frame = OpenFrame(32, 32);
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

TEST(EditorOffscreen, ThreeEditorsKeepTheirOwnContextsAndCloseTwiceHarmlessly) {
  std::unique_ptr<editordemo::CDemoEffect> effects[3];
  platform::SImage images[3];
  for (int i = 0; i < 3; ++i) {
    effects[i] = std::make_unique<editordemo::CDemoEffect>(&SilentHost);
    std::string error;
    auto surface = platform::CreateOffscreenSurface(editordemo::CDemoEditor::WIDTH, editordemo::CDemoEditor::HEIGHT, error);
    ASSERT_TRUE(surface) << error;
    ASSERT_TRUE(effects[i]->GetDemoEditor()->open(std::move(surface)));
    effects[i]->setParameter(0, 0.4f * static_cast<float>(i));
  }
  for (int round = 0; round < 2; ++round)
    for (int i = 0; i < 3; ++i) {
      effects[i]->GetDemoEditor()->idle();
      ASSERT_TRUE(effects[i]->GetDemoEditor()->getFrame()->drawToImage(images[i]));
    }
  // Same face, different first knob: the three frames differ only there.
  EXPECT_NE(images[0].rgba, images[1].rgba);
  EXPECT_NE(images[1].rgba, images[2].rgba);
  for (auto& effect : effects) {
    effect->GetDemoEditor()->close();
    effect->GetDemoEditor()->close();
    effect->GetDemoEditor()->idle();
  }
}

}  // namespace
