#include "vstgui/COGLFonts.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "Helpers/ErrorReport.h"
#include "vstgui/CCurrentGLContext.h"
#include "vstgui/FontGlyphs.h"
#include "vstgui/GLState.h"

namespace VSTGUI {
namespace {

constexpr int MAX_PRINT = 1023;

// Raster moves pass a bitmap pointer although the bitmap is 0 x 0: Mesa
// drops the move of a display-listed glBitmap whose pointer is null.
const GLubyte DUMMY_BITMAP[4] = {};

constexpr int ATLAS_WIDTH = 256;

struct SWidthTable {
  int widths[kNumOGLFonts][256] = {};
  int ascent[kNumOGLFonts] = {};
  int descent[kNumOGLFonts] = {};
};

// Printing moves the raster position by exactly the glyphs' advances, so
// the advances are the widths GL would measure.
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

// Rows of glyphs left to right, a texel apart, ATLAS_WIDTH wide.
SGlyphAtlas PlaceGlyphs(const SFontGlyphs& font) {
  SGlyphAtlas atlas;
  int x = 0, y = 0, rowHeight = 0;
  for (int c = 0; c < NUM_FONT_GLYPHS; ++c) {
    const SGlyph& glyph = font.glyphs[c];
    if (glyph.coverage.empty()) continue;
    if (x + glyph.width > ATLAS_WIDTH) {
      x = 0;
      y += rowHeight + 1;
      rowHeight = 0;
    }
    atlas.x[c] = x;
    atlas.y[c] = y;
    x += glyph.width + 1;
    rowHeight = std::max(rowHeight, glyph.rows);
  }
  atlas.width = ATLAS_WIDTH;
  while (atlas.height < y + rowHeight) atlas.height <<= 1;
  return atlas;
}

GLuint UploadAtlas(const SFontGlyphs& font, const SGlyphAtlas& atlas) {
  std::vector<GLubyte> texels(static_cast<std::size_t>(atlas.width) * atlas.height, 0);
  for (int c = 0; c < NUM_FONT_GLYPHS; ++c) {
    const SGlyph& glyph = font.glyphs[c];
    for (int row = 0; row < glyph.rows; ++row) {
      std::memcpy(&texels[static_cast<std::size_t>(atlas.y[c] + row) * atlas.width + atlas.x[c]],
                  &glyph.coverage[static_cast<std::size_t>(row) * glyph.width], static_cast<std::size_t>(glyph.width));
    }
  }
  GLuint texture = 0;
  glGenTextures(1, &texture);
  if (!texture) return 0;
  glBindTexture(GL_TEXTURE_2D, texture);
  // Quads land on whole pixels, so texels map one to one.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, atlas.width, atlas.height, 0, GL_ALPHA, GL_UNSIGNED_BYTE, texels.data());
  return texture;
}

// The drawable bytes of a string (1..126) and the pixels they advance.
struct SGlyphRun {
  GLubyte bytes[MAX_PRINT];
  int count = 0;
  int advance = 0;
};

void AppendGlyphs(SGlyphRun& run, const SFontGlyphs& glyphs, const char* text, std::size_t length) {
  for (std::size_t i = 0; i < length && run.count < MAX_PRINT; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 1 && c < NUM_FONT_GLYPHS) {
      run.bytes[run.count++] = c;
      run.advance += glyphs.glyphs[c].advance;
    }
  }
}

// One batch of textured quads, the pen starting at (x, baseline). `down`
// is +1 where y grows downwards (frame pixels) and -1 where it grows
// upwards (window coordinates).
void EmitQuads(const SFontGlyphs& glyphs, const SGlyphAtlas& atlas, const SGlyphRun& run, int x, int baseline, int down) {
  const GLfloat sw = 1.0f / static_cast<GLfloat>(atlas.width), th = 1.0f / static_cast<GLfloat>(atlas.height);
  int pen = x;
  glBegin(GL_QUADS);
  for (int i = 0; i < run.count; ++i) {
    const int c = run.bytes[i];
    const SGlyph& glyph = glyphs.glyphs[c];
    if (!glyph.coverage.empty()) {
      const GLfloat s0 = static_cast<GLfloat>(atlas.x[c]) * sw, s1 = static_cast<GLfloat>(atlas.x[c] + glyph.width) * sw;
      const GLfloat t0 = static_cast<GLfloat>(atlas.y[c]) * th, t1 = static_cast<GLfloat>(atlas.y[c] + glyph.rows) * th;
      const GLint x0 = pen + glyph.left, x1 = x0 + glyph.width;
      const GLint top = baseline - down * glyph.top, bottom = top + down * glyph.rows;  // t0 is the top row
      glTexCoord2f(s0, t0);
      glVertex2i(x0, top);
      glTexCoord2f(s1, t0);
      glVertex2i(x1, top);
      glTexCoord2f(s1, t1);
      glVertex2i(x1, bottom);
      glTexCoord2f(s0, t1);
      glVertex2i(x0, bottom);
    }
    pen += glyph.advance;
  }
  glEnd();
}

// Draws a run in the current colour, its alpha times the coverage, blended.
void DrawRun(const COGLFonts& fonts, int font, const SGlyphRun& run, int x, int baseline, int down) {
  const CGLAttribScope saved(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT, true);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_LIGHTING);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, fonts.GetTexture(font));
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  EmitQuads(*GetFontGlyphs(font), fonts.GetAtlas(font), run, x, baseline, down);
}

