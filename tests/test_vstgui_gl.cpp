// Editor media and the frame's own drawing, offscreen: bitmaps on both
// paths, text, GL state kept per view and per context, drawing on demand.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "Helpers/DerivedControls.h"
#include "Helpers/ErrorReport.h"
#include "platform/GLSurface.h"
#include "resources/TestResources.h"
#include "tests/support/FrameEvents.h"
#include "tests/support/Pixels.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CCurrentGLContext.h"
#include "vstgui/CFrame.h"
#include "vstgui/COGLFonts.h"
#include "vstgui/GLPixelSampler.h"
#include "vstgui/GLState.h"
#include "vstgui/GLRaster.h"

namespace {

using namespace VSTGUI;
using platform::SImage;
using testsupport::OpenOffscreenFrame;
using testsupport::PixelAt;
using testsupport::Rgba;

Rgba Rgb(const Rgba& c) {
  return {c[0], c[1], c[2], 0};
}

struct SBitmapRelease {
  void operator()(CBitmap* bitmap) const { bitmap->forget(); }
};
using BitmapPtr = std::unique_ptr<CBitmap, SBitmapRelease>;

BitmapPtr LoadBitmap(long id) {
  return BitmapPtr(new CBitmap(nullptr, id));
}

std::vector<std::string> g_reports;
void RecordReport(const char* signature) {
  g_reports.emplace_back(signature);
}

// One editor's worth of GL: an offscreen surface with the frame's pixel
// projection (origin top-left), cleared to a background, its fonts created,
// and the view framework told that this context is current.
class COffscreenEditor {
 public:
  COffscreenEditor(int width, int height, Rgba background = {0, 0, 0, 255}) {
    std::string error;
    m_pSurface = platform::CreateOffscreenSurface(width, height, error);
    if (!m_pSurface) {
      ADD_FAILURE() << error;
      return;
    }
    Enter();
    ApplyPixelProjection(width, height);
    glClearColor(background[0] / 255.0f, background[1] / 255.0f, background[2] / 255.0f, background[3] / 255.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_TRUE(m_Fonts.Create());
  }
  ~COffscreenEditor() {
    if (!m_pSurface) return;
    Enter();
    m_Fonts.Release();
    Leave();
  }

  bool Ok() const { return m_pSurface != nullptr; }
  // Makes this editor's context current, as a frame does before drawing.
  void Enter(unsigned long frameNumber = 1, unsigned pixelSampler = 0) {
    Leave();
    ASSERT_TRUE(m_pSurface->MakeCurrent());
    m_pScope = std::make_unique<CCurrentGLContext>(this, &m_Fonts, frameNumber, pixelSampler);
  }
  void Leave() {
    if (!m_pScope) return;
    m_pScope.reset();
    m_pSurface->RestoreContext();
  }
  SImage Read() {
    SImage image;
    EXPECT_TRUE(m_pSurface->ReadPixels(image));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    return image;
  }

 private:
  std::unique_ptr<platform::CGLSurface> m_pSurface;
  COGLFonts m_Fonts;
  std::unique_ptr<CCurrentGLContext> m_pScope;
};

class BitmapDrawing : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { resources::AddResourceTable(&resources::kTestResources); }
  void SetUp() override {
    g_reports.clear();
    m_pPreviousHook = kiv::SetErrorReportHook(RecordReport);
  }
  void TearDown() override {
    kiv::SetErrorReportHook(m_pPreviousHook);
    CBitmap::SetCacheTextures(true);
    CBitmap::ForceTextureUploadFailure(false);
  }
  kiv::ErrorReportHook m_pPreviousHook = nullptr;
};

// A non-power-of-two image draws from a padded texture; after a failed upload
// every bitmap draws as pixel rectangles instead. Both give one picture.
TEST_F(BitmapDrawing, TexturesAndPixelRectanglesAfterAFailedUploadDrawTheSamePicture) {
  SImage pictures[2];
  for (bool fail : {false, true}) {
    SCOPED_TRACE(fail ? "pixel rectangles" : "texture");
    COffscreenEditor editor(120, 40);
    ASSERT_TRUE(editor.Ok());
    CBitmap::ForceTextureUploadFailure(fail);
    BitmapPtr markers = LoadBitmap(resources::TEST_IMAGE_MARKERS);
    BitmapPtr strip = LoadBitmap(resources::TEST_IMAGE_KNOB_STRIP);
    ASSERT_TRUE(markers->isLoaded()) << markers->getLoadError();
    markers->drawOGL(65, 7);
    strip->drawOGL(CRect(20, 4, 52, 36), CPoint(0, 3 * 32));  // frame 3
    strip->drawOGL(-16, 4, 0, 1 * 32, 32, 32);                // frame 1, half off the left edge
    EXPECT_EQ(strip->getTextureName() == 0, fail);
    EXPECT_EQ(CBitmap::GetCacheTextures(), !fail);
    pictures[fail] = editor.Read();
  }
  EXPECT_EQ(pictures[0].rgba, pictures[1].rgba);
  const SImage& image = pictures[1];
  // The corners where they belong, the half-transparent middle blended, and
  // nothing of the padding beyond the image.
  EXPECT_EQ(Rgb(PixelAt(image, 65, 7)), (Rgba{255, 0, 0, 0}));
  EXPECT_EQ(Rgb(PixelAt(image, 65 + 36, 7 + 20)), (Rgba{0, 255, 0, 0}));
  EXPECT_NEAR(PixelAt(image, 65 + 18, 7 + 10)[0], 128, 2);
  EXPECT_EQ(Rgb(PixelAt(image, 65 + 37, 7 + 20)), (Rgba{0, 0, 0, 0}));
  EXPECT_EQ(Rgb(PixelAt(image, 65 + 36, 7 + 21)), (Rgba{0, 0, 0, 0}));
  // Filmstrip frames come from their own sub-rectangle.
  EXPECT_NEAR(PixelAt(image, 20 + 16, 4 + 28)[0], 160, 2);  // frame 3's grey, below the centre
  EXPECT_NEAR(PixelAt(image, 4, 4 + 28)[0], 80, 2);         // frame 1's grey, right of its centre
  EXPECT_EQ(Rgb(PixelAt(image, 20 + 16, 3)), (Rgba{0, 0, 0, 0}));   // nothing of frame 2 above
  EXPECT_EQ(Rgb(PixelAt(image, 20 + 16, 36)), (Rgba{0, 0, 0, 0}));  // nor of frame 4 below
  EXPECT_TRUE(g_reports.empty());
}

TEST_F(BitmapDrawing, NearestSamplingAtOwnSizeGivesTheLinearPictureAndLeavesTheTextureLinear) {
  COffscreenEditor editor(96, 64, {0, 40, 0, 255});
  ASSERT_TRUE(editor.Ok());
  CGLPixelSampler sampler;
  ASSERT_TRUE(sampler.Create());
  BitmapPtr markers = LoadBitmap(resources::TEST_IMAGE_MARKERS);
  BitmapPtr quadrants = LoadBitmap(resources::TEST_IMAGE_QUADRANTS);
  SImage pictures[2];
  for (unsigned name : {0u, sampler.GetName()}) {
    editor.Enter(1, name);
    glClear(GL_COLOR_BUFFER_BIT);
    quadrants->drawOGL(30, 30);   // opaque: drawn without blending
    markers->drawOGL(5, 7);       // half-transparent column blends
    pictures[name != 0] = editor.Read();
  }
  EXPECT_EQ(pictures[0].rgba, pictures[1].rgba);
  EXPECT_EQ(Rgb(PixelAt(pictures[1], 30, 30)), (Rgba{255, 0, 0, 0}));
  EXPECT_NEAR(PixelAt(pictures[1], 23, 10)[1], 148, 2);  // white at alpha 0.5 over dark green
  GLint bound = -1, filter = 0;
  glGetIntegerv(GL_SAMPLER_BINDING, &bound);
  glBindTexture(GL_TEXTURE_2D, markers->getTextureName());
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
  EXPECT_EQ(bound, 0);
  EXPECT_EQ(filter, GL_LINEAR);

  // Bound for draws in whole pixels only; a bitmap between pixels keeps its
  // texture's linear filtering.
  const auto boundInScope = [] {
    const CPixelExactSampling scope;
    GLint name = 0;
    glGetIntegerv(GL_SAMPLER_BINDING, &name);
    return static_cast<unsigned>(name);
  };
  glMatrixMode(GL_MODELVIEW);
  glTranslatef(3.0f, -2.0f, 0.0f);
  EXPECT_EQ(boundInScope(), sampler.GetName());
  glTranslatef(0.5f, 0.0f, 0.0f);
  EXPECT_EQ(boundInScope(), 0u);
  sampler.Release();
}

TEST_F(BitmapDrawing, OpaqueFillsStillHonourAnotherBlendFunction) {
  COffscreenEditor editor(16, 16, {0, 40, 0, 255});
  ASSERT_TRUE(editor.Ok());
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  FillRect(CRect(0, 0, 8, 16), CColor{100, 0, 0, 255});
  glBlendFunc(GL_ONE, GL_ONE);  // additive, as glow layers draw
  FillRect(CRect(8, 0, 16, 16), CColor{100, 0, 0, 255});
  const SImage image = editor.Read();
  EXPECT_EQ(Rgb(PixelAt(image, 3, 3)), (Rgba{100, 0, 0, 0}));
  EXPECT_EQ(Rgb(PixelAt(image, 12, 3)), (Rgba{100, 40, 0, 0}));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
}

TEST_F(BitmapDrawing, DamagedOrMissingImageDrawsAPlaceholderAndReports) {
  COffscreenEditor editor(64, 64, {0, 0, 255, 255});
  ASSERT_TRUE(editor.Ok());
  BitmapPtr corrupt = LoadBitmap(resources::TEST_IMAGE_CORRUPT);
  BitmapPtr missing = LoadBitmap(resources::TEST_IMAGE_MISSING);
  EXPECT_FALSE(corrupt->isLoaded());
  EXPECT_FALSE(missing->isLoaded());
  ASSERT_EQ(g_reports.size(), 2u);
  EXPECT_NE(g_reports[0].find("CBitmap::loadFromResource"), std::string::npos);

  corrupt->drawOGL(0, 0);
  missing->drawOGL(CRect(32, 40, 62, 50), CPoint(0, 0));  // the size asked for
  const SImage image = editor.Read();
  EXPECT_EQ(Rgb(PixelAt(image, 0, 0)), (Rgba{255, 0, 255, 0}));
  EXPECT_EQ(Rgb(PixelAt(image, 9, 0)), (Rgba{0, 0, 0, 0}));
  EXPECT_EQ(Rgb(PixelAt(image, 61, 49)), (Rgba{255, 0, 255, 0}));  // square (3, 1) of the requested 30x10
  EXPECT_EQ(Rgb(PixelAt(image, 62, 49)), (Rgba{0, 0, 255, 0}));    // background beside it
}

TEST_F(BitmapDrawing, TexturesStayInTheContextThatCreatedThem) {
  COffscreenEditor first(48, 32);
  COffscreenEditor second(48, 32);
  ASSERT_TRUE(first.Ok() && second.Ok());
  BitmapPtr bitmap = LoadBitmap(resources::TEST_IMAGE_QUADRANTS);
  first.Enter();
  bitmap->drawOGL(0, 0);
  const unsigned name = bitmap->getTextureName();
  ASSERT_NE(name, 0u);
  const SImage inFirst = first.Read();

  // Another editor draws the same bitmap: right pixels, no use of the
  // first context's name.
  second.Enter(7);
  bitmap->drawOGL(0, 0);
  EXPECT_EQ(glIsTexture(name), GL_FALSE);
  EXPECT_EQ(bitmap->getTextureName(), name);
  EXPECT_EQ(second.Read().rgba, inFirst.rgba);

  // Releasing from the wrong context leaves the first context's texture
  // alone; from the right one deletes it.
  first.Enter();
  EXPECT_EQ(glIsTexture(name), GL_TRUE);
  bitmap->glReleaseTexture();
  EXPECT_EQ(glIsTexture(name), GL_FALSE);
  EXPECT_EQ(bitmap->getTextureName(), 0u);
}

// Bounding box of the pixels whose red channel is lit.
struct SBox {
  int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
};
SBox LitBox(const SImage& image, int threshold = 1) {
  SBox box;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (PixelAt(image, x, y)[0] < threshold) continue;
      box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x), std::max(box.bottom, y)};
    }
  }
  return box;
}

