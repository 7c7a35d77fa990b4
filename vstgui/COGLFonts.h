#pragma once
// Text for the editor: glyphs 0..126 of the four fonts (indices 0..3) held
// per GL context, the process-wide table of character widths, printing at
// the raster position and into a rectangle.
//
// Text is antialiased and drawn in the current colour (its alpha included)
// with blending. Each font's glyph coverage sits in one alpha texture of
// the context, made once; a string is drawn as one batch of textured quads.
// glPrint starts at the raster position and moves it on by the string's
// width as the width table has it, so layout needs no GL.
//
// (Glyphs as display lists of glDrawPixels, or of one quad each, cost
// Mesa's software renderer a texture or a draw per character: 40 short
// labels took 12 to 33 ms against 0.3 ms batched.)
#include <cstddef>

#include "vstgui/FontGlyphs.h"
#include "vstgui/Types.h"

namespace VSTGUI {

// Where each glyph lies in its font's texture (texels, rows top down).
struct SGlyphAtlas {
  int x[NUM_FONT_GLYPHS] = {};
  int y[NUM_FONT_GLYPHS] = {};
  int width = 1;
  int height = 1;
};

// The glyph textures of one GL context. The frame owns one per context:
// Create() after making the context current, Release() before the context
// goes (with it current). Destroying the object does not touch GL.
class COGLFonts {
 public:
  COGLFonts() = default;
  COGLFonts(const COGLFonts&) = delete;
  COGLFonts& operator=(const COGLFonts&) = delete;

  // False when the font files cannot be read (FontGlyphsError says why) or
  // GL refuses the textures; text then draws nothing.
  bool Create() noexcept;
  void Release() noexcept;
  bool IsCreated() const noexcept { return m_nTexture[0] != 0; }

  // The texture holding a font's glyphs (0 if none) and where they lie.
  unsigned GetTexture(int font) const noexcept;
  const SGlyphAtlas& GetAtlas(int font) const noexcept;

  // The font glPrint uses in this context (0 until selected).
  void SelectFont(int font) noexcept { m_nSelectedFont = font; }
  int GetSelectedFont() const noexcept { return m_nSelectedFont; }

 private:
  unsigned m_nTexture[kNumOGLFonts] = {};
  SGlyphAtlas m_Atlas[kNumOGLFonts];
  int m_nSelectedFont = 0;
};

// Fills the process-wide 4 x 256 width table once (later calls return at
// once). Widths are the pixels the raster position moves per character;
// characters 0 and 127..255 have width 0. Safe from any thread.
void CacheFontCharacterWidths() noexcept;
int GetCharacterWidth(unsigned char c, int font) noexcept;
// The pixel width of a string: the sum of its characters' cached widths.
int GetTextWidth(const char* text, int font) noexcept;
// Pixels above and below the baseline; their sum is the font's height.
int GetFontAscent(int font) noexcept;
int GetFontDescent(int font) noexcept;

// Drawing, inside a CCurrentGLContext scope whose fonts are created.

// Selects the font glPrint uses in the current context.
void glSetFont(int font) noexcept;
// Prints at the current raster position (the baseline of the first
// character) in the selected font and current colour; the raster position
// moves to the end of the text. Up to 1023 characters.
void glPrint(const char* format, ...) noexcept __attribute__((format(printf, 1, 2)));
// The same for a given number of bytes (no formatting).
void glPrintText(const char* text, std::size_t length) noexcept;

// Prints a string into a rectangle: aligned left, centred or right,
// vertically centred on the font's height. A string too wide for the
// rectangle loses its tail to "..." (or, where not even that fits, is cut
// after the last whole character that fits). Drawn in the current
// coordinates (the frame's pixels); restores every attribute it changes.
void DrawTextInRect(const CRect& rect, const char* text, CHoriTxtAlign align, int font) noexcept;

// What DrawTextInRect draws and where, without GL: the bytes of `text` kept
// (`kept` of them, followed by "..." when `elided`) and the pen's start.
struct STextLayout {
  std::size_t kept = 0;
  bool elided = false;
  int x = 0;         // pen start
  int baseline = 0;  // baseline y
  int width = 0;     // pixels drawn, dots included
};
STextLayout LayoutTextInRect(const CRect& rect, const char* text, CHoriTxtAlign align, int font) noexcept;

}  // namespace VSTGUI
