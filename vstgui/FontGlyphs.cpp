#include "vstgui/FontGlyphs.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <memory>

namespace VSTGUI {
namespace {

struct SFontSpec {
  int pixelHeight;
  bool bold;
};
constexpr SFontSpec FONT_SPECS[kNumOGLFonts] = {{9, false}, {11, false}, {14, false}, {18, false}};

struct SFontSet {
  std::unique_ptr<SFontGlyphs> fonts[kNumOGLFonts];
  std::string error;
};

bool Rasterise(FT_Library library, const SFontSpec& spec, SFontGlyphs& out, std::string& error) {
  const char* path = FontFilePath(spec.bold);
  FT_Face face = nullptr;
  if (FT_New_Face(library, path, 0, &face) != 0) {
    error = std::string("cannot load the font file '") + path + "' (the fonts-dejavu-core package provides it)";
    return false;
  }
  // The height is the face's whole extent, ascender to descender, as
  // Windows means a positive font height.
  FT_Size_RequestRec request{FT_SIZE_REQUEST_TYPE_REAL_DIM, 0, spec.pixelHeight * 64, 0, 0};
  bool ok = FT_Request_Size(face, &request) == 0;
  if (ok) {
    out.pixelHeight = spec.pixelHeight;
    out.ascent = static_cast<int>((face->size->metrics.ascender + 32) >> 6);
    out.descent = static_cast<int>((-face->size->metrics.descender + 32) >> 6);
    for (int c = 0; c < NUM_FONT_GLYPHS && ok; ++c) {
      SGlyph& glyph = out.glyphs[c];
      const FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(c));
      if (index == 0) continue;  // control characters: nothing drawn, no advance
      if (FT_Load_Glyph(face, index, FT_LOAD_RENDER) != 0) {
        error = std::string("cannot render character ") + std::to_string(c) + " of '" + path + "'";
        ok = false;
        break;
      }
      const FT_GlyphSlot slot = face->glyph;
      const FT_Bitmap& bitmap = slot->bitmap;
      glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
      glyph.left = slot->bitmap_left;
      glyph.top = slot->bitmap_top;
      if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.width == 0 || bitmap.rows == 0) continue;
      glyph.width = static_cast<int>(bitmap.width);
      glyph.rows = static_cast<int>(bitmap.rows);
      glyph.coverage.resize(static_cast<std::size_t>(glyph.width) * glyph.rows);
      for (int y = 0; y < glyph.rows; ++y) {
        const unsigned char* row = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
        std::copy(row, row + glyph.width, glyph.coverage.begin() + static_cast<std::ptrdiff_t>(y) * glyph.width);
      }
    }
  } else {
    error = std::string("cannot size the font '") + path + "'";
  }
  FT_Done_Face(face);
  return ok;
}

SFontSet BuildFontSet() {
  SFontSet set;
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) {
    set.error = "cannot start FreeType";
    return set;
  }
  for (int i = 0; i < kNumOGLFonts; ++i) {
    auto font = std::make_unique<SFontGlyphs>();
    if (!Rasterise(library, FONT_SPECS[i], *font, set.error)) break;
    set.fonts[i] = std::move(font);
  }
  FT_Done_FreeType(library);
  if (!set.error.empty()) {
    for (auto& font : set.fonts) font.reset();
  }
  return set;
}

const SFontSet& FontSet() noexcept {
  // A failure to allocate here leaves the fonts missing rather than escaping.
  static const SFontSet set = [] {
    try {
      return BuildFontSet();
    } catch (...) {
      SFontSet failed;
      failed.error = "out of memory while rasterising the fonts";
      return failed;
    }
  }();
  return set;
}

}  // namespace

const SFontGlyphs* GetFontGlyphs(int font) noexcept {
  return FontSet().fonts[GlyphFontIndex(font)].get();
}

const std::string& FontGlyphsError() noexcept {
  return FontSet().error;
}

const char* FontFilePath(bool bold) noexcept {
  return bold ? "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
              : "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
}

}  // namespace VSTGUI
