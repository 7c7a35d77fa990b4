#include "vstgui/COGLFonts.h"

#include <GL/gl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "Helpers/ErrorReport.h"
#include "vstgui/CCurrentGLContext.h"
#include "vstgui/FontGlyphs.h"
#include "vstgui/GLRaster.h"

namespace VSTGUI {
namespace {

constexpr int MAX_PRINT = 1023;

// Mesa drops the raster move of a display-listed glBitmap whose bitmap
// pointer is null, so moves pass this (never read: the size is 0 x 0).
const GLubyte DUMMY_BITMAP[4] = {};

struct SWidthTable {
  int widths[kNumOGLFonts][256] = {};
  int ascent[kNumOGLFonts] = {};
  int descent[kNumOGLFonts] = {};
};

// The glyph lists move the raster position by exactly the glyph's advance,
// so the advances are the widths GL would measure.
const SWidthTable& WidthTable() noexcept {
  static const SWidthTable table = [] {
    SWidthTable t;
    for (int font = 0; font < kNumOGLFonts; ++font) {
      const SFontGlyphs* glyphs = GetFontGlyphs(font);
      if (!glyphs) continue;
      t.ascent[font] = glyphs->ascent;
      t.descent[font] = glyphs->descent;
      for (int c = 1; c < NUM_FONT_GLYPHS; ++c) t.widths[font][c] = glyphs->glyphs[c].advance;
    }
    return t;
  }();
  return table;
}

void CompileGlyph(const SGlyph& glyph, std::vector<GLubyte>& flipped) {
  if (glyph.coverage.empty()) {
    glBitmap(0, 0, 0, 0, static_cast<GLfloat>(glyph.advance), 0, DUMMY_BITMAP);
    return;
  }
  // GL draws pixel rows bottom up.
  flipped.resize(glyph.coverage.size());
  for (int y = 0; y < glyph.rows; ++y) {
    std::memcpy(&flipped[static_cast<std::size_t>(glyph.rows - 1 - y) * glyph.width],
                &glyph.coverage[static_cast<std::size_t>(y) * glyph.width], static_cast<std::size_t>(glyph.width));
  }
  const int bottom = glyph.top - glyph.rows;  // coverage's lower edge above the baseline
  glBitmap(0, 0, 0, 0, static_cast<GLfloat>(glyph.left), static_cast<GLfloat>(bottom), DUMMY_BITMAP);
  glDrawPixels(glyph.width, glyph.rows, GL_ALPHA, GL_UNSIGNED_BYTE, flipped.data());
  glBitmap(0, 0, 0, 0, static_cast<GLfloat>(glyph.advance - glyph.left), static_cast<GLfloat>(-bottom), DUMMY_BITMAP);
}

// Calls the glyph lists for the drawable bytes of a string: each glyph's
// coverage becomes the alpha of a pixel in the current colour, blended.
void PrintBytes(const COGLFonts& fonts, int font, const char* text, std::size_t length) {
  const GLuint base = fonts.GetListBase(font);
  if (!base || !text) return;
  GLubyte bytes[MAX_PRINT];
  GLsizei count = 0;
  for (std::size_t i = 0; i < length && count < MAX_PRINT; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 1 && c < NUM_FONT_GLYPHS) bytes[count++] = c;
  }
  if (count == 0) return;
  GLfloat colour[4] = {1, 1, 1, 1};
  glGetFloatv(GL_CURRENT_COLOR, colour);
  glPushAttrib(GL_PIXEL_MODE_BIT | GL_COLOR_BUFFER_BIT | GL_ENABLE_BIT | GL_LIST_BIT);
  glPixelTransferf(GL_RED_SCALE, 0);
  glPixelTransferf(GL_GREEN_SCALE, 0);
  glPixelTransferf(GL_BLUE_SCALE, 0);
  glPixelTransferf(GL_RED_BIAS, colour[0]);
  glPixelTransferf(GL_GREEN_BIAS, colour[1]);
  glPixelTransferf(GL_BLUE_BIAS, colour[2]);
  glPixelTransferf(GL_ALPHA_SCALE, colour[3]);
  glPixelTransferf(GL_ALPHA_BIAS, 0);
  glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
  glPixelZoom(1, 1);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_ALPHA_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glListBase(base);
  glCallLists(count, GL_UNSIGNED_BYTE, bytes);
  glPopAttrib();
}

}  // namespace

