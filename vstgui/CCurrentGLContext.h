#pragma once
// Which editor's GL context is current on this thread, as the view framework
// sees it: the owner (its frame), that context's fonts and the number of the
// frame being drawn. GL keeps one current context per thread, so this is
// per thread too.
//
// The frame opens a scope right after making its context current (for the
// draw pass, and for opening and closing) and lets it end before restoring
// the previous context. Scopes nest; the innermost one counts.
//
// Bitmaps use the owner to keep each texture in the context that created
// it; text drawing finds its glyph textures through the fonts, and bitmaps
// drawn at their own size the context's pixel sampler (CGLPixelSampler).

namespace VSTGUI {

class COGLFonts;

class CCurrentGLContext {
 public:
  CCurrentGLContext(const void* owner, COGLFonts* fonts, unsigned long frameNumber, unsigned pixelSampler = 0) noexcept;
  ~CCurrentGLContext();
  CCurrentGLContext(const CCurrentGLContext&) = delete;
  CCurrentGLContext& operator=(const CCurrentGLContext&) = delete;

  // Null, null and 0 outside every scope.
  static const void* GetOwner() noexcept;
  static COGLFonts* GetFonts() noexcept;
  static unsigned long GetFrameNumber() noexcept;
  // The context's nearest-filtering sampler name, 0 for none.
  static unsigned GetPixelSampler() noexcept;

 private:
  const void* m_pOwner;
  COGLFonts* m_pFonts;
  unsigned long m_nFrameNumber;
  unsigned m_nPixelSampler;
  const CCurrentGLContext* m_pPrevious;
};

}  // namespace VSTGUI
