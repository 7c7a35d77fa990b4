// The offscreen GL surface: pixels drawn with the fixed-function pipeline
// come back top-down, contexts stay apart, the previous context comes back.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/GLSurface.h"

namespace {

using platform::CGLSurface;
using platform::SImage;

std::array<int, 4> PixelAt(const SImage& image, int x, int y) {
  const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) + x) * 4u;
  return {image.rgba[i], image.rgba[i + 1], image.rgba[i + 2], image.rgba[i + 3]};
}

// Pixel coordinates with the origin at the top-left.
void UsePixelProjection(int width, int height) {
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, width, height, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

std::unique_ptr<CGLSurface> MakeSurface(int width, int height) {
  std::string error;
  auto surface = platform::CreateOffscreenSurface(width, height, error);
  EXPECT_NE(surface, nullptr) << error;
  return surface;
}

TEST(GLOffscreen, BlendedQuadOverClearColourReadsBackTopDown) {
  auto surface = MakeSurface(64, 32);
  ASSERT_TRUE(surface);
  EXPECT_EQ(surface->GetNativeId(), 0u);
  ASSERT_TRUE(surface->MakeCurrent());
  UsePixelProjection(64, 32);
  glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  // A half-transparent red quad over the top-left quarter only.
  glColor4ub(255, 0, 0, 128);
  glBegin(GL_QUADS);
  glVertex2i(0, 0);
  glVertex2i(32, 0);
  glVertex2i(32, 16);
  glVertex2i(0, 16);
  glEnd();
  SImage image;
  ASSERT_TRUE(surface->ReadPixels(image));
  surface->RestoreContext();
  ASSERT_EQ(image.width, 64);
  ASSERT_EQ(image.height, 32);
  const auto blended = PixelAt(image, 4, 4);
  EXPECT_NEAR(blended[0], 128, 2);
  EXPECT_EQ(blended[1], 0);
  EXPECT_NEAR(blended[2], 127, 2);
  EXPECT_EQ(PixelAt(image, 4, 28), (std::array<int, 4>{0, 0, 255, 255}));  // below the quad
  EXPECT_EQ(PixelAt(image, 60, 4), (std::array<int, 4>{0, 0, 255, 255}));  // right of it
  EXPECT_EQ(glGetString(GL_VERSION), nullptr);  // no context current again
}

// Textures and display lists in these contexts are exercised by the bitmap
// drawing (test_vstgui_gl) and the width graph's trail (test_spanora_graph).

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
  EXPECT_EQ(PixelAt(image, 3, 3), (std::array<int, 4>{255, 0, 0, 255}));
  first->RestoreContext();
  EXPECT_EQ(glGetString(GL_VERSION), nullptr);

  // Reading a surface that is not current makes it current for the read only.
  ASSERT_TRUE(second->ReadPixels(image));
  EXPECT_EQ(PixelAt(image, 3, 3), (std::array<int, 4>{0, 255, 0, 255}));
  EXPECT_EQ(glGetString(GL_VERSION), nullptr);

  // One surface going leaves the other's context working.
  first.reset();
  ASSERT_TRUE(second->ReadPixels(image));
  EXPECT_EQ(PixelAt(image, 0, 0), (std::array<int, 4>{0, 255, 0, 255}));
}

TEST(GLOffscreen, ZeroAndNegativeSizes) {
  std::string error;
  EXPECT_EQ(platform::CreateOffscreenSurface(-1, 10, error), nullptr);
  EXPECT_NE(error.find("negative"), std::string::npos) << error;
  error.clear();
  EXPECT_EQ(platform::CreateOffscreenSurface(100000, 10, error), nullptr);
  EXPECT_NE(error.find("limit"), std::string::npos) << error;

  auto flat = platform::CreateOffscreenSurface(20, 0, error);
  ASSERT_NE(flat, nullptr) << error;
  EXPECT_EQ(flat->GetHeight(), 0);
  ASSERT_TRUE(flat->MakeCurrent());
  glClear(GL_COLOR_BUFFER_BIT);
  SImage image;
  EXPECT_TRUE(flat->ReadPixels(image));
  EXPECT_TRUE(image.rgba.empty());
  flat->RestoreContext();
}

TEST(PngWriter, WritesAPngThatStartsWithTheSignatureAndRefusesBadInput) {
  SImage image;
  image.width = 3;
  image.height = 2;
  image.rgba.assign(3 * 2 * 4, 200);
  const std::string path = ::testing::TempDir() + "png_writer_test.png";
  std::string error;
  ASSERT_TRUE(platform::WritePng(path, image, error)) << error;
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(bytes.substr(1, 3), "PNG");
  std::remove(path.c_str());

  EXPECT_FALSE(platform::WritePng("/nonexistent-dir/x.png", image, error));
  EXPECT_NE(error.find("/nonexistent-dir/x.png"), std::string::npos) << error;
  image.rgba.pop_back();
  EXPECT_FALSE(platform::WritePng(path, image, error));
}

}  // namespace
