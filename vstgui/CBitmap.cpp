#include "vstgui/CBitmap.h"

#include <GL/gl.h>

#include <algorithm>

#include "Helpers/ErrorReport.h"
#include "resources/Resources.h"
#include "vstgui/CCurrentGLContext.h"
#include "vstgui/GLPixelSampler.h"
#include "vstgui/GLRaster.h"
#include "vstgui/GLState.h"

namespace VSTGUI {
namespace {

std::atomic<bool> s_bCacheTextures{true};
std::atomic<bool> s_bForceUploadFailure{false};
// Texture names are chosen by counting up from here past names in use.
std::atomic<GLuint> s_nNextTextureName{1};

constexpr int CHECKER_SQUARE = 8;

void ClearGLErrors() {
  for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
  }
}

// Creates texture `name` from the (padded) pixels: clamped, linear. False
// when GL refuses it.
bool UploadTexture(GLuint name, const SPixels& pixels) {
  ClearGLErrors();
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  if (pixels.stride > maxSize || pixels.rows > maxSize) return false;
  const CGLAttribScope saved(0, true);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, pixels.stride, pixels.rows, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.rgba.data());
  glPopClientAttrib();
  return glGetError() == GL_NO_ERROR;
}

bool IsOpaque(const SPixels& pixels) {
  for (int y = 0; y < pixels.height; ++y)
    for (int x = 0; x < pixels.width; ++x)
      if (pixels.At(x, y)[3] != 255) return false;
  return true;
}

void SetBlending() {
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_ALPHA_TEST);
}

}  // namespace

CBitmap::CBitmap(CFrame* frame, long resourceId) noexcept : m_pFrame(frame), m_nResourceId(resourceId) {
  loadFromResource();
}

CBitmap::~CBitmap() {
  glReleaseTexture();
}

void CBitmap::remember() noexcept {
  m_nReferences.fetch_add(1, std::memory_order_relaxed);
}

void CBitmap::forget() noexcept {
  if (m_nReferences.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

void CBitmap::loadFromResource() noexcept {
  const bool loaded = kiv::Guard(KIV_SIGNATURE, false, [this] {
    const resources::SResourceEntry* resource = resources::FindResource(static_cast<int>(m_nResourceId));
    std::string error;
    if (!resource) {
      error = "no image resource has this id";
    } else if (DecodePng(resource->data, resource->size, m_Pixels, error)) {
      if (s_bCacheTextures.load(std::memory_order_relaxed)) PadToPowersOfTwo(m_Pixels);
      m_nWidth = m_Pixels.width;
      m_nHeight = m_Pixels.height;
      m_bLoaded = true;
      return true;
    }
    m_sLoadError = "image " + std::to_string(m_nResourceId) + ": " + error;
    return false;
  });
  if (!loaded) {
    m_Pixels = SPixels{};
    kiv::ReportError(KIV_SIGNATURE);  // the placeholder stands in
  }
}

bool CBitmap::hasTextureHere() const noexcept {
  return m_nTextureName != 0 && m_pTextureOwner == CCurrentGLContext::GetOwner();
}

bool CBitmap::glCreateTexture() noexcept {
  if (hasTextureHere()) return true;
  if (!m_bLoaded || !s_bCacheTextures.load(std::memory_order_relaxed)) return false;
  return kiv::Guard(KIV_SIGNATURE, false, [this] {
    PadToPowersOfTwo(m_Pixels);
    GLuint name = s_nNextTextureName.fetch_add(1, std::memory_order_relaxed);
    while (glIsTexture(name)) name = s_nNextTextureName.fetch_add(1, std::memory_order_relaxed);

    const bool ok = UploadTexture(name, m_Pixels) && !s_bForceUploadFailure.load(std::memory_order_relaxed);
    m_nTextureName = name;
    m_pTextureOwner = CCurrentGLContext::GetOwner();
    if (!ok) {
      glReleaseTexture();
      s_bCacheTextures.store(false, std::memory_order_relaxed);
      return false;
    }
    m_bOpaque = IsOpaque(m_Pixels);
    m_fTextureScaleX = static_cast<float>(m_nWidth) / static_cast<float>(m_Pixels.stride);
    m_fTextureScaleY = static_cast<float>(m_nHeight) / static_cast<float>(m_Pixels.rows);
    return true;
  });
}

void CBitmap::glReleaseTexture() noexcept {
  if (m_nTextureName == 0) return;
  if (m_pTextureOwner == CCurrentGLContext::GetOwner()) {
    const GLuint name = m_nTextureName;
    glDeleteTextures(1, &name);
  }
  m_nTextureName = 0;
  m_pTextureOwner = nullptr;
  m_fTextureScaleX = m_fTextureScaleY = 1.0f;
}

void CBitmap::drawOGL(int x, int y) noexcept {
  drawOGL(x, y, 0, 0, m_nWidth, m_nHeight);
}

void CBitmap::drawOGL(const CRect& dest, const CPoint& offset) noexcept {
  drawOGL(dest.left, dest.top, offset.h, offset.v, dest.width(), dest.height());
}

void CBitmap::drawOGL(int x, int y, int sx, int sy, int width, int height) noexcept {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_nLastDrawnFrame = CCurrentGLContext::GetFrameNumber();
    if (!m_bLoaded) {
      drawPlaceholder(x, y, width, height);
      return;
    }
    // Only the part of the source rectangle that lies on the image.
    const int left = std::max(sx, 0), top = std::max(sy, 0);
    const int right = std::min(sx + width, m_nWidth), bottom = std::min(sy + height, m_nHeight);
    if (right <= left || bottom <= top) return;
    x += left - sx;
    y += top - sy;
    if (hasTextureHere() || (m_nTextureName == 0 && glCreateTexture())) {
      drawTextured(x, y, left, top, right - left, bottom - top);
    } else {
      drawPixels(x, y, left, top, right - left, bottom - top);
    }
  });
}

