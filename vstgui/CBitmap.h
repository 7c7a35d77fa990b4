#pragma once
// An image from the module's resources, drawn with GL at pixel positions.
//
// The pixels are decoded once, kept in memory (RGBA rows, upright) and, with
// the process-wide "Cache Textures" switch on, uploaded as a texture padded
// to powers of two on the first draw. A texture belongs to the GL context
// it was created in (the CCurrentGLContext owner of that draw); in any other
// context the bitmap draws from its pixels instead. If an upload fails,
// textures are switched off for the process and every bitmap draws from its
// pixels, looking the same.
//
// A missing or damaged image reports through the error hook once and draws
// as a magenta and black checker (PLACEHOLDER_SIZE square, or the size a
// sub-rectangle draw asks for).
//
// Reference counted: the creator holds the first reference; forget() drops
// one and deletes the bitmap with the last. Used on the editor's thread.
#include <atomic>
#include <string>

#include "vstgui/PngDecoder.h"
#include "vstgui/Types.h"

namespace VSTGUI {

class CFrame;

class CBitmap {
 public:
  static constexpr int PLACEHOLDER_SIZE = 32;

  CBitmap(CFrame* frame, long resourceId) noexcept;
  CBitmap(const CBitmap&) = delete;
  CBitmap& operator=(const CBitmap&) = delete;

  void remember() noexcept;
  void forget() noexcept;
  int getNbReference() const noexcept { return m_nReferences.load(std::memory_order_relaxed); }

  long getResourceId() const noexcept { return m_nResourceId; }
  int getWidth() const noexcept { return m_nWidth; }
  int getHeight() const noexcept { return m_nHeight; }
  // False when the placeholder stands in for the image; getLoadError says why.
  bool isLoaded() const noexcept { return m_bLoaded; }
  const std::string& getLoadError() const noexcept { return m_sLoadError; }
  const SPixels& getPixels() const noexcept { return m_Pixels; }
  // For owners that adjust an image once after loading it: takes effect on
  // drawing only before the bitmap's first texture is made.
  SPixels& editPixels() noexcept { return m_Pixels; }
  CFrame* getFrame() const noexcept { return m_pFrame; }

  // Draws the whole image with its top-left corner at (x, y).
  void drawOGL(int x, int y) noexcept;
  // Draws the source rectangle (sx, sy, width, height) of the image with its
  // top-left corner at (x, y); parts outside the image are not drawn.
  void drawOGL(int x, int y, int sx, int sy, int width, int height) noexcept;
  // The same as a destination rectangle and a source offset.
  void drawOGL(const CRect& dest, const CPoint& offset) noexcept;

  // Uploads the pixels as a texture of the current context (done by the
  // first draw; callable ahead of it). False if textures are off, the image
  // did not load, or the upload failed (which switches textures off).
  bool glCreateTexture() noexcept;
  // Deletes the texture if it belongs to the current context, and forgets it
  // either way (a context's textures go with the context).
  void glReleaseTexture() noexcept;

  unsigned getTextureName() const noexcept { return m_nTextureName; }
  int getTextureWidth() const noexcept { return m_Pixels.stride; }
  int getTextureHeight() const noexcept { return m_Pixels.rows; }
  // Texture-coordinate scale: image size / texture size.
  float getTextureScaleX() const noexcept { return m_fTextureScaleX; }
  float getTextureScaleY() const noexcept { return m_fTextureScaleY; }
  // The CCurrentGLContext frame number of the last draw (0 before any).
  unsigned long getLastDrawnFrame() const noexcept { return m_nLastDrawnFrame; }

  // The process-wide "Cache Textures" switch (on by default). Set it before
  // bitmaps are created: it decides whether their pixels are padded.
  static void SetCacheTextures(bool on) noexcept;
  static bool GetCacheTextures() noexcept;
  // Tests: makes every texture upload fail as a driver's would.
  static void ForceTextureUploadFailure(bool fail) noexcept;

 protected:
  virtual ~CBitmap();

 private:
  void loadFromResource() noexcept;
  bool hasTextureHere() const noexcept;
  void drawTextured(int x, int y, int sx, int sy, int width, int height) noexcept;
  void drawPixels(int x, int y, int sx, int sy, int width, int height) noexcept;
  static void drawPlaceholder(int x, int y, int width, int height) noexcept;

  CFrame* m_pFrame;
  long m_nResourceId;
  std::atomic<int> m_nReferences{1};
  int m_nWidth = PLACEHOLDER_SIZE;
  int m_nHeight = PLACEHOLDER_SIZE;
  bool m_bLoaded = false;
  std::string m_sLoadError;
  SPixels m_Pixels;
  unsigned m_nTextureName = 0;
  const void* m_pTextureOwner = nullptr;
  bool m_bOpaque = false;  // every pixel of the image has alpha 255
  float m_fTextureScaleX = 1.0f;
  float m_fTextureScaleY = 1.0f;
  unsigned long m_nLastDrawnFrame = 0;
};

}  // namespace VSTGUI
