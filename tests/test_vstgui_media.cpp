// Editor media without GL: PNG decoding, text widths and elision.
#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <string>
#include <vector>

#include "vstgui/COGLFonts.h"
#include "vstgui/FontGlyphs.h"
#include "vstgui/PngDecoder.h"

namespace {

using namespace VSTGUI;
using Rgba = std::array<int, 4>;

Rgba PixelAt(const SPixels& p, int x, int y) {
  const std::uint8_t* q = p.At(x, y);
  return {q[0], q[1], q[2], q[3]};
}

// A PNG of the given layout, encoded in memory; `rows` hold the raw samples.
struct SPngSpec {
  int width = 0, height = 0, colorType = 0, bitDepth = 8;
  std::vector<std::vector<std::uint8_t>> rows;
  std::vector<png_color> palette;
  std::vector<std::uint8_t> paletteAlpha;  // tRNS for palette images
  bool hasColourKey = false;
  png_color_16 colourKey{};  // tRNS for grey/RGB images
  bool interlaced = false;
};

SPngSpec Spec(int width, int height, int colorType, int bitDepth, std::vector<std::vector<std::uint8_t>> rows) {
  SPngSpec spec;
  spec.width = width;
  spec.height = height;
  spec.colorType = colorType;
  spec.bitDepth = bitDepth;
  spec.rows = std::move(rows);
  return spec;
}

std::vector<unsigned char> EncodePng(const SPngSpec& spec) {
  std::vector<unsigned char> bytes;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    ADD_FAILURE() << "test PNG encoding failed";
    return {};
  }
  png_set_write_fn(
      png, &bytes,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(p));
        out->insert(out->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, spec.width, spec.height, spec.bitDepth, spec.colorType,
               spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!spec.palette.empty()) png_set_PLTE(png, info, spec.palette.data(), static_cast<int>(spec.palette.size()));
  if (!spec.paletteAlpha.empty()) {
    png_set_tRNS(png, info, spec.paletteAlpha.data(), static_cast<int>(spec.paletteAlpha.size()), nullptr);
  }
  if (spec.hasColourKey) png_set_tRNS(png, info, nullptr, 0, &spec.colourKey);
  png_write_info(png, info);
  std::vector<png_bytep> rows;
  for (const auto& row : spec.rows) rows.push_back(const_cast<png_bytep>(row.data()));
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return bytes;
}

SPixels Decode(const std::vector<unsigned char>& bytes) {
  SPixels pixels;
  std::string error;
  EXPECT_TRUE(DecodePng(bytes.data(), bytes.size(), pixels, error)) << error;
  return pixels;
}

