// Speed of the editor's text and bitmaps, drawn offscreen at 640x480 on
// whatever GL EGL offers (Mesa's software renderer on a machine without a
// GPU). Each iteration ends with glFinish so the renderer's work counts.
//
//   bench_vstgui_media [--snapshot FILE.png] [benchmark options]
// --snapshot also writes one frame of text and bitmaps as a PNG.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "platform/GLSurface.h"
#include "resources/TestResources.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CCurrentGLContext.h"
#include "vstgui/COGLFonts.h"

namespace {

using namespace VSTGUI;

constexpr int WIDTH = 640;
constexpr int HEIGHT = 480;

struct SEditor {
  std::unique_ptr<platform::CGLSurface> surface;
  COGLFonts fonts;
  std::unique_ptr<CCurrentGLContext> scope;

  bool Open() {
    std::string error;
    surface = platform::CreateOffscreenSurface(WIDTH, HEIGHT, error);
    if (!surface || !surface->MakeCurrent()) {
      std::fprintf(stderr, "bench_vstgui_media: no offscreen GL: %s\n", error.c_str());
      return false;
    }
    scope = std::make_unique<CCurrentGLContext>(this, &fonts, 1);
    glViewport(0, 0, WIDTH, HEIGHT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, WIDTH, HEIGHT, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0.1f, 0.12f, 0.15f, 1);
    return fonts.Create();
  }
  ~SEditor() {
    if (!scope) return;
    fonts.Release();
    scope.reset();
    surface->RestoreContext();
  }
};

void DrawLabels() {
  char text[32];
  for (int i = 0; i < 40; ++i) {
    std::snprintf(text, sizeof text, "Width %d.%d dB", i, i * 7 % 10);
    glColor4ub(230, 230, 230, 255);
    DrawTextInRect(CRect(10 + (i % 4) * 155, 10 + (i / 4) * 20, 160 + (i % 4) * 155, 25 + (i / 4) * 20), text,
                   static_cast<CHoriTxtAlign>(i % 3), kOGLFont11);
  }
}

void DrawBitmaps(CBitmap& markers, CBitmap& strip) {
  for (int i = 0; i < 20; ++i) {
    markers.drawOGL(10 + (i % 10) * 60, 240 + (i / 10) * 30);
    strip.drawOGL(CRect(10 + (i % 10) * 60, 310 + (i / 10) * 40, 42 + (i % 10) * 60, 342 + (i / 10) * 40),
                  CPoint(0, (i % 5) * 32));
  }
}

// What every case below pays besides its drawing.
void BM_ClearAndFinish(benchmark::State& state) {
  SEditor editor;
  if (!editor.Open()) return state.SkipWithError("no offscreen GL");
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    glFinish();
  }
}
BENCHMARK(BM_ClearAndFinish)->Unit(benchmark::kMillisecond);

void BM_CreateAndReleaseFonts(benchmark::State& state) {
  SEditor editor;
  if (!editor.Open()) return state.SkipWithError("no offscreen GL");
  COGLFonts fonts;
  for (auto _ : state) {
    fonts.Create();
    fonts.Release();
    glFinish();
  }
}
BENCHMARK(BM_CreateAndReleaseFonts)->Unit(benchmark::kMillisecond);

void BM_DrawFortyLabels(benchmark::State& state) {
  SEditor editor;
  if (!editor.Open()) return state.SkipWithError("no offscreen GL");
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    DrawLabels();
    glFinish();
  }
}
BENCHMARK(BM_DrawFortyLabels)->Unit(benchmark::kMillisecond);

// 40 bitmap draws: 20 whole 37x21 images and 20 knob frames of 32x32.
void BM_DrawFortyBitmaps(benchmark::State& state) {
  CBitmap::SetCacheTextures(state.range(0) != 0);
  SEditor editor;
  if (!editor.Open()) return state.SkipWithError("no offscreen GL");
  auto* markers = new CBitmap(nullptr, resources::TEST_IMAGE_MARKERS);
  auto* strip = new CBitmap(nullptr, resources::TEST_IMAGE_KNOB_STRIP);
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT);
    DrawBitmaps(*markers, *strip);
    glFinish();
  }
  state.SetLabel(state.range(0) ? "textures" : "pixel rectangles");
  markers->forget();
  strip->forget();
  CBitmap::SetCacheTextures(true);
}
BENCHMARK(BM_DrawFortyBitmaps)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

bool WriteSnapshot(const char* path) {
  SEditor editor;
  if (!editor.Open()) return false;
  auto* markers = new CBitmap(nullptr, resources::TEST_IMAGE_MARKERS);
  auto* strip = new CBitmap(nullptr, resources::TEST_IMAGE_KNOB_STRIP);
  auto* broken = new CBitmap(nullptr, resources::TEST_IMAGE_CORRUPT);
  glClear(GL_COLOR_BUFFER_BIT);
  DrawLabels();
  DrawBitmaps(*markers, *strip);
  broken->drawOGL(600, 430);
  for (int font = 0; font < kNumOGLFonts; ++font) {
    glColor4ub(255, 200, 80, 255);
    DrawTextInRect(CRect(10, 400 + font * 20, 590, 420 + font * 20), "The quick brown fox jumps over the lazy dog 0123456789",
                   kLeftText, font);
  }
  markers->forget();
  strip->forget();
  broken->forget();
  platform::SImage image;
  std::string error;
  if (!editor.surface->ReadPixels(image) || !platform::WritePng(path, image, error)) {
    std::fprintf(stderr, "bench_vstgui_media: cannot write '%s': %s\n", path, error.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  resources::AddResourceTable(&resources::kTestResources);
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--snapshot") == 0) {
      if (!WriteSnapshot(argv[i + 1])) return 2;
      for (int j = i; j + 2 <= argc; ++j) argv[j] = argv[j + 2];
      argc -= 2;
      break;
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