TEST(TextDrawing, TextIsDrawnAntialiasedInTheCurrentColourWithBlending) {
  COffscreenEditor editor(120, 30, {0, 0, 255, 255});
  ASSERT_TRUE(editor.Ok());
  glColor4ub(255, 0, 0, 255);
  DrawTextInRect(CRect(0, 0, 60, 30), "HOW", kLeftText, kOGLFont18);
  glColor4ub(255, 0, 0, 128);
  DrawTextInRect(CRect(60, 0, 120, 30), "HOW", kLeftText, kOGLFont18);
  const SImage image = editor.Read();
  int opaqueMax = 0, halfMax = 0, partial = 0, unblended = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 120; ++x) {
      const Rgba p = PixelAt(image, x, y);
      unblended += std::abs(p[0] + p[2] - 255) > 2;  // red over blue
      int& peak = x < 60 ? opaqueMax : halfMax;
      peak = std::max(peak, p[0]);
      partial += x < 60 && p[0] > 10 && p[0] < 240;
    }
  }
  EXPECT_EQ(unblended, 0);
  EXPECT_GE(opaqueMax, 250);
  EXPECT_NEAR(halfMax, 128, 3);
  EXPECT_GT(partial, 5);  // antialiased edges
}

TEST(TextDrawing, RectangleTextIsAlignedAndSitsOnTheBaselineAboutCentred) {
  for (CHoriTxtAlign align : {kLeftText, kCenterText, kRightText}) {
    SCOPED_TRACE(align);
    COffscreenEditor editor(160, 40);
    ASSERT_TRUE(editor.Ok());
    const CRect rect(20, 8, 140, 30);
    glColor4ub(255, 255, 255, 255);
    DrawTextInRect(rect, "HH", align, kOGLFont14);
    const SBox box = LitBox(editor.Read(), 128);
    // Within the glyphs' side bearings of the side it is aligned to; centred
    // text equally far from both.
    const int leftGap = box.left - rect.left, rightGap = rect.right - 1 - box.right;
    EXPECT_GE(std::min(leftGap, rightGap), 0);
    EXPECT_LE(align == kLeftText ? leftGap : align == kRightText ? rightGap : std::abs(leftGap - rightGap), 2);
    // Capitals sit on the baseline, within the rectangle, about centred.
    EXPECT_EQ(box.bottom, LayoutTextInRect(rect, "HH", align, kOGLFont14).baseline - 1);
    EXPECT_GE(box.top, rect.top);
    EXPECT_LE(std::abs((box.top - rect.top) - (rect.bottom - 1 - box.bottom)), GetFontDescent(kOGLFont14) + 2);
  }
}

