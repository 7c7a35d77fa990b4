// Offscreen drawing speed of an editor face at its own size: the first frame
// after opening (font and texture creation, the software renderer's shader
// compiles) and the median of the frames after it, each drawn in full as a
// host's idle would and waited for until the renderer finished it. Wall time
// and the process's CPU time (the software renderer's threads included) are
// both shown: on a busy machine the CPU time is the steadier figure.
//
//   bench_editor [FRAMES]             the stock-control face (knobs, read-outs,
//                                     sliders, buttons, text, a menu), a value
//                                     changing before every frame
//   bench_editor --widener [FRAMES]   the widener's front face with analysis
//                                     on: a stereo signal runs through the
//                                     effect between frames, as at 25 Hz
#include <GL/gl.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "platform/GLSurface.h"
#include "tools/editordemo/DemoEffect.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CFrame.h"
#include "widener/ASpanora.h"
#include "widener/SpanoraEditor.h"

namespace {

using Clock = std::chrono::steady_clock;

std::intptr_t SilentHost(vst::AEffect*, std::int32_t opcode, std::int32_t, std::intptr_t, void*, float) {
  return opcode == vst::audioMasterVersion ? 2400 : 0;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

// One frame in full, finished by the renderer.
void DrawFrame(VSTGUI::CFrame* frame) {
  frame->invalid();
  frame->drawOGL();
  if (frame->makeContextCurrent()) {
    glFinish();
    frame->restoreContext();
  }
}

// Times the first frame and `frames` more, `between` running untimed before
// each of them, and prints the figures.
void Measure(const char* name, VSTGUI::CFrame* frame, double openMs, int frames, const std::function<void(int)>& between) {
  const auto firstStart = Clock::now();
  DrawFrame(frame);
  const double firstMs = Ms(Clock::now() - firstStart);
  std::vector<double> times, cpu;
  for (int i = 0; i < frames; ++i) {
    between(i);
    const auto start = Clock::now();
    const double cpuStart = CpuMs();
    DrawFrame(frame);
    times.push_back(Ms(Clock::now() - start));
    cpu.push_back(CpuMs() - cpuStart);
  }
  std::sort(times.begin(), times.end());
  std::sort(cpu.begin(), cpu.end());
  const double median = times[times.size() / 2];
  std::printf("%s %dx%d offscreen, %d views\n", name, frame->getWidth(), frame->getHeight(), frame->getNbViews());
  std::printf("open (context, fonts)     %8.2f ms\n", openMs);
  std::printf("first frame               %8.2f ms\n", firstMs);
  std::printf("median frame (%d)        %8.3f ms\n", frames, median);
  std::printf("90th percentile frame     %8.3f ms\n", times[times.size() * 9 / 10]);
  std::printf("median frame, CPU time    %8.3f ms\n", cpu[cpu.size() / 2]);
  std::printf("share of a 25 Hz UI thread %6.1f %%\n", median / 40.0 * 100.0);
}

int StockFace(int frames) {
  editordemo::CDemoEffect effect(&SilentHost);
  editordemo::CDemoEditor* editor = effect.GetDemoEditor();
  const auto open = Clock::now();
  std::string error;
  auto surface = platform::CreateOffscreenSurface(editordemo::CDemoEditor::WIDTH, editordemo::CDemoEditor::HEIGHT, error);
  if (!surface || !editor->open(std::move(surface))) {
    std::fprintf(stderr, "bench_editor: no offscreen GL: %s\n", error.c_str());
    return 2;
  }
  Measure("editor face", editor->getFrame(), Ms(Clock::now() - open), frames, [&](int i) {
    effect.setParameter(i % editordemo::CDemoEditor::NUM_KNOBS, static_cast<float>(i % 100) / 100.0f);
    editor->idle();  // applies the change
  });
  editor->close();
  return 0;
}

// A chord over low-passed noise, the sides decorrelated: the width graph,
// meters and balance strip all have something to show.
class CStereoSignal {
 public:
  static constexpr int BLOCK = 512;
  static constexpr float SAMPLE_RATE = 44100.0f;

  void Run(ASpanora& effect, int blocks) {
    float* ins[2] = {m_fL, m_fR};
    float* outs[2] = {m_fOutL, m_fOutR};
    for (int b = 0; b < blocks; ++b) {
      for (int i = 0; i < BLOCK; ++i, ++m_nSample) {
        const float t = static_cast<float>(m_nSample % 441000) / SAMPLE_RATE;
        const float chord = 0.18f * std::sin(2.0f * 3.14159265f * 220.0f * t) +
                            0.12f * std::sin(2.0f * 3.14159265f * 330.0f * t) +
                            0.08f * std::sin(2.0f * 3.14159265f * 1760.0f * t);
        m_fLowL = 0.9f * m_fLowL + m_Noise(m_Random);
        m_fLowR = 0.9f * m_fLowR + m_Noise(m_Random);
        m_fL[i] = chord + 0.3f * m_fLowL;
        m_fR[i] = 0.7f * chord + 0.3f * m_fLowR;
      }
      effect.processReplacing(ins, outs, BLOCK);
    }
  }

 private:
  std::mt19937 m_Random{7};
  std::normal_distribution<float> m_Noise{0.0f, 0.08f};
  float m_fLowL = 0.0f, m_fLowR = 0.0f;
  long m_nSample = 0;
  float m_fL[BLOCK] = {}, m_fR[BLOCK] = {}, m_fOutL[BLOCK] = {}, m_fOutR[BLOCK] = {};
};

int WidenerFace(int frames) {
  InstallSpanoraEditor();
  ASpanora effect(&SilentHost);
  effect.setSampleRate(CStereoSignal::SAMPLE_RATE);
  effect.setProgram(0);
  auto* editor = dynamic_cast<SpanoraEditor*>(effect.GetKivEditor());
  VSTGUI::CBitmap* background = editor ? editor->GetBackgroundBitmap() : nullptr;
  if (!background) {
    std::fprintf(stderr, "bench_editor: the widener has no editor face\n");
    return 2;
  }
  const auto open = Clock::now();
  std::string error;
  auto surface = platform::CreateOffscreenSurface(background->getWidth(), background->getHeight(), error);
  if (!surface || !editor->open(std::move(surface))) {
    std::fprintf(stderr, "bench_editor: no offscreen GL: %s\n", error.c_str());
    return 2;
  }
  const double openMs = Ms(Clock::now() - open);
  CStereoSignal signal;
  signal.Run(effect, 86);  // a second of signal, so the first frame has analysis to show
  editor->idle();
  // 40 ms of audio per frame, then the editor's idle step (meters, peak
  // holds) picks up what the audio thread handed over; the frame then draws
  // the graph from the analysis stores.
  constexpr int BLOCKS_PER_FRAME = static_cast<int>(0.040f * CStereoSignal::SAMPLE_RATE / CStereoSignal::BLOCK + 0.5f);
  Measure("widener front face, analysis on,", editor->getFrame(), openMs, frames, [&](int) {
    signal.Run(effect, BLOCKS_PER_FRAME);
    editor->idle();
  });
  editor->close();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool widener = argc > 1 && std::strcmp(argv[1], "--widener") == 0;
  const int first = widener ? 2 : 1;
  const int frames = argc > first ? std::max(1, std::atoi(argv[first])) : 200;
  return widener ? WidenerFace(frames) : StockFace(frames);
}
