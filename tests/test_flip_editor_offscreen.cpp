// The flip editor drawn offscreen: the front face over its background, and
// the back face's dimmed front and grey panel after a flip that idle
// performs. With SPANORA_SHOT_DIR set, the three faces are also written
// there as PNGs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "Helpers/FlipEditorBackViews.h"
#include "platform/Clock.h"
#include "platform/GLSurface.h"
#include "resources/TestResources.h"
#include "tests/support/FakeHost.h"
#include "tests/support/TestFlipEditor.h"
#include "vstgui/CFrame.h"
#include "widener/ASpanora.h"

using namespace VSTGUI;

namespace {

struct Pixel {
  int r, g, b;
};

Pixel At(const platform::SImage& image, int x, int y) {
  const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) + static_cast<std::size_t>(x)) * 4;
  return {image.rgba[i], image.rgba[i + 1], image.rgba[i + 2]};
}

void MaybeWrite(const platform::SImage& image, const char* name) {
  const char* dir = std::getenv("SPANORA_SHOT_DIR");
  if (!dir || !*dir) return;
  std::string error;
  EXPECT_TRUE(platform::WritePng(std::string(dir) + "/" + name, image, error)) << error;
}

TEST(FlipEditorOffscreen, FrontAndBackFacesDrawAndFlipInIdle) {
  ASSERT_TRUE(resources::AddResourceTable(&resources::kTestResources));
  FakeHost host;
  auto effect = std::make_unique<ASpanora>(host.Callback());
  auto* editor = new CTestFlipEditor(effect.get());
  effect->SetKivEditor(editor);
  std::string error;
  auto surface = platform::CreateOffscreenSurface(500, 440, error);
  ASSERT_TRUE(surface) << error;
  ASSERT_TRUE(editor->open(std::move(surface)));
  CFrame* frame = editor->getFrame();

  platform::SImage front;
  ASSERT_TRUE(frame->drawToImage(front));
  ASSERT_EQ(front.width, 500);
  const Pixel slate = At(front, 5, 430);
  EXPECT_NEAR(slate.r, 51, 2);
  EXPECT_NEAR(slate.g, 64, 2);
  EXPECT_NEAR(slate.b, 77, 2);
  const Pixel title = At(front, 160, 15);  // the orange band, left of the title text
  EXPECT_EQ(title.r, 255);
  EXPECT_NEAR(title.g, 128, 2);
  const Pixel knob = At(front, CTestFlipEditor::KNOB_POS.h + 16, CTestFlipEditor::KNOB_POS.v + 8);
  EXPECT_EQ(knob.r, knob.g);  // a grey frame of the knob strip over the slate
  EXPECT_GT(knob.r, 30);
  MaybeWrite(front, "flip_editor_front.png");

  // A click on the title flips in idle, 100 ms later.
  ClickAt(frame, 250, 25);
  platform::SleepMs(FlipEditor::FACE_CHANGE_DELAY_MS + 15);
  editor->idle();
  ASSERT_FALSE(editor->IsFrontShowing());
  platform::SImage about;
  ASSERT_TRUE(frame->drawToImage(about));
  const Pixel dimmed = At(about, 5, 430);  // outside the panel: the front at half brightness
  EXPECT_NEAR(dimmed.r, 51 / 2, 3);
  EXPECT_NEAR(dimmed.b, 77 / 2, 3);
  const Pixel panel = At(about, 50, 400);  // inside the panel, below the text
  EXPECT_GT(panel.r, 150);
  EXPECT_NEAR(panel.r, panel.b, 6);  // grey, with a trace of the front through alpha 230
  MaybeWrite(about, "flip_editor_about.png");

  editor->GotoBackViewType(BACK_VIEW_OPTIONS);
  platform::SleepMs(FlipEditor::FACE_CHANGE_DELAY_MS + 15);
  editor->idle();
  ASSERT_EQ(editor->GetBackViewType(), BACK_VIEW_OPTIONS);
  platform::SImage options;
  ASSERT_TRUE(frame->drawToImage(options));
  // The option buttons carry the orange back colour right of the centre.
  const int rowY = CTestFlipEditor::BACK_TITLE_TOP + 3 + backviews::LINE_SPACING + 7;
  const Pixel button = At(options, 250 + backviews::OPTION_GAP + 1, rowY);
  EXPECT_GT(button.r, 200);
  EXPECT_LT(button.b, 120);
  MaybeWrite(options, "flip_editor_options.png");

  // "Profiling Info" on: the next front face prints its lines top left, on
  // a half-black strip.
  effect->setParameter(TRANSIENT_PARAM_BASE, 1.0f);
  editor->AddFrontViews();
  platform::SImage profiled;
  ASSERT_TRUE(frame->drawToImage(profiled));
  const Pixel strip = At(profiled, 1, 16);
  EXPECT_NEAR(strip.r, 51 / 2, 3);
  EXPECT_NEAR(strip.b, 77 / 2, 3);
  editor->close();
}

}  // namespace