TEST(TextDrawing, DrawingRestoresTheCallersState) {
  resources::AddResourceTable(&resources::kTestResources);
  for (bool textures : {true, false}) {
    SCOPED_TRACE(textures ? "texture" : "pixel rectangle");
    CBitmap::SetCacheTextures(textures);
    COffscreenEditor editor(64, 32);
    ASSERT_TRUE(editor.Ok());
    GLuint callersTexture = 0;
    glGenTextures(1, &callersTexture);
    glBindTexture(GL_TEXTURE_2D, callersTexture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glPixelTransferf(GL_RED_BIAS, 0.25f);
    glColor4ub(10, 20, 30, 40);
    glRasterPos2i(3, 4);
    GLfloat before[4] = {}, projectionBefore[16] = {};
    glGetFloatv(GL_CURRENT_RASTER_POSITION, before);
    glGetFloatv(GL_PROJECTION_MATRIX, projectionBefore);

    DrawTextInRect(CRect(0, 0, 64, 32), "state", kCenterText, kOGLFont11);
    BitmapPtr bitmap = LoadBitmap(resources::TEST_IMAGE_QUADRANTS);
    bitmap->drawOGL(0, 0);
    BitmapPtr broken = LoadBitmap(resources::TEST_IMAGE_MISSING);
    broken->drawOGL(0, 0);

    GLint binding = 0, envMode = 0, matrixMode = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &binding);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    EXPECT_EQ(static_cast<GLuint>(binding), callersTexture);
    EXPECT_EQ(envMode, GL_DECAL);
    EXPECT_EQ(matrixMode, GL_MODELVIEW);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLfloat bias = 0, colour[4] = {}, after[4] = {}, projectionAfter[16] = {};
    glGetFloatv(GL_RED_BIAS, &bias);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glGetFloatv(GL_CURRENT_RASTER_POSITION, after);
    glGetFloatv(GL_PROJECTION_MATRIX, projectionAfter);
    EXPECT_FLOAT_EQ(bias, 0.25f);
    EXPECT_FLOAT_EQ(colour[3], 40.0f / 255.0f);
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[1], before[1]);
    EXPECT_TRUE(std::equal(projectionBefore, projectionBefore + 16, projectionAfter));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glDeleteTextures(1, &callersTexture);
  }
  CBitmap::SetCacheTextures(true);
}

