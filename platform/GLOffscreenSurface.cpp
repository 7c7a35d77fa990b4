// The offscreen backend: an OpenGL compatibility context on Mesa's
// surfaceless EGL platform (no X server needed) drawing into a framebuffer
// object with one 8-bit RGBA renderbuffer.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "Helpers/ErrorReport.h"
#include "platform/GLSurface.h"

namespace platform {
namespace {

// The one surfaceless display of the process. It is initialised once and
// stays so: eglTerminate is not counted by EGL and would invalidate the
// contexts of every other user of the display, and unloading the driver each
// time the last surface goes would cost every new surface the driver's start.
class CSurfacelessDisplay {
 public:
  static EGLDisplay Acquire(std::string& error) {
    std::lock_guard<std::mutex> lock(s_mutex);
    if (s_display == EGL_NO_DISPLAY) {
      EGLDisplay display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
      if (display == EGL_NO_DISPLAY) {
        error = "no surfaceless EGL display (Mesa's EGL_MESA_platform_surfaceless is needed)";
        return EGL_NO_DISPLAY;
      }
      EGLint major = 0, minor = 0;
      if (eglInitialize(display, &major, &minor) != EGL_TRUE) {
        error = "cannot initialise the surfaceless EGL display (error " + Hex(eglGetError()) + ")";
        return EGL_NO_DISPLAY;
      }
      s_display = display;
    }
    return s_display;
  }

  static std::string Hex(EGLint code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04x", static_cast<unsigned>(code));
    return text;
  }

 private:
  static inline std::mutex s_mutex;
  static inline EGLDisplay s_display = EGL_NO_DISPLAY;
};

// Framebuffer-object entry points, looked up at run time: they are core in
// GL 3.0 but not part of the GL 1.x link interface.
struct SFramebufferApi {
  PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
  PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
  PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
  PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
  PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
  PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
  PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
  PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;

  bool Load() {
    auto get = [](const char* name) { return eglGetProcAddress(name); };
    genFramebuffers = reinterpret_cast<PFNGLGENFRAMEBUFFERSPROC>(get("glGenFramebuffers"));
    deleteFramebuffers = reinterpret_cast<PFNGLDELETEFRAMEBUFFERSPROC>(get("glDeleteFramebuffers"));
    bindFramebuffer = reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(get("glBindFramebuffer"));
    genRenderbuffers = reinterpret_cast<PFNGLGENRENDERBUFFERSPROC>(get("glGenRenderbuffers"));
    deleteRenderbuffers = reinterpret_cast<PFNGLDELETERENDERBUFFERSPROC>(get("glDeleteRenderbuffers"));
    bindRenderbuffer = reinterpret_cast<PFNGLBINDRENDERBUFFERPROC>(get("glBindRenderbuffer"));
    renderbufferStorage = reinterpret_cast<PFNGLRENDERBUFFERSTORAGEPROC>(get("glRenderbufferStorage"));
    framebufferRenderbuffer = reinterpret_cast<PFNGLFRAMEBUFFERRENDERBUFFERPROC>(get("glFramebufferRenderbuffer"));
    checkFramebufferStatus = reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSPROC>(get("glCheckFramebufferStatus"));
    return genFramebuffers && deleteFramebuffers && bindFramebuffer && genRenderbuffers && deleteRenderbuffers &&
           bindRenderbuffer && renderbufferStorage && framebufferRenderbuffer && checkFramebufferStatus;
  }
};

// Whatever EGL had current on this thread before we took over.
struct SEglBinding {
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLSurface draw = EGL_NO_SURFACE;
  EGLSurface read = EGL_NO_SURFACE;
  EGLContext context = EGL_NO_CONTEXT;

  static SEglBinding Current() {
    return {eglGetCurrentDisplay(), eglGetCurrentSurface(EGL_DRAW), eglGetCurrentSurface(EGL_READ),
            eglGetCurrentContext()};
  }
};

class COffscreenSurface final : public CGLSurface {
 public:
  COffscreenSurface(int width, int height) : m_nWidth(width), m_nHeight(height) {}

  ~COffscreenSurface() override {
    if (m_display == EGL_NO_DISPLAY) return;
    if (m_context != EGL_NO_CONTEXT) {
      // Delete the framebuffer in its own context, then put back what was current.
      SEglBinding before = m_nDepth > 0 ? m_previous[0] : SEglBinding::Current();
      if (m_fbo != 0 &&
          eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, m_context) == EGL_TRUE) {
        m_api.deleteFramebuffers(1, &m_fbo);
        m_api.deleteRenderbuffers(1, &m_colour);
      }
      Rebind(before.context == m_context ? SEglBinding{} : before);
      m_nDepth = 0;
      eglDestroyContext(m_display, m_context);
    }
  }

  bool Create(std::string& error) {
    m_display = CSurfacelessDisplay::Acquire(error);
    if (m_display == EGL_NO_DISPLAY) return false;
    if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
      error = "EGL offers no desktop OpenGL";
      return false;
    }
    // No version asked for: Mesa then gives a compatibility context, with
    // immediate mode, display lists and the fixed-function pipeline.
    m_context = eglCreateContext(m_display, ChooseConfig(), EGL_NO_CONTEXT, nullptr);
    if (m_context == EGL_NO_CONTEXT) {
      error = "cannot create an OpenGL context on the surfaceless display (error " +
              CSurfacelessDisplay::Hex(eglGetError()) + ")";
      return false;
    }
    if (!m_api.Load()) {
      error = "the OpenGL driver has no framebuffer objects";
      return false;
    }
    if (!MakeCurrent()) {
      error = "cannot make the offscreen context current (error " + CSurfacelessDisplay::Hex(eglGetError()) + ")";
      return false;
    }
    const bool ready = CreateFramebuffer(error);
    RestoreContext();
    return ready;
  }

