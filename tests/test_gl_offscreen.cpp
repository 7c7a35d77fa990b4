// The offscreen GL surface: contexts stay apart, the previous context comes
// back, and sizes are checked.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "platform/GLSurface.h"
#include "tests/support/Pixels.h"

namespace {

using platform::CGLSurface;
using platform::SImage;
using testsupport::PixelAt;
using testsupport::Rgba;

std::unique_ptr<CGLSurface> MakeSurface(int width, int height) {
  std::string error;
  auto surface = platform::CreateOffscreenSurface(width, height, error);
  EXPECT_NE(surface, nullptr) << error;
  return surface;
}

// Read-back, blending and textures are checked through the frame and the
// bitmaps in test_vstgui_gl.

TEST(GLOffscreen, SurfacesKeepTheirOwnContextsAndRestoreTheOneBefore) {
  auto first = MakeSurface(8, 8);
  auto second = MakeSurface(8, 8);
  ASSERT_TRUE(first && second);

  ASSERT_TRUE(first->MakeCurrent());
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);

  // The second surface draws while the first is current and hands it back.
  ASSERT_TRUE(second->MakeCurrent());
  EXPECT_EQ(glIsTexture(texture), GL_FALSE);  // names of one context mean nothing in another
  glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  second->RestoreContext();
  EXPECT_EQ(glIsTexture(texture), GL_TRUE);  // the first context is back

  // A nested pair undoes only itself.
  ASSERT_TRUE(first->MakeCurrent());
  first->RestoreContext();
  EXPECT_EQ(glIsTexture(texture), GL_TRUE);

  SImage image;
  ASSERT_TRUE(first->ReadPixels(image));
  EXPECT_EQ(PixelAt(image, 3, 3), (Rgba{255, 0, 0, 255}));
  first->RestoreContext();
  EXPECT_EQ(glGetString(GL_VERSION), nullptr);

  // Reading a surface that is not current makes it current for the read only.
  ASSERT_TRUE(second->ReadPixels(image));
  EXPECT_EQ(PixelAt(image, 3, 3), (Rgba{0, 255, 0, 255}));
  EXPECT_EQ(glGetString(GL_VERSION), nullptr);

  // One surface going leaves the other's context working.
  first.reset();
  ASSERT_TRUE(second->ReadPixels(image));
  EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{0, 255, 0, 255}));
}

TEST(GLOffscreen, NegativeAndHugeSizesAreRefused) {
  std::string error;
  EXPECT_EQ(platform::CreateOffscreenSurface(-1, 10, error), nullptr);
  EXPECT_EQ(platform::CreateOffscreenSurface(100000, 10, error), nullptr);
}

}  // namespace
