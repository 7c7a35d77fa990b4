// Offscreen drawing speed of a full editor face (knobs, read-outs, sliders,
// buttons, text, a menu) at 640x480: the first frame after opening (font and
// texture creation, the software renderer's shader compiles) and the median
// of the frames after it, each drawn in full as a host's idle would and
// waited for until the renderer finished it. Wall time and the process's
// CPU time (the software renderer's threads included) are both shown: on a
// busy machine the CPU time is the steadier figure.
#include <GL/gl.h>
#include <time.h>

#include <algorithm>
#include <cstdlib>
#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/GLSurface.h"
#include "tools/editordemo/DemoEffect.h"
#include "vstgui/CFrame.h"

namespace {

std::intptr_t SilentHost(vst::AEffect*, std::int32_t opcode, std::int32_t, std::intptr_t, void*, float) {
  return opcode == vst::audioMasterVersion ? 2400 : 0;
}

double Ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

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

}  // namespace

int main(int argc, char** argv) {
  using Clock = std::chrono::steady_clock;
  const int kFrames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  editordemo::CDemoEffect effect(&SilentHost);
  editordemo::CDemoEditor* editor = effect.GetDemoEditor();

  const auto open = Clock::now();
  std::string error;
  auto surface = platform::CreateOffscreenSurface(editordemo::CDemoEditor::WIDTH, editordemo::CDemoEditor::HEIGHT, error);
  if (!surface || !editor->open(std::move(surface))) {
    std::fprintf(stderr, "bench_editor: no offscreen GL: %s\n", error.c_str());
    return 2;
  }
  VSTGUI::CFrame* frame = editor->getFrame();
  const auto firstStart = Clock::now();
  DrawFrame(frame);
  const auto firstEnd = Clock::now();

  std::vector<double> times, cpu;
  for (int i = 0; i < kFrames; ++i) {
    effect.setParameter(i % editordemo::CDemoEditor::NUM_KNOBS, static_cast<float>(i % 100) / 100.0f);
    editor->idle();  // applies the change
    const auto start = Clock::now();
    const double cpuStart = CpuMs();
    DrawFrame(frame);
    times.push_back(Ms(Clock::now() - start));
    cpu.push_back(CpuMs() - cpuStart);
  }
  const int views = frame->getNbViews();
  editor->close();
  std::sort(times.begin(), times.end());
  std::sort(cpu.begin(), cpu.end());
  const double median = times[times.size() / 2];
  std::printf("editor face %dx%d offscreen, %d views\n", editordemo::CDemoEditor::WIDTH,
              editordemo::CDemoEditor::HEIGHT, views);
  std::printf("open (context, fonts)     %8.2f ms\n", Ms(firstStart - open));
  std::printf("first frame               %8.2f ms\n", Ms(firstEnd - firstStart));
  std::printf("median frame (%d)        %8.3f ms\n", kFrames, median);
  std::printf("90th percentile frame     %8.3f ms\n", times[times.size() * 9 / 10]);
  std::printf("median frame, CPU time    %8.3f ms\n", cpu[cpu.size() / 2]);
  std::printf("share of a 25 Hz UI thread %6.1f %%\n", median / 40.0 * 100.0);
  return 0;
}
