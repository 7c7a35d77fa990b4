#include "tools/editorshot/WidenerShot.h"

#include <cmath>
#include <cstdint>
#include <random>

#include "platform/Clock.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CFrame.h"
#include "widener/ASpanora.h"
#include "widener/SpanoraEditor.h"

namespace editorshot {

namespace {

std::intptr_t SilentHost(vst::AEffect*, std::int32_t opcode, std::int32_t, std::intptr_t, void*, float) {
  return opcode == vst::audioMasterVersion ? 2400 : 0;
}

constexpr int BLOCK = 512;
constexpr float SAMPLE_RATE = 44100.0f;

// A chord over pink-ish noise; the sides decorrelated unless mono.
void Feed(ASpanora& effect, SpanoraEditor& editor, const SWidenerShot& shot) {
  std::mt19937 random(7);
  std::normal_distribution<float> noise(0.0f, 0.08f);
  float l[BLOCK], r[BLOCK], outL[BLOCK], outR[BLOCK];
  float* ins[2] = {l, r};
  float* outs[2] = {outL, outR};
  float lowL = 0.0f, lowR = 0.0f;
  const int blocks = static_cast<int>(shot.seconds * SAMPLE_RATE / BLOCK);
  for (int b = 0, n = 0; b < blocks; ++b) {
    for (int i = 0; i < BLOCK; ++i, ++n) {
      const float t = static_cast<float>(n) / SAMPLE_RATE;
      const float chord = 0.18f * std::sin(2.0f * 3.14159265f * 220.0f * t) +
                          0.12f * std::sin(2.0f * 3.14159265f * 330.0f * t) +
                          0.08f * std::sin(2.0f * 3.14159265f * 1760.0f * t);
      lowL = 0.9f * lowL + noise(random);
      lowR = 0.9f * lowR + noise(random);
      l[i] = chord + 0.3f * lowL;
      r[i] = shot.monoInput ? l[i] : 0.7f * chord + 0.3f * lowR;
    }
    effect.processReplacing(ins, outs, BLOCK);
    if (b % 4 == 0) editor.idle();  // the editor picks up what the audio thread handed over
  }
}

}  // namespace

bool DrawWidenerShot(const SWidenerShot& shot, platform::SImage& image, std::string& error) {
  InstallSpanoraEditor();
  ASpanora effect(&SilentHost);
  effect.setSampleRate(SAMPLE_RATE);
  effect.setProgram(shot.program);
  for (const auto& [index, value] : shot.parameters) effect.setParameter(index, value);
  auto* editor = dynamic_cast<SpanoraEditor*>(effect.GetKivEditor());
  if (!editor) {
    error = "the effect has no editor";
    return false;
  }
  VSTGUI::CBitmap* background = editor->GetBackgroundBitmap();
  const int width = background ? background->getWidth() : 0;
  const int height = background ? background->getHeight() : 0;
  auto surface = platform::CreateOffscreenSurface(width, height, error);
  if (!surface || !editor->open(std::move(surface))) {
    if (error.empty()) error = "no GL context";
    return false;
  }
  Feed(effect, *editor, shot);
  if (shot.face != EFace::FRONT) {
    editor->GotoBackViewType(shot.face == EFace::OPTIONS ? BACK_VIEW_OPTIONS : BACK_VIEW_ABOUT);
    platform::SleepMs(FlipEditor::FACE_CHANGE_DELAY_MS + 20);
  }
  for (int i = 0; i < 3; ++i) {
    editor->idle();
    platform::SleepMs(FlipEditor::GetIdleInterval() + 1);
  }
  const bool drawn = editor->getFrame() && editor->getFrame()->drawToImage(image);
  editor->close();
  if (!drawn) error = "the frame could not be drawn";
  return drawn;
}

}  // namespace editorshot
