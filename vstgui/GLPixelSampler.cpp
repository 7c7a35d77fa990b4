#include "vstgui/GLPixelSampler.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "vstgui/CCurrentGLContext.h"

namespace VSTGUI {
namespace {

bool HasSamplerObjects() {
  const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  int major = 0, minor = 0;
  if (version && std::sscanf(version, "%d.%d", &major, &minor) == 2 && (major > 3 || (major == 3 && minor >= 3)))
    return true;
  const auto* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  return extensions && std::strstr(extensions, "GL_ARB_sampler_objects") != nullptr;
}

// The frame's pixel projection for the current viewport, and a model-view
// that at most moves by whole pixels: integer quads then cover whole pixels
// with texel centres on pixel centres.
bool IsPixelExactTransform() {
  GLint viewport[4] = {};
  GLfloat projection[16] = {}, modelView[16] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
  if (viewport[2] <= 0 || viewport[3] <= 0) return false;
  const GLfloat pixels[16] = {static_cast<GLfloat>(2.0 / viewport[2]), 0, 0, 0, 0, static_cast<GLfloat>(-2.0 / viewport[3]), 0, 0,
                              0, 0, 1, 0, -1, 1, 0, 1};
  for (int i = 0; i < 16; ++i) {
    if (std::fabs(projection[i] - pixels[i]) > 1e-6f * std::fabs(pixels[i])) return false;
    const bool translation = i == 12 || i == 13;
    const GLfloat identity = (i % 5 == 0) ? 1.0f : 0.0f;
    if (translation ? modelView[i] != std::trunc(modelView[i]) : modelView[i] != identity) return false;
  }
  return true;
}

}  // namespace

bool CGLPixelSampler::Create() noexcept {
  if (m_nName != 0) return true;
  if (!HasSamplerObjects()) return false;
  GLuint name = 0;
  glGenSamplers(1, &name);
  if (name == 0) return false;
  glSamplerParameteri(name, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glSamplerParameteri(name, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glSamplerParameteri(name, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glSamplerParameteri(name, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  m_nName = name;
  return true;
}

void CGLPixelSampler::Release() noexcept {
  if (m_nName == 0) return;
  const GLuint name = m_nName;
  glDeleteSamplers(1, &name);
  m_nName = 0;
}

CPixelExactSampling::CPixelExactSampling() noexcept : m_nName(CCurrentGLContext::GetPixelSampler()) {
  if (m_nName != 0 && !IsPixelExactTransform()) m_nName = 0;
  if (m_nName != 0) glBindSampler(0, m_nName);
}

CPixelExactSampling::~CPixelExactSampling() {
  if (m_nName != 0) glBindSampler(0, 0);
}

}  // namespace VSTGUI
