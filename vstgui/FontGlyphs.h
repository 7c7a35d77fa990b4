#pragma once
// The editor's fonts as FreeType rasterises them: glyphs 0-126 of DejaVu
// Sans with 8-bit coverage, for font indices 0-3 (9, 11, 14 and 18 pixels
// from the face's ascender to its descender, as Windows sizes fonts). No GL
// here: the glyph textures of COGLFonts and the text widths are made from it.
#include <cstdint>
#include <string>
#include <vector>

#include "vstgui/Types.h"

namespace VSTGUI {

constexpr int NUM_FONT_GLYPHS = 127;  // characters 0..126; 127 and above are not drawn

struct SGlyph {
  int width = 0;    // coverage columns
  int rows = 0;     // coverage rows
  int left = 0;     // pen position to the coverage's left edge
  int top = 0;      // baseline to the coverage's top edge (up is positive)
  int advance = 0;  // whole pixels the pen moves
  std::vector<std::uint8_t> coverage;  // rows top to bottom, `width` bytes each
};

struct SFontGlyphs {
  int pixelHeight = 0;
  int ascent = 0;   // pixels above the baseline
  int descent = 0;  // pixels below it
  SGlyph glyphs[NUM_FONT_GLYPHS];
};

// The font index that has glyphs for any index (4 and above use the largest).
constexpr int GlyphFontIndex(int font) noexcept {
  return font < 0 ? 0 : (font >= kNumOGLFonts ? kNumOGLFonts - 1 : font);
}

// The glyphs of a font index, rasterised once per process on first use (safe
// from any thread). Null when the font file cannot be read; FontGlyphsError
// then says why.
const SFontGlyphs* GetFontGlyphs(int font) noexcept;
const std::string& FontGlyphsError() noexcept;

// Where the font files are expected (fontconfig's usual Debian paths).
const char* FontFilePath(bool bold) noexcept;

}  // namespace VSTGUI
