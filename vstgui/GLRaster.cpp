#include "vstgui/GLRaster.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

namespace VSTGUI {

void SetRasterPixelPosition(int x, int y) noexcept {
  glRasterPos2i(x, y);
  GLint valid = GL_FALSE;
  glGetIntegerv(GL_CURRENT_RASTER_POSITION_VALID, &valid);
  if (valid) return;
  // Outside the viewport: place it in window coordinates directly, which GL
  // always accepts, assuming the frame's projection (y down from the top).
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  glWindowPos2i(viewport[0] + x, viewport[1] + viewport[3] - y);
}

}  // namespace VSTGUI
