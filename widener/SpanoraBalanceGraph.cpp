#include "widener/SpanoraBalanceGraph.h"

#include <GL/gl.h>

#include <algorithm>

#include "Helpers/ErrorReport.h"
#include "vstgui/AEffGUIEditor.h"
#include "vstgui/GLState.h"

using namespace VSTGUI;

namespace {
constexpr long NO_PARAMETER_TAG = 9999;
}

CSpanoraBalanceGraph::CSpanoraBalanceGraph(const CRect& size, AEffGUIEditor* editor)
    : CControl(size, dynamic_cast<CControlListener*>(editor), NO_PARAMETER_TAG),
      m_fCentre(static_cast<float>(size.left + size.right) / 2.0f),
      m_fHalfWidth(static_cast<float>(size.right - size.left) / 2.0f),
      m_fSmoothed(m_fCentre) {
  std::fill(std::begin(m_fHistory), std::end(m_fHistory), m_fCentre);
}

void CSpanoraBalanceGraph::PushLevels(float left, float right) noexcept {
  const float sum = left + right;
  const float ratio = sum > 0.0001f ? (right - left) / sum : 0.0f;
  const float position = m_fHalfWidth * ratio + m_fCentre;
  m_nIndex = (m_nIndex + 1) % HISTORY;
  m_fHistory[m_nIndex] = position;
  m_fSmoothed = m_fSmoothed * 0.99f + position * 0.00999999f;
  setDirty();
}

void CSpanoraBalanceGraph::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    CGLStateScope saved;
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    const float top = static_cast<float>(m_size.top), bottom = static_cast<float>(m_size.bottom);
    // Oldest to newest: entry i (1 the oldest) brightens towards the present.
    glBegin(GL_QUADS);
    for (int i = 2; i <= HISTORY; ++i) {
      const float from = GetHistory(m_nIndex + i - 1);
      const float to = GetHistory(m_nIndex + i);
      const float age = static_cast<float>(i) / HISTORY;
      glColor4f(0.02f * age, 0.0f, 0.15f * age, 1.0f);
      glVertex2f(from, top);
      glVertex2f(from, bottom);
      glVertex2f(to, bottom);
      glVertex2f(to, top);
    }
    glEnd();

    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.5f, 0.5f, 0.5f, 1.0f);
    glRectf(m_fSmoothed - 1.0f, top, m_fSmoothed + 1.0f, bottom);
    if (m_pCompanion) {
      m_pCompanion->setValue(0.5f + 0.5f * (m_fSmoothed - m_fCentre) / m_fHalfWidth);
      m_pCompanion->setDirty();
    }
  });
}