bool COGLFonts::Create() noexcept {
  if (IsCreated()) return true;
  return kiv::Guard(KIV_SIGNATURE, false, [this] {
    CacheFontCharacterWidths();
    const SFontGlyphs* fonts[kNumOGLFonts];
    for (int i = 0; i < kNumOGLFonts; ++i) {
      fonts[i] = GetFontGlyphs(i);
      if (!fonts[i]) return false;
    }
    std::vector<GLubyte> flipped;
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    bool ok = true;
    for (int i = 0; i < kNumOGLFonts && ok; ++i) {
      const GLuint base = glGenLists(NUM_FONT_GLYPHS);
      if (base == 0) {
        ok = false;
        break;
      }
      m_nListBase[i] = base;
      for (int c = 0; c < NUM_FONT_GLYPHS; ++c) {
        glNewList(base + static_cast<GLuint>(c), GL_COMPILE);
        CompileGlyph(fonts[i]->glyphs[c], flipped);
        glEndList();
      }
    }
    glPopClientAttrib();
    if (!ok) Release();
    return ok;
  });
}

void COGLFonts::Release() noexcept {
  for (unsigned& base : m_nListBase) {
    if (base) glDeleteLists(base, NUM_FONT_GLYPHS);
    base = 0;
  }
}

unsigned COGLFonts::GetListBase(int font) const noexcept {
  return m_nListBase[GlyphFontIndex(font)];
}

void CacheFontCharacterWidths() noexcept {
  WidthTable();
}

int GetCharacterWidth(unsigned char c, int font) noexcept {
  return WidthTable().widths[GlyphFontIndex(font)][c];
}

int GetTextWidth(const char* text, int font) noexcept {
  if (!text) return 0;
  const int(&widths)[256] = WidthTable().widths[GlyphFontIndex(font)];
  int width = 0;
  for (const char* p = text; *p; ++p) width += widths[static_cast<unsigned char>(*p)];
  return width;
}

int GetFontAscent(int font) noexcept {
  return WidthTable().ascent[GlyphFontIndex(font)];
}

int GetFontDescent(int font) noexcept {
  return WidthTable().descent[GlyphFontIndex(font)];
}

void glSetFont(int font) noexcept {
  if (COGLFonts* fonts = CCurrentGLContext::GetFonts()) fonts->SelectFont(font);
}

void glPrintText(const char* text, std::size_t length) noexcept {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (const COGLFonts* fonts = CCurrentGLContext::GetFonts()) PrintBytes(*fonts, fonts->GetSelectedFont(), text, length);
  });
}

void glPrint(const char* format, ...) noexcept {
  if (!format) return;
  char text[MAX_PRINT + 1];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (n > 0) glPrintText(text, std::strlen(text));
}

STextLayout LayoutTextInRect(const CRect& rect, const char* text, CHoriTxtAlign align, int font) noexcept {
  STextLayout layout;
  if (!text) text = "";
  const int(&widths)[256] = WidthTable().widths[GlyphFontIndex(font)];
  const std::size_t length = std::strlen(text);
  const int available = rect.width();
  int width = GetTextWidth(text, font);
  layout.kept = length;
  if (width > available) {
    const int dots = 3 * widths[static_cast<unsigned char>('.')];
    const int room = dots <= available ? available - dots : available;
    int kept = 0;
    std::size_t n = 0;
    while (n < length && kept + widths[static_cast<unsigned char>(text[n])] <= room) kept += widths[static_cast<unsigned char>(text[n++])];
    layout.kept = n;
    layout.elided = dots <= available;
    width = kept + (layout.elided ? dots : 0);
  }
  layout.width = width;
  switch (align) {
    case kCenterText: layout.x = rect.left + (available - width) / 2; break;
    case kRightText: layout.x = rect.right - width; break;
    default: layout.x = rect.left; break;
  }
  const int ascent = GetFontAscent(font);
  layout.baseline = rect.top + (rect.height() - (ascent + GetFontDescent(font))) / 2 + ascent;
  return layout;
}

void DrawTextInRect(const CRect& rect, const char* text, CHoriTxtAlign align, int font) noexcept {
  kiv::Guard(KIV_SIGNATURE, [&] {
    const COGLFonts* fonts = CCurrentGLContext::GetFonts();
    if (!fonts || !text || !*text) return;
    const STextLayout layout = LayoutTextInRect(rect, text, align, font);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    SetRasterPixelPosition(layout.x, layout.baseline);
    PrintBytes(*fonts, font, text, layout.kept);
    if (layout.elided) PrintBytes(*fonts, font, "...", 3);
    glPopAttrib();
  });
}

}  // namespace VSTGUI
