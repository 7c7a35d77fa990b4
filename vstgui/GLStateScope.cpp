#include "vstgui/GLStateScope.h"

#include <GL/gl.h>

namespace VSTGUI {

CGLStateScope::CGLStateScope(unsigned attribBits, bool texture) noexcept : m_bTexture(texture) {
  glPushAttrib(attribBits);
  if (m_bTexture) {
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &m_nTextureBinding);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &m_nTextureEnvMode);
  }
}

CGLStateScope::~CGLStateScope() {
  if (m_bTexture) {
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(m_nTextureBinding));
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, m_nTextureEnvMode);
  }
  glPopAttrib();
}

}  // namespace VSTGUI