TEST(PngDecoding, EveryColourTypeAndDepthBecomesEightBitRgba) {
  SPngSpec palette = Spec(3, 1, PNG_COLOR_TYPE_PALETTE, 8, {{0, 1, 2}});
  palette.palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
  palette.paletteAlpha = {255, 64};  // the third entry, past the tRNS entries: opaque
  SPngSpec keyed = Spec(2, 1, PNG_COLOR_TYPE_RGB, 8, {{1, 2, 3, 4, 5, 6}});
  keyed.hasColourKey = true;
  keyed.colourKey.red = 4;
  keyed.colourKey.green = 5;
  keyed.colourKey.blue = 6;
  const struct {
    const char* what;
    SPngSpec spec;
    std::vector<Rgba> row;
  } cases[] = {
      {"palette with tRNS", palette, {{10, 20, 30, 255}, {40, 50, 60, 64}, {70, 80, 90, 255}}},
      {"1-bit grey", Spec(3, 1, PNG_COLOR_TYPE_GRAY, 1, {{0b10100000}}),
       {{255, 255, 255, 255}, {0, 0, 0, 255}, {255, 255, 255, 255}}},
      {"grey with alpha", Spec(1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {{200, 100}}), {{200, 200, 200, 100}}},
      {"16-bit RGB: high bytes", Spec(1, 1, PNG_COLOR_TYPE_RGB, 16, {{0x12, 0x34, 0xAB, 0xCD, 0xFF, 0x01}}),
       {{0x12, 0xAB, 0xFF, 255}}},
      {"colour key", keyed, {{1, 2, 3, 255}, {4, 5, 6, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const SPixels p = Decode(EncodePng(c.spec));
    ASSERT_EQ(p.width, static_cast<int>(c.row.size()));
    for (int x = 0; x < p.width; ++x) EXPECT_EQ(PixelAt(p, x, 0), c.row[static_cast<std::size_t>(x)]) << x;
  }
}

TEST(PngDecoding, InterlacedImageDecodesLikeAPlainOne) {
  SPngSpec spec = Spec(9, 9, PNG_COLOR_TYPE_RGB_ALPHA, 8, {});
  for (int y = 0; y < 9; ++y) {
    std::vector<std::uint8_t> row;
    for (int x = 0; x < 9; ++x) row.insert(row.end(), {std::uint8_t(x * 20), std::uint8_t(y * 20), 7, std::uint8_t(x + y)});
    spec.rows.push_back(row);
  }
  const SPixels plain = Decode(EncodePng(spec));
  spec.interlaced = true;
  const SPixels interlaced = Decode(EncodePng(spec));
  EXPECT_EQ(plain.rgba, interlaced.rgba);
  EXPECT_EQ(PixelAt(plain, 8, 2), (Rgba{160, 40, 7, 10}));  // rows upright
}

TEST(PngDecoding, DamagedDataFailsCleanly) {
  const std::vector<unsigned char> good = EncodePng(Spec(4, 4, PNG_COLOR_TYPE_GRAY, 8, {{1, 2, 3, 4}, {1, 2, 3, 4}, {1, 2, 3, 4}, {1, 2, 3, 4}}));
  SPixels p;
  std::string error;
  EXPECT_FALSE(DecodePng(good.data(), good.size() - 20, p, error));  // cut short
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(p.rgba.empty());
  std::vector<unsigned char> flipped = good;
  flipped[40] ^= 0xFF;  // inside the image data: checksum fails
  EXPECT_FALSE(DecodePng(flipped.data(), flipped.size(), p, error));
  EXPECT_FALSE(DecodePng(nullptr, 0, p, error));
}

// Linear filtering at a bitmap's edge samples the padding: it must be clear.
TEST(PngDecoding, PaddingToPowersOfTwoKeepsPixelsAndClearsTheRest) {
  SPixels p = Decode(EncodePng(Spec(3, 5, PNG_COLOR_TYPE_GRAY, 8, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {1, 1, 1}, {2, 2, 9}})));
  PadToPowersOfTwo(p);
  EXPECT_EQ(PixelAt(p, 2, 4), (Rgba{9, 9, 9, 255}));
  EXPECT_EQ(PixelAt(p, 3, 0), (Rgba{0, 0, 0, 0}));
  EXPECT_EQ(PixelAt(p, 0, 7), (Rgba{0, 0, 0, 0}));
}

TEST(TextWidths, EveryFontHasItsPixelHeightAndCharactersItCannotDrawHaveNoWidth) {
  ASSERT_NE(GetFontGlyphs(0), nullptr) << FontGlyphsError();
  CacheFontCharacterWidths();
  for (int font = 0; font < kNumOGLFonts; ++font) {
    EXPECT_GT(GetCharacterWidth(' ', font), 0);
    EXPECT_EQ(GetTextWidth("A\xe9" "B", font), GetTextWidth("AB", font));
    // The font's height is the requested pixel height.
    EXPECT_NEAR(GetFontAscent(font) + GetFontDescent(font), GetFontGlyphs(font)->pixelHeight, 1);
  }
  EXPECT_EQ(GetTextWidth("Hello", 7), GetTextWidth("Hello", kOGLFont18));  // higher indices use the largest font
  EXPECT_EQ(GetTextWidth(nullptr, 0), 0);
}

TEST(TextLayout, TooLongTextIsElidedToFit) {
  const char* text = "A rather long parameter name";
  const int dots = 3 * GetCharacterWidth('.', kOGLFont11);
  const CRect rect(0, 0, GetTextWidth("A rather", kOGLFont11) + dots, 15);
  for (CHoriTxtAlign align : {kLeftText, kCenterText, kRightText}) {
    const STextLayout layout = LayoutTextInRect(rect, text, align, kOGLFont11);
    EXPECT_TRUE(layout.elided);
    EXPECT_EQ(std::string(text, layout.kept), "A rather");
    EXPECT_EQ(layout.width, rect.width());
  }
  // Narrower than the dots: whole characters only, no dots.
  const STextLayout tiny = LayoutTextInRect(CRect(0, 0, dots - 1, 15), "Wide", kLeftText, kOGLFont11);
  EXPECT_FALSE(tiny.elided);
  EXPECT_LE(tiny.width, dots - 1);
  EXPECT_EQ(tiny.width, GetTextWidth(std::string("Wide", tiny.kept).c_str(), kOGLFont11));
}

}  // namespace