void CBitmap::drawTextured(int x, int y, int sx, int sy, int width, int height) noexcept {
  const float tw = static_cast<float>(m_Pixels.stride), th = static_cast<float>(m_Pixels.rows);
  const float s0 = static_cast<float>(sx) / tw, s1 = static_cast<float>(sx + width) / tw;
  const float t0 = static_cast<float>(sy) / th, t1 = static_cast<float>(sy + height) / th;
  const CGLAttribScope saved(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT, true);
  // Texels land one to one on pixel centres: nearest sampling gives the
  // same picture for less. An opaque image blended over anything is the
  // image itself, and unblended the renderer need not read what lies below.
  const CPixelExactSampling pixelExact;
  SetBlending();
  if (m_bOpaque) glDisable(GL_BLEND);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, m_nTextureName);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  // Rows were uploaded top first, so t grows downwards like y.
  glBegin(GL_QUADS);
  glTexCoord2f(s0, t0);
  glVertex2i(x, y);
  glTexCoord2f(s1, t0);
  glVertex2i(x + width, y);
  glTexCoord2f(s1, t1);
  glVertex2i(x + width, y + height);
  glTexCoord2f(s0, t1);
  glVertex2i(x, y + height);
  glEnd();
}

void CBitmap::drawPixels(int x, int y, int sx, int sy, int width, int height) noexcept {
  const CGLAttribScope saved(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_PIXEL_MODE_BIT);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  SetBlending();
  glDisable(GL_TEXTURE_2D);
  glPixelTransferf(GL_RED_SCALE, 1);
  glPixelTransferf(GL_GREEN_SCALE, 1);
  glPixelTransferf(GL_BLUE_SCALE, 1);
  glPixelTransferf(GL_ALPHA_SCALE, 1);
  glPixelTransferf(GL_RED_BIAS, 0);
  glPixelTransferf(GL_GREEN_BIAS, 0);
  glPixelTransferf(GL_BLUE_BIAS, 0);
  glPixelTransferf(GL_ALPHA_BIAS, 0);
  glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, m_Pixels.stride);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, sx);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, sy);
  // The rows are stored top first; GL stacks pixel rows upwards, so draw
  // them downwards from the top-left corner.
  glPixelZoom(1, -1);
  SetRasterPixelPosition(x, y);
  glDrawPixels(width, height, GL_RGBA, GL_UNSIGNED_BYTE, m_Pixels.rgba.data());
  glPopClientAttrib();
}

void CBitmap::drawPlaceholder(int x, int y, int width, int height) noexcept {
  if (width <= 0 || height <= 0) return;
  const CGLAttribScope saved(GL_ENABLE_BIT | GL_CURRENT_BIT);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glBegin(GL_QUADS);
  for (int cy = 0; cy < height; cy += CHECKER_SQUARE) {
    for (int cx = 0; cx < width; cx += CHECKER_SQUARE) {
      const bool magenta = ((cx + cy) / CHECKER_SQUARE) % 2 == 0;
      glColor4ub(magenta ? 255 : 0, 0, magenta ? 255 : 0, 255);
      const int r = x + std::min(cx + CHECKER_SQUARE, width), b = y + std::min(cy + CHECKER_SQUARE, height);
      glVertex2i(x + cx, y + cy);
      glVertex2i(r, y + cy);
      glVertex2i(r, b);
      glVertex2i(x + cx, b);
    }
  }
  glEnd();
}

void CBitmap::SetCacheTextures(bool on) noexcept {
  s_bCacheTextures.store(on, std::memory_order_relaxed);
}

bool CBitmap::GetCacheTextures() noexcept {
  return s_bCacheTextures.load(std::memory_order_relaxed);
}

void CBitmap::ForceTextureUploadFailure(bool fail) noexcept {
  s_bForceUploadFailure.store(fail, std::memory_order_relaxed);
}

}  // namespace VSTGUI
