#pragma once
// Saves the GL state a drawing routine changes and puts it back when the
// scope ends: the attribute groups given (glPushAttrib bits) and, on
// request, the 2D texture binding and texture environment mode.
//
// Those two are saved by hand because glPushAttrib(GL_TEXTURE_BIT) copies
// the state of every texture unit and target on Mesa, hundreds of
// kilobytes per push: it made drawing a label cost milliseconds.
namespace VSTGUI {

class CGLStateScope {
 public:
  explicit CGLStateScope(unsigned attribBits, bool texture = false) noexcept;
  ~CGLStateScope();
  CGLStateScope(const CGLStateScope&) = delete;
  CGLStateScope& operator=(const CGLStateScope&) = delete;

 private:
  bool m_bTexture;
  int m_nTextureBinding = 0;
  int m_nTextureEnvMode = 0;
};

}  // namespace VSTGUI
