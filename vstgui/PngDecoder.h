#pragma once
// PNG decoding for the bitmaps: any colour type and bit depth becomes 8-bit
// RGBA (palette and grey expanded to RGB, low-bit grey expanded, the
// transparency chunk turned into alpha or else opaque alpha 0xFF added,
// 16-bit samples reduced to 8).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace VSTGUI {

// RGBA pixels, 4 bytes each, rows top to bottom. A row holds `stride`
// pixels of which the first `width` are the image (stride >= width); the
// rest, and rows past `height`, are transparent padding.
struct SPixels {
  int width = 0;
  int height = 0;
  int stride = 0;
  int rows = 0;  // rows stored, >= height
  std::vector<std::uint8_t> rgba;

  const std::uint8_t* At(int x, int y) const { return &rgba[(static_cast<std::size_t>(y) * stride + x) * 4]; }
};

// Decodes a whole PNG held in memory. False with a reason in `error` (and
// `out` left empty) for anything that is not a complete, valid PNG.
bool DecodePng(const unsigned char* data, std::size_t size, SPixels& out, std::string& error);

// Pads to the next power of two in each dimension (textures need it).
void PadToPowersOfTwo(SPixels& pixels);

int NextPowerOfTwo(int n) noexcept;

}  // namespace VSTGUI
