// The flip editor drawn offscreen: the front face over its background, the
// back face's front dimmed to half brightness after a flip that idle
// performs, and the profiling lines. (The panel and the options page as a
// user sees them: the window test.) With SPANORA_SHOT_DIR set, the faces are
// also written there as PNGs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/Clock.h"
#include "tests/support/FakeHost.h"
#include "tests/support/Pixels.h"
#include "tests/support/TestFlipEditor.h"
#include "widener/ASpanora.h"

using namespace VSTGUI;
using testsupport::PixelAt;

namespace {

void MaybeWrite(const platform::SImage& image, const char* name) {
  const char* dir = std::getenv("SPANORA_SHOT_DIR");
  if (!dir || !*dir) return;
  std::string error;
  EXPECT_TRUE(platform::WritePng(std::string(dir) + "/" + name, image, error)) << error;
}

TEST(FlipEditorOffscreen, FrontAndBackFacesDrawAndFlipInIdle) {
  FakeHost host;
  ASpanora effect(host.Callback());
  std::string error;
  auto surface = platform::CreateOffscreenSurface(500, 440, error);
  ASSERT_TRUE(surface) << error;
  CTestFlipEditor* editor = OpenTestFlipEditor(effect, std::move(surface));
  ASSERT_NE(editor, nullptr);
  CFrame* frame = editor->getFrame();

  platform::SImage front;
  ASSERT_TRUE(frame->drawToImage(front));
  const auto slate = PixelAt(front, 5, 430);
  EXPECT_NEAR(slate[0], 51, 2);
  EXPECT_NEAR(slate[2], 77, 2);
  const auto title = PixelAt(front, 160, 15);  // the orange band, left of the title text
  EXPECT_EQ(title[0], 255);
  EXPECT_NEAR(title[1], 128, 2);
  const auto knob = PixelAt(front, CTestFlipEditor::KNOB_POS.h + 16, CTestFlipEditor::KNOB_POS.v + 8);
  EXPECT_EQ(knob[0], knob[1]);  // a grey frame of the knob strip over the slate
  EXPECT_GT(knob[0], 30);
  MaybeWrite(front, "flip_editor_front.png");

  // A click on the title flips in idle, 100 ms later.
  ClickAt(frame, 250, 25);
  platform::SleepMs(FlipEditor::FACE_CHANGE_DELAY_MS + 15);
  editor->idle();
  ASSERT_FALSE(editor->IsFrontShowing());
  platform::SImage about;
  ASSERT_TRUE(frame->drawToImage(about));
  const auto dimmed = PixelAt(about, 5, 430);  // outside the panel: the front at half brightness
  EXPECT_NEAR(dimmed[0], 51 / 2, 3);
  EXPECT_NEAR(dimmed[2], 77 / 2, 3);
  MaybeWrite(about, "flip_editor_about.png");

  // "Profiling Info" on: the next front face prints its lines top left, on
  // a half-black strip.
  effect.setParameter(TRANSIENT_PARAM_BASE, 1.0f);
  editor->AddFrontViews();
  platform::SImage profiled;
  ASSERT_TRUE(frame->drawToImage(profiled));
  const auto strip = PixelAt(profiled, 1, 16);
  EXPECT_NEAR(strip[0], 51 / 2, 3);
  EXPECT_NEAR(strip[2], 77 / 2, 3);
  editor->close();
}

}  // namespace