  int GetWidth() const noexcept override { return m_nWidth; }
  int GetHeight() const noexcept override { return m_nHeight; }
  bool IsAlive() const noexcept override { return m_context != EGL_NO_CONTEXT; }

  bool MakeCurrent() noexcept override {
    if (m_context == EGL_NO_CONTEXT || m_nDepth == MAX_NESTING) return false;
    const SEglBinding previous = SEglBinding::Current();
    if (eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, m_context) != EGL_TRUE) return false;
    m_previous[m_nDepth++] = previous;
    if (m_fbo != 0) {
      m_api.bindFramebuffer(GL_FRAMEBUFFER, m_fbo);
      glDrawBuffer(GL_COLOR_ATTACHMENT0);
      glReadBuffer(GL_COLOR_ATTACHMENT0);
    }
    return true;
  }

  void RestoreContext() noexcept override {
    if (m_nDepth == 0) return;
    Rebind(m_previous[--m_nDepth]);
  }

  // Nothing to show; finishing the frame keeps timings comparable with a swap.
  void SwapBuffers() noexcept override {
    if (eglGetCurrentContext() == m_context && m_context != EGL_NO_CONTEXT) glFlush();
  }

  bool ReadPixels(SImage& image) noexcept override {
    return kiv::Guard(KIV_SIGNATURE, false, [&] {
      if (m_context == EGL_NO_CONTEXT) return false;
      const bool wasCurrent = eglGetCurrentContext() == m_context;
      if (!wasCurrent && !MakeCurrent()) return false;
      image.width = m_nWidth;
      image.height = m_nHeight;
      image.rgba.assign(static_cast<std::size_t>(m_nWidth) * static_cast<std::size_t>(m_nHeight) * 4u, 0);
      bool ok = true;
      if (!image.rgba.empty()) {
        std::vector<std::uint8_t> bottomUp(image.rgba.size());
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, m_nWidth, m_nHeight, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
        ok = glGetError() == GL_NO_ERROR;
        const std::size_t row = static_cast<std::size_t>(m_nWidth) * 4u;
        for (int y = 0; y < m_nHeight; ++y) {
          std::memcpy(image.rgba.data() + static_cast<std::size_t>(y) * row,
                      bottomUp.data() + static_cast<std::size_t>(m_nHeight - 1 - y) * row, row);
        }
      }
      if (!wasCurrent) RestoreContext();
      return ok;
    });
  }

  bool NextEvent(SEvent&) noexcept override { return false; }
  void SetCursor(ECursor) noexcept override {}
  void TakeFocus() noexcept override {}
  std::uint64_t GetNativeId() const noexcept override { return 0; }

 private:
  EGLConfig ChooseConfig() const {
    // Configless contexts are Mesa's norm; otherwise any OpenGL-capable config
    // does, since the framebuffer object defines the pixel format.
    const char* extensions = eglQueryString(m_display, EGL_EXTENSIONS);
    if (extensions && std::strstr(extensions, "EGL_KHR_no_config_context")) return EGL_NO_CONFIG_KHR;
    const EGLint attributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (eglChooseConfig(m_display, attributes, &config, 1, &count) != EGL_TRUE || count < 1) return nullptr;
    return config;
  }

  bool CreateFramebuffer(std::string& error) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    if (m_nWidth > maxSize || m_nHeight > maxSize) {
      error = "offscreen surface " + std::to_string(m_nWidth) + "x" + std::to_string(m_nHeight) +
              " exceeds the renderer's limit of " + std::to_string(maxSize);
      return false;
    }
    m_api.genRenderbuffers(1, &m_colour);
    m_api.bindRenderbuffer(GL_RENDERBUFFER, m_colour);
    // A zero-sized side still gets one row or column of storage, so that the
    // framebuffer stays complete; reads cover the requested size only.
    m_api.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, std::max(m_nWidth, 1), std::max(m_nHeight, 1));
    m_api.genFramebuffers(1, &m_fbo);
    m_api.bindFramebuffer(GL_FRAMEBUFFER, m_fbo);
    m_api.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_colour);
    if (m_api.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
      error = "the offscreen framebuffer is incomplete";
      return false;
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, std::max(m_nWidth, 1), std::max(m_nHeight, 1));
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    return glGetError() == GL_NO_ERROR;
  }

  void Rebind(const SEglBinding& binding) noexcept {
    if (binding.context != EGL_NO_CONTEXT) {
      eglMakeCurrent(binding.display, binding.draw, binding.read, binding.context);
    } else {
      eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }
  }

  int m_nWidth;
  int m_nHeight;
  EGLDisplay m_display = EGL_NO_DISPLAY;
  EGLContext m_context = EGL_NO_CONTEXT;
  SFramebufferApi m_api;
  GLuint m_fbo = 0;
  GLuint m_colour = 0;
  // What was current before each MakeCurrent still open, outermost first.
  static constexpr int MAX_NESTING = 4;
  std::array<SEglBinding, MAX_NESTING> m_previous{};
  int m_nDepth = 0;
};

}  // namespace

std::unique_ptr<CGLSurface> CreateOffscreenSurface(int width, int height, std::string& error) noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::unique_ptr<CGLSurface>(), [&]() -> std::unique_ptr<CGLSurface> {
    if (width < 0 || height < 0) {
      error = "offscreen surface size " + std::to_string(width) + "x" + std::to_string(height) + " is negative";
      return nullptr;
    }
    auto surface = std::make_unique<COffscreenSurface>(width, height);
    if (!surface->Create(error)) return nullptr;
    return surface;
  });
}

}  // namespace platform
