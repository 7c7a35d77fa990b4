// editorshot: draws an editor offscreen, with no X server, and writes the
// frame as a PNG. Parameters may be set first, as a host would.
//
//   editorshot OUT.png [INDEX=VALUE ...]
//
// Exit codes: 0 written, 1 bad usage, 2 no GL or the file could not be written.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/GLSurface.h"
#include "tools/editordemo/DemoEffect.h"
#include "vstgui/CFrame.h"

namespace {

std::intptr_t SilentHost(vst::AEffect*, std::int32_t opcode, std::int32_t, std::intptr_t, void*, float) {
  return opcode == vst::audioMasterVersion ? 2400 : 0;
}

int Usage() {
  std::fprintf(stderr, "usage: editorshot OUT.png [INDEX=VALUE ...]\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string out = argv[1];
  editordemo::CDemoEffect effect(&SilentHost);
  for (int i = 2; i < argc; ++i) {
    int index = -1;
    float value = 0.0f;
    if (std::sscanf(argv[i], "%d=%f", &index, &value) != 2 || index < 0) return Usage();
    effect.setParameter(index, value);
  }
  editordemo::CDemoEditor* editor = effect.GetDemoEditor();
  std::string error;
  auto surface = platform::CreateOffscreenSurface(editordemo::CDemoEditor::WIDTH, editordemo::CDemoEditor::HEIGHT, error);
  if (!surface || !editor->open(std::move(surface))) {
    std::fprintf(stderr, "editorshot: cannot draw offscreen: %s\n", error.empty() ? "no GL context" : error.c_str());
    return 2;
  }
  editor->idle();  // applies what the parameters recorded
  platform::SImage image;
  if (!editor->getFrame()->drawToImage(image) || !platform::WritePng(out, image, error)) {
    std::fprintf(stderr, "editorshot: cannot write '%s': %s\n", out.c_str(), error.c_str());
    return 2;
  }
  editor->close();
  std::printf("%s: %dx%d\n", out.c_str(), image.width, image.height);
  return 0;
}