// Prints at the raster position and moves it to the end of the text. The
// quads are placed in window coordinates, where the raster position lives.
void PrintAtRaster(const COGLFonts& fonts, int font, const char* text, std::size_t length) {
  const SFontGlyphs* glyphs = GetFontGlyphs(font);
  if (!glyphs || !fonts.GetTexture(font) || !text) return;
  SGlyphRun run;
  AppendGlyphs(run, *glyphs, text, length);
  GLint valid = GL_FALSE;
  glGetIntegerv(GL_CURRENT_RASTER_POSITION_VALID, &valid);
  if (run.count == 0 || !valid) return;
  GLfloat raster[4] = {};
  glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  {
    const CGLAttribScope saved(GL_TRANSFORM_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(viewport[0], viewport[0] + viewport[2], viewport[1], viewport[1] + viewport[3], -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    DrawRun(fonts, font, run, static_cast<int>(raster[0]), static_cast<int>(raster[1]), -1);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
  }
  glBitmap(0, 0, 0, 0, static_cast<GLfloat>(run.advance), 0, DUMMY_BITMAP);
}

}  // namespace

bool COGLFonts::Create() noexcept {
  if (IsCreated()) return true;
  const bool created = kiv::Guard(KIV_SIGNATURE, false, [this] {
    CacheFontCharacterWidths();
    const SFontGlyphs* fonts[kNumOGLFonts];
    for (int i = 0; i < kNumOGLFonts; ++i) {
      fonts[i] = GetFontGlyphs(i);
      if (!fonts[i]) return false;
    }
    bool ok = true;
    {
      const CGLAttribScope saved(0, true);
      glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
      glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
      glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
      glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
      glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
      glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
      glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
      for (int i = 0; i < kNumOGLFonts && ok; ++i) {
        m_Atlas[i] = PlaceGlyphs(*fonts[i]);
        m_nTexture[i] = UploadAtlas(*fonts[i], m_Atlas[i]);
        ok = m_nTexture[i] != 0;
      }
      glPopClientAttrib();
    }
    if (!ok) Release();
    return ok;
  });
  if (!created) kiv::ReportError(KIV_SIGNATURE);  // missing font files: FontGlyphsError says which
  return created;
}

void COGLFonts::Release() noexcept {
  for (unsigned& texture : m_nTexture) {
    if (texture) glDeleteTextures(1, &texture);
    texture = 0;
  }
}

unsigned COGLFonts::GetTexture(int font) const noexcept {
  return m_nTexture[GlyphFontIndex(font)];
}

const SGlyphAtlas& COGLFonts::GetAtlas(int font) const noexcept {
  return m_Atlas[GlyphFontIndex(font)];
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
    if (const COGLFonts* fonts = CCurrentGLContext::GetFonts()) PrintAtRaster(*fonts, fonts->GetSelectedFont(), text, length);
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
    const SFontGlyphs* glyphs = GetFontGlyphs(font);
    if (!glyphs || !fonts->GetTexture(font)) return;
    // Straight in frame pixels: no raster position, no matrix changes.
    const STextLayout layout = LayoutTextInRect(rect, text, align, font);
    SGlyphRun run;
    AppendGlyphs(run, *glyphs, text, layout.kept);
    if (layout.elided) AppendGlyphs(run, *glyphs, "...", 3);
    if (run.count > 0) DrawRun(*fonts, font, run, layout.x, layout.baseline, +1);
  });
}

}  // namespace VSTGUI
