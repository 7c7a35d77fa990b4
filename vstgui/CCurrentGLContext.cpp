#include "vstgui/CCurrentGLContext.h"

namespace VSTGUI {
namespace {
thread_local const CCurrentGLContext* t_pCurrent = nullptr;
}

CCurrentGLContext::CCurrentGLContext(const void* owner, COGLFonts* fonts, unsigned long frameNumber,
                                     unsigned pixelSampler) noexcept
    : m_pOwner(owner),
      m_pFonts(fonts),
      m_nFrameNumber(frameNumber),
      m_nPixelSampler(pixelSampler),
      m_pPrevious(t_pCurrent) {
  t_pCurrent = this;
}

CCurrentGLContext::~CCurrentGLContext() {
  t_pCurrent = m_pPrevious;
}

const void* CCurrentGLContext::GetOwner() noexcept {
  return t_pCurrent ? t_pCurrent->m_pOwner : nullptr;
}

COGLFonts* CCurrentGLContext::GetFonts() noexcept {
  return t_pCurrent ? t_pCurrent->m_pFonts : nullptr;
}

unsigned long CCurrentGLContext::GetFrameNumber() noexcept {
  return t_pCurrent ? t_pCurrent->m_nFrameNumber : 0;
}

unsigned CCurrentGLContext::GetPixelSampler() noexcept {
  return t_pCurrent ? t_pCurrent->m_nPixelSampler : 0;
}

}  // namespace VSTGUI