// Fills its rectangle; optionally leaves GL state behind the way a careless
// draw would.
class FillView : public CView {
 public:
  FillView(const CRect& size, const CColor& color, bool messUp = false) : CView(size), m_color(color), m_bMessUp(messUp) {}
  void drawOGL() override {
    ++draws;
    FillRect(m_size, m_color);
    if (m_bMessUp) {
      glDisable(GL_BLEND);
      glColor4ub(255, 0, 0, 255);
      glTranslatef(40.0f, 40.0f, 0.0f);
    }
  }
  int draws = 0;

 private:
  CColor m_color;
  bool m_bMessUp;
};

TEST(FrameDrawing, PanelsBlendNoViewLeaksGLStateIntoTheNextAndRedrawsAreAskedFor) {
  auto frame = OpenOffscreenFrame(100, 100);
  ASSERT_TRUE(frame) << "no offscreen GL";
  frame->addView(new FillView(CRect(0, 0, 100, 100), CColor{200, 200, 200, 255}, true));
  auto* view = new FillView(CRect(10, 10, 30, 30), CColor{0, 0, 255, 128});
  frame->addView(view);
  platform::SImage image;
  ASSERT_TRUE(frame->drawToImage(image));
  const auto panel = PixelAt(image, 20, 20);  // origin top-left
  EXPECT_NEAR(panel[0], 100, 2);  // 200 * (1 - 128/255), blending still on
  EXPECT_NEAR(panel[2], 228, 2);
  EXPECT_EQ(PixelAt(image, 55, 55)[0], 200);  // not moved by the first view's translation
  EXPECT_EQ(PixelAt(image, 30, 30)[0], 200);  // right and bottom edges are outside

  frame->drawOGL();
  frame->idle();
  EXPECT_EQ(view->draws, 1);
  view->setDirty();
  frame->drawOGL();
  EXPECT_EQ(view->draws, 2);
  frame->invalid();
  frame->drawOGL();
  EXPECT_EQ(view->draws, 3);
}

