#include "vstgui/GLState.h"

#include <GL/gl.h>

#include <algorithm>

namespace VSTGUI {

// Every attribute group but GL_TEXTURE_BIT, whose pop costs Mesa a texture
// validation per view; the texture state a draw can change (the 2D binding
// and the environment mode) is saved by hand instead.
CGLStateScope::CGLStateScope() noexcept : m_attribs(GL_ALL_ATTRIB_BITS & ~GL_TEXTURE_BIT, true) {
  glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
}

CGLStateScope::~CGLStateScope() {
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopClientAttrib();
}

CGLAttribScope::CGLAttribScope(unsigned attribBits, bool texture) noexcept : m_bTexture(texture) {
  glPushAttrib(attribBits);
  if (m_bTexture) {
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &m_nTextureBinding);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &m_nTextureEnvMode);
  }
}

CGLAttribScope::~CGLAttribScope() {
  if (m_bTexture) {
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(m_nTextureBinding));
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, m_nTextureEnvMode);
  }
  glPopAttrib();
}

void ApplyPixelProjection(int width, int height) noexcept {
  const int w = std::max(width, 1);
  const int h = std::max(height, 1);
  glViewport(0, 0, w, h);
  glMatrixMode(GL_PROJECTION);
  const GLdouble projection[16] = {2.0 / w, 0, 0, 0,  0, -2.0 / h, 0, 0,  0, 0, 1, 0,  -1, 1, 0, 1};
  glLoadMatrixd(projection);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void ApplyInitialGLState() noexcept {
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glEnable(GL_LINE_SMOOTH);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glHint(GL_LINE_SMOOTH_HINT, GL_DONT_CARE);
}

void SetGLColor(const CColor& color) noexcept { glColor4ub(color.red, color.green, color.blue, color.alpha); }

void FillRect(const CRect& rect) noexcept {
  glBegin(GL_QUADS);
  glVertex2i(rect.left, rect.top);
  glVertex2i(rect.right, rect.top);
  glVertex2i(rect.right, rect.bottom);
  glVertex2i(rect.left, rect.bottom);
  glEnd();
}

// An opaque colour blended over what lies below (source alpha, one minus
// source alpha) is the colour itself; unblended, the renderer need not read
// the pixels below. Only when nothing else (a texture, another blend) acts.
namespace {

bool IsPlainOverBlend() noexcept {
  if (!glIsEnabled(GL_BLEND) || glIsEnabled(GL_TEXTURE_2D)) return false;
  GLint srcRgb = 0, dstRgb = 0, srcAlpha = 0, dstAlpha = 0, equation = 0;
  glGetIntegerv(GL_BLEND_SRC_RGB, &srcRgb);
  glGetIntegerv(GL_BLEND_DST_RGB, &dstRgb);
  glGetIntegerv(GL_BLEND_SRC_ALPHA, &srcAlpha);
  glGetIntegerv(GL_BLEND_DST_ALPHA, &dstAlpha);
  glGetIntegerv(GL_BLEND_EQUATION_RGB, &equation);
  return srcRgb == GL_SRC_ALPHA && srcAlpha == GL_SRC_ALPHA && dstRgb == GL_ONE_MINUS_SRC_ALPHA &&
         dstAlpha == GL_ONE_MINUS_SRC_ALPHA && equation == GL_FUNC_ADD;
}

}  // namespace

void FillRect(const CRect& rect, const CColor& color) noexcept {
  SetGLColor(color);
  const bool skipBlend = color.alpha == 255 && IsPlainOverBlend();
  if (skipBlend) glDisable(GL_BLEND);
  FillRect(rect);
  if (skipBlend) glEnable(GL_BLEND);
}

void FrameRect(const CRect& rect) noexcept {
  // Pixel centres, so the outline covers exactly the edge pixels.
  const float l = rect.left + 0.5f, t = rect.top + 0.5f, r = rect.right - 0.5f, b = rect.bottom - 0.5f;
  glBegin(GL_LINE_LOOP);
  glVertex2f(l, t);
  glVertex2f(r, t);
  glVertex2f(r, b);
  glVertex2f(l, b);
  glEnd();
}

}  // namespace VSTGUI
