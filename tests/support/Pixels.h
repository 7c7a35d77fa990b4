#pragma once
// Pixels of an image read back from a GL surface, as ints for comparisons,
// and an offscreen frame to draw views into.
#include <array>
#include <cstddef>
#include <memory>
#include <string>

#include "platform/GLSurface.h"
#include "vstgui/CFrame.h"

namespace testsupport {

using Rgba = std::array<int, 4>;

inline Rgba PixelAt(const platform::SImage& image, int x, int y) {
  const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) + static_cast<std::size_t>(x)) * 4;
  return {image.rgba[i], image.rgba[i + 1], image.rgba[i + 2], image.rgba[i + 3]};
}

// A frame with no editor on an offscreen surface; null when there is no GL.
inline std::unique_ptr<VSTGUI::CFrame> OpenOffscreenFrame(int width, int height) {
  std::string error;
  auto surface = platform::CreateOffscreenSurface(width, height, error);
  if (!surface) return nullptr;
  auto frame = std::make_unique<VSTGUI::CFrame>(VSTGUI::CRect(0, 0, width, height), nullptr, nullptr);
  if (!frame->open(std::move(surface))) return nullptr;
  return frame;
}

}  // namespace testsupport
