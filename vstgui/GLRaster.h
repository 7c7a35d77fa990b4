#pragma once
// Raster positions in frame pixels (origin top-left, the frame's pixel
// projection). GL drops pixel drawing at a raster position outside the
// viewport; a position off the frame's edge still draws its visible part.

namespace VSTGUI {

void SetRasterPixelPosition(int x, int y) noexcept;

}  // namespace VSTGUI
