#include "tools/spanora/EditorSnapshot.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "Helpers/ErrorReport.h"
#include "Helpers/FlipEditor.h"
#include "platform/Clock.h"
#include "tools/spanora/Commands.h"
#include "tools/spanora/PluginSession.h"
#include "tools/spanora/Render.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CFrame.h"
#include "widener/SpanoraEditor.h"
#include "widener/SpanoraFactory.h"

namespace spanora {
namespace {

constexpr int BLOCK = 512;
// The trail keeps ten layers, recorded at most once per editor idle
// interval; twelve idles at real-time pace fill them all from the end of the
// material.
constexpr int PACED_IDLES = 12;

vst::AEffect* InProcessEntry(vst::HostCallback master) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<vst::AEffect*>(nullptr), [&]() -> vst::AEffect* {
    InstallSpanoraEditor();
    KivEffect* effect = CreateSpanoraEffect(master);
    return effect ? effect->getAeffect() : nullptr;
  });
}

FlipEditor* EditorOf(vsthost::CVstHost& host) {
  vst::AEffect* record = host.GetEffect();
  if (!record || !record->object) return nullptr;
  auto* effect = dynamic_cast<KivEffect*>(static_cast<vst::AudioEffect*>(record->object));
  return effect ? dynamic_cast<FlipEditor*>(effect->GetKivEditor()) : nullptr;
}

void Idle(FlipEditor& editor, int times) {
  for (int i = 0; i < times; ++i) {
    platform::SleepMs(FlipEditor::GetIdleInterval() + 1);
    editor.idle();
  }
}

// Runs frames of material through the effect in blocks; the editor picks up
// what the audio thread handed over at its next idle.
void Feed(vsthost::CVstHost& host, FlipEditor& editor, SStereoBuffer& material, std::size_t begin,
          std::size_t end) {
  std::vector<float> outLeft(BLOCK), outRight(BLOCK);
  float* outputs[2] = {outLeft.data(), outRight.data()};
  for (std::size_t at = begin; at < end; at += BLOCK) {
    float* inputs[2] = {material.left.data() + at, material.right.data() + at};
    host.ProcessReplacing(inputs, outputs, static_cast<std::int32_t>(std::min<std::size_t>(BLOCK, end - at)));
    editor.idle();
  }
}

}  // namespace

bool CreateEffectInProcess(vsthost::CVstHost& host) { return host.Create(&InProcessEntry, "(built-in widener)"); }

bool ReadSnapshotMaterial(IFrameSource& source, SStereoBuffer* material, std::string* error) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    const auto wanted = static_cast<std::int64_t>(SNAPSHOT_SECONDS * source.GetSampleRate());
    material->left.assign(static_cast<std::size_t>(wanted), 0.0f);
    material->right.assign(material->left.size(), 0.0f);
    std::int64_t got = 0;
    while (got < wanted) {
      const std::int64_t n = source.Read(material->left.data() + got, material->right.data() + got, wanted - got);
      if (n < 0) {
        *error = "cannot read '" + source.GetName() + "'";
        return false;
      }
      if (n == 0) break;
      got += n;
    }
    material->left.resize(static_cast<std::size_t>(got));
    material->right.resize(static_cast<std::size_t>(got));
    return true;
  });
}

bool DrawEditorSnapshot(vsthost::CVstHost& host, SStereoBuffer& material, int sampleRate, EEditorFace face,
                        platform::SImage* image, std::string* error) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    FlipEditor* editor = EditorOf(host);
    if (!editor) {
      *error = "the effect has no editor";
      return false;
    }
    const VSTGUI::CBitmap* background = editor->GetBackgroundBitmap();
    const int width = background ? background->getWidth() : 0;
    const int height = background ? background->getHeight() : 0;
    auto surface = platform::CreateOffscreenSurface(width, height, *error);
    if (!surface || !editor->open(std::move(surface))) {
      if (error->empty()) *error = "no GL context";
      return false;
    }
    const std::size_t frames = material.left.size();
    const std::size_t perIdle =
        std::max<std::size_t>(1, static_cast<std::size_t>(sampleRate) * FlipEditor::GetIdleInterval() / 1000);
    const std::size_t paced = std::min(frames, perIdle * PACED_IDLES);
    Feed(host, *editor, material, 0, frames - paced);
    for (std::size_t at = frames - paced; at < frames; at += perIdle) {
      Feed(host, *editor, material, at, std::min(frames, at + perIdle));
      Idle(*editor, 1);
    }
    if (face != EEditorFace::FRONT) {
      editor->GotoBackViewType(face == EEditorFace::OPTIONS ? BACK_VIEW_OPTIONS : BACK_VIEW_ABOUT);
      platform::SleepMs(FlipEditor::FACE_CHANGE_DELAY_MS + 20);
    }
    Idle(*editor, 3);
    const bool drawn = editor->getFrame() && editor->getFrame()->drawToImage(*image);
    editor->close();
    if (!drawn) *error = "the frame could not be drawn";
    return drawn;
  });
}

int TakeSnapshot(const SEditorOptions& options, IFrameSource& source, platform::SImage* image) {
  return kiv::Guard(KIV_SIGNATURE, int{EXIT_INTERNAL}, [&] {
    SStereoBuffer material;
    std::string error;
    if (!ReadSnapshotMaterial(source, &material, &error)) {
      std::fprintf(stderr, "spanora: %s\n", error.c_str());
      return int{EXIT_BAD_FILE};
    }
    vsthost::CVstHost host;
    if (!CreateEffectInProcess(host)) {
      std::fprintf(stderr, "spanora: %s\n", host.GetError().c_str());
      return int{EXIT_INTERNAL};
    }
    host.Open();
    host.SetSampleRate(static_cast<float>(source.GetSampleRate()));
    host.SetBlockSize(BLOCK);
    host.SetMainsOn(true);
    std::string applied;
    if (const int code = ApplySettingsAndSettle(host, options.preset, options.stateFile, options.settings, BLOCK, &applied);
        code != EXIT_OK)
      return code;
    if (!DrawEditorSnapshot(host, material, source.GetSampleRate(), options.face, image, &error)) {
      std::fprintf(stderr, "spanora: cannot draw the editor offscreen: %s\n", error.c_str());
      return int{EXIT_NO_GRAPHICS};
    }
    return int{EXIT_OK};
  });
}

}  // namespace spanora
