#include "widener/SpanoraGraph.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "Helpers/ErrorReport.h"
#include "Helpers/FrequencyDataStore.h"
#include "vstgui/AEffGUIEditor.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CCurrentGLContext.h"
#include "vstgui/CDrawContext.h"
#include "vstgui/CFrame.h"
#include "vstgui/GLState.h"

using namespace VSTGUI;
using namespace spanora_graph;

namespace {

CControlListener* ListenerOf(AEffGUIEditor* editor) { return dynamic_cast<CControlListener*>(editor); }

}  // namespace

CSpanoraGraph::CSpanoraGraph(const CRect& size, AEffGUIEditor* editor, int radialDepth, int pixelsPerPoint,
                             long bitmapId)
    : CSpanoraGraph(size, editor, radialDepth, pixelsPerPoint,
                    new CBitmap(editor ? editor->getFrame() : nullptr, bitmapId)) {
  m_pSprite->forget();  // the delegated constructor took its own reference
  // Additive drawing needs colour already weighted by alpha; the editor's
  // shared copy arrives that way, a private copy is weighted on upload.
  m_bPremultiply = true;
}

CSpanoraGraph::CSpanoraGraph(const CRect& size, AEffGUIEditor* editor, int radialDepth, int pixelsPerPoint,
                             CBitmap* sprite)
    : CFreqGraph(size, editor, ListenerOf(editor), radialDepth / std::max(1, pixelsPerPoint)),
      m_nRadialDepth(radialDepth),
      m_nPixelsPerPoint(std::max(1, pixelsPerPoint)),
      m_pSprite(sprite) {
  if (m_pSprite) m_pSprite->remember();
  // The graph extracts raw amplitudes: it never smooths through the base.
  m_fRise = 0.0f;
  m_fFall = 0.8f;
}

CSpanoraGraph::~CSpanoraGraph() {
  ReleaseGL();
  if (m_pSprite) m_pSprite->forget();
}

float CSpanoraGraph::GetSpriteHalfSize() const { return m_pSprite ? static_cast<float>(m_pSprite->getWidth()) : 0.0f; }

void CSpanoraGraph::mouse(CDrawContext* context, CPoint&, long) {
  // Clicks pass through to nothing: the handles lie on the overlay above.
  if (context) (void)context->getMouseButtons();
}

CSpanoraGraph::SSprite CSpanoraGraph::ComputeSprite(int point, float threshold) const {
  const float cx = static_cast<float>(m_size.left + m_size.right) / 2.0f;
  const STrailSprite placed = PlaceTrailSprite(m_Curves[0].values[static_cast<std::size_t>(point)],
                                               m_Curves[1].values[static_cast<std::size_t>(point)], threshold,
                                               GetSpriteHalfSize(), cx);
  const float theta = cx > 0.0f ? placed.offset * FULL_ANGLE / cx : 0.0f;
  const float radius = static_cast<float>(m_size.height() - (m_nPoints - point) * m_nPixelsPerPoint);
  SSprite sprite;
  sprite.centre.x = std::trunc(cx + std::sin(theta) * radius);
  sprite.centre.y = static_cast<float>(m_size.top) + std::trunc(static_cast<float>(m_size.height()) - std::cos(theta) * radius);
  sprite.halfSize = placed.halfSize;
  return sprite;
}

