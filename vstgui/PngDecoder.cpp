#include "vstgui/PngDecoder.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace VSTGUI {
namespace {

// Images above this many pixels are refused rather than allocated: no
// editor image comes near it, a damaged header easily does.
constexpr std::uint64_t MAX_PIXELS = 16u * 1024u * 1024u;

struct SReadState {
  const unsigned char* data;
  std::size_t size;
  std::size_t offset;
  char message[160];
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
  auto* state = static_cast<SReadState*>(png_get_io_ptr(png));
  if (length > state->size - state->offset) png_error(png, "unexpected end of data");
  std::memcpy(out, state->data + state->offset, length);
  state->offset += length;
}

void OnError(png_structp png, png_const_charp message) {
  auto* state = static_cast<SReadState*>(png_get_io_ptr(png));
  std::snprintf(state->message, sizeof state->message, "%s", message);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// libpng reports errors by longjmp. Everything that must survive the jump
// lives outside this frame (in `state` and `out`), and no object with a
// destructor is created between setjmp and the end of the decode.
bool Decode(SReadState& state, SPixels& out, std::vector<png_bytep>& rowPointers) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, OnError, OnWarning);
  if (!png) {
    std::snprintf(state.message, sizeof state.message, "out of memory");
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    return false;
  }
  png_set_read_fn(png, &state, ReadFromMemory);
  png_read_info(png, info);

  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  if (static_cast<std::uint64_t>(width) * height > MAX_PIXELS) png_error(png, "image too large");
  const int colorType = png_get_color_type(png, info);
  const int bitDepth = png_get_bit_depth(png, info);

  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) {
    png_set_tRNS_to_alpha(png);
  } else if (!(colorType & PNG_COLOR_MASK_ALPHA)) {
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  }
  if (bitDepth == 16) png_set_strip_16(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<png_size_t>(width) * 4) png_error(png, "unexpected pixel layout");

  out.width = out.stride = static_cast<int>(width);
  out.height = out.rows = static_cast<int>(height);
  bool allocated = true;
  try {
    out.rgba.resize(static_cast<std::size_t>(width) * height * 4);
    rowPointers.resize(height);
  } catch (...) {
    allocated = false;
  }
  if (!allocated) png_error(png, "out of memory");
  for (png_uint_32 y = 0; y < height; ++y) rowPointers[y] = &out.rgba[static_cast<std::size_t>(y) * width * 4];
  png_read_image(png, rowPointers.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace

bool DecodePng(const unsigned char* data, std::size_t size, SPixels& out, std::string& error) {
  out = SPixels{};
  if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) {
    error = "not a PNG image";
    return false;
  }
  SReadState state{data, size, 0, {}};
  std::vector<png_bytep> rowPointers;
  if (!Decode(state, out, rowPointers)) {
    out = SPixels{};
    error = state.message[0] ? state.message : "damaged PNG image";
    return false;
  }
  return true;
}

int NextPowerOfTwo(int n) noexcept {
  int p = 1;
  while (p < n && p < (1 << 30)) p <<= 1;
  return p;
}

void PadToPowersOfTwo(SPixels& pixels) {
  const int stride = NextPowerOfTwo(pixels.stride);
  const int rows = NextPowerOfTwo(pixels.rows);
  if (stride == pixels.stride && rows == pixels.rows) return;
  std::vector<std::uint8_t> padded(static_cast<std::size_t>(stride) * rows * 4, 0);
  for (int y = 0; y < pixels.rows; ++y) {
    std::memcpy(&padded[static_cast<std::size_t>(y) * stride * 4], &pixels.rgba[static_cast<std::size_t>(y) * pixels.stride * 4],
                static_cast<std::size_t>(pixels.stride) * 4);
  }
  pixels.rgba = std::move(padded);
  pixels.stride = stride;
  pixels.rows = rows;
}

}  // namespace VSTGUI