namespace {
// One flat green handle.
class FlatPoint : public CControlPointsControl {
 public:
  FlatPoint() : CControlPointsControl(CRect(0, 50, 100, 100), nullptr, nullptr, nullptr, 5.0f) {}
  void InitControlPoints() override {
    SControlPoint p;
    p.imageColor = CColor{0, 255, 0, 255};
    p.x = 50.0f;
    p.y = 75.0f;
    AddControlPoint(p);
  }
};
}  // namespace

TEST(DerivedControlsDrawing, BrowserHighlightAndAFlatHandle) {
  auto framePtr = testsupport::OpenOffscreenFrame(200, 100);
  ASSERT_TRUE(framePtr) << "no offscreen GL";
  CFrame& frame = *framePtr;
  auto* browser = new CPresetBrowser(CRect(0, 0, 200, 50), nullptr);
  browser->SetEntryCounts(0, 3);
  frame.addView(browser);
  frame.addView(new FlatPoint);
  HoverAt(&frame, 11, 12);  // hovers entry 0
  ASSERT_EQ(browser->GetHoveredIndex(), 0);

  platform::SImage image;
  ASSERT_TRUE(frame.drawToImage(image));
  // The highlight (alpha 200) over the panel (64, 64, 64, alpha 200) over black.
  EXPECT_NEAR(PixelAt(image, 11, 12)[0], 165, 3);
  EXPECT_NEAR(PixelAt(image, 190, 5)[0], 50, 3);  // the grey panel elsewhere
  EXPECT_EQ(PixelAt(image, 50, 75)[1], 255);
  frame.close();
}

}  // namespace