bool CSpanoraGraph::PrepareGL() {
  const void* owner = CCurrentGLContext::GetOwner();
  if (owner == nullptr) return false;
  if (m_pGLOwner == owner) return true;
  // A new context (the editor reopened): what lived in the old one went with it.
  m_pGLOwner = owner;
  m_nListBase = glGenLists(CTrailRing::NUM_LAYERS);
  for (int i = 0; m_nListBase != 0 && i < CTrailRing::NUM_LAYERS; ++i) {
    glNewList(m_nListBase + static_cast<unsigned>(i), GL_COMPILE);
    glEndList();
  }
  m_nTexture = 0;
  if (m_pSprite && m_pSprite->isLoaded()) {
    const SPixels& pixels = m_pSprite->getPixels();
    const int w = NextPowerOfTwo(pixels.width), h = NextPowerOfTwo(pixels.height);
    std::vector<std::uint8_t> padded(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4, 0);
    for (int y = 0; y < pixels.height; ++y) {
      std::uint8_t* row = &padded[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) * 4];
      std::copy_n(pixels.At(0, y), static_cast<std::size_t>(pixels.width) * 4, row);
      for (int x = 0; m_bPremultiply && x < pixels.width; ++x) {
        std::uint8_t* px = row + static_cast<std::size_t>(x) * 4;
        for (int c = 0; c < 3; ++c) px[c] = static_cast<std::uint8_t>((px[c] * px[3]) >> 8);
      }
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, padded.data());
    m_nTexture = name;
    m_fTexScaleX = static_cast<float>(pixels.width) / static_cast<float>(w);
    m_fTexScaleY = static_cast<float>(pixels.height) / static_cast<float>(h);
  }
  return m_nListBase != 0;
}

void CSpanoraGraph::ReleaseGL() noexcept {
  // Only the context they were made in can delete them; the frame makes it
  // current while it removes its views.
  if (m_pGLOwner != nullptr && CCurrentGLContext::GetOwner() == m_pGLOwner) {
    if (m_nListBase != 0) glDeleteLists(m_nListBase, CTrailRing::NUM_LAYERS);
    if (m_nTexture != 0) glDeleteTextures(1, &m_nTexture);
  }
  m_nListBase = 0;
  m_nTexture = 0;
  m_pGLOwner = nullptr;
}

void CSpanoraGraph::RecordLayer(int layer) {
  const float threshold = TrailThreshold(GetValues(0), GetValues(1));
  const float sx = m_fTexScaleX, sy = m_fTexScaleY;
  glNewList(m_nListBase + static_cast<unsigned>(layer), GL_COMPILE);
  glBegin(GL_QUADS);
  for (int k = 0; k < m_nPoints; ++k) {
    const SSprite sprite = ComputeSprite(k, threshold);
    if (sprite.halfSize <= 0.0f) continue;  // on the centre line with no size: nothing to see
    const float x0 = sprite.centre.x - sprite.halfSize, x1 = sprite.centre.x + sprite.halfSize;
    const float y0 = sprite.centre.y - sprite.halfSize, y1 = sprite.centre.y + sprite.halfSize;
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(x0, y0);
    glTexCoord2f(0.0f, sy);
    glVertex2f(x0, y1);
    glTexCoord2f(sx, sy);
    glVertex2f(x1, y1);
    glTexCoord2f(sx, 0.0f);
    glVertex2f(x1, y0);
  }
  glEnd();
  glEndList();
}

void CSpanoraGraph::drawOGL() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    CFrequencyDataStore* left = GetDataStore(0);
    CFrequencyDataStore* right = GetDataStore(1);
    if (left == nullptr || right == nullptr) return;
    CGLStateScope saved;
    DoOwnerDraw(m_size, getFrame() ? getFrame()->getDrawContext() : nullptr);
    left->CatchUp();
    right->CatchUp();
    ExtractGraphFromDataStore(0, false, false, false);
    ExtractGraphFromDataStore(1, false, false, false);
    m_bForceExtract = false;
    // Nothing holds the stores busy across a frame, so the counters only
    // come down to zero and never drift below it.
    for (CFrequencyDataStore* store : {left, right})
      if (store->GetCopyInProgress() > 0) store->DecrementCopyInProgress();

    if (!PrepareGL()) return;
    const std::uint32_t now = Now();
    const int layer = m_Trail.Advance(now);
    if (layer >= 0) RecordLayer(layer);

    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    if (m_nTexture != 0) {
      glEnable(GL_TEXTURE_2D);
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
      glBindTexture(GL_TEXTURE_2D, m_nTexture);
    }
    for (int i = 0; i < CTrailRing::NUM_LAYERS; ++i) {
      const float c = CTrailRing::AgeScale(now, m_Trail.GetRecordedAt(i));
      glColor3f(0.25f * c, 0.25f * c, 0.5f * c);
      glCallList(m_nListBase + static_cast<unsigned>(i));
    }
  });
}
