#pragma once
// A sampler object with nearest filtering, one per GL context, for textured
// quads whose texels land one to one on whole pixels (bitmaps drawn at
// their own size). There every pixel centre is a texel centre, where linear
// filtering returns the texel itself: the picture is the same, but a
// software renderer samples nearest texels at about half the cost. Bound
// only for such draws, so a texture keeps its own (linear) filtering for
// everything else.
//
// Needs sampler objects (OpenGL 3.3 or ARB_sampler_objects); without them
// Create() leaves the name 0 and draws keep the texture's own filtering.
namespace VSTGUI {

class CGLPixelSampler {
 public:
  CGLPixelSampler() = default;
  CGLPixelSampler(const CGLPixelSampler&) = delete;
  CGLPixelSampler& operator=(const CGLPixelSampler&) = delete;

  // In the context that will use it (current); false when unsupported.
  bool Create() noexcept;
  void Release() noexcept;
  // Drops the name without GL calls, when the context has gone.
  void Forget() noexcept { m_nName = 0; }
  unsigned GetName() const noexcept { return m_nName; }

 private:
  unsigned m_nName = 0;
};

// Binds the current context's pixel sampler to texture unit 0 for the
// scope: only under the frame's pixel projection with a model-view that
// moves by whole pixels at most, and not when the context has no sampler.
class CPixelExactSampling {
 public:
  CPixelExactSampling() noexcept;
  ~CPixelExactSampling();
  CPixelExactSampling(const CPixelExactSampling&) = delete;
  CPixelExactSampling& operator=(const CPixelExactSampling&) = delete;

 private:
  unsigned m_nName;
};

}  // namespace VSTGUI
