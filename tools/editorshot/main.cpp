// editorshot: draws an editor offscreen, with no X server, and writes the
// frame as a PNG. Parameters may be set first, as a host would.
//
//   editorshot OUT.png [INDEX=VALUE ...]          the stock-control demo face
//   editorshot --widener OUT.png [--program N] [--face front|about|options]
//              [--mono] [INDEX=VALUE ...]         the widener's editor, fed a
//                                                 second of a stereo signal
//
// Exit codes: 0 written, 1 bad usage, 2 no GL or the file could not be written.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/GLSurface.h"
#include "tools/editordemo/DemoEffect.h"
#include "tools/editorshot/WidenerShot.h"
#include "vstgui/CFrame.h"

namespace {

std::intptr_t SilentHost(vst::AEffect*, std::int32_t opcode, std::int32_t, std::intptr_t, void*, float) {
  return opcode == vst::audioMasterVersion ? 2400 : 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: editorshot OUT.png [INDEX=VALUE ...]\n"
               "       editorshot --widener OUT.png [--program N] [--face front|about|options] [--mono] "
               "[INDEX=VALUE ...]\n");
  return 1;
}

bool ParseSetting(const char* text, int& index, float& value) {
  return std::sscanf(text, "%d=%f", &index, &value) == 2 && index >= 0;
}

int Write(const std::string& out, const platform::SImage& image) {
  std::string error;
  if (!platform::WritePng(out, image, error)) {
    std::fprintf(stderr, "editorshot: cannot write '%s': %s\n", out.c_str(), error.c_str());
    return 2;
  }
  std::printf("%s: %dx%d\n", out.c_str(), image.width, image.height);
  return 0;
}

int WidenerShot(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string out = argv[2];
  editorshot::SWidenerShot shot;
  for (int i = 3; i < argc; ++i) {
    int index = -1;
    float value = 0.0f;
    if (!std::strcmp(argv[i], "--program") && i + 1 < argc) {
      shot.program = std::atoi(argv[++i]);
    } else if (!std::strcmp(argv[i], "--face") && i + 1 < argc) {
      const std::string face = argv[++i];
      if (face == "front") shot.face = editorshot::EFace::FRONT;
      else if (face == "about") shot.face = editorshot::EFace::ABOUT;
      else if (face == "options") shot.face = editorshot::EFace::OPTIONS;
      else return Usage();
    } else if (!std::strcmp(argv[i], "--mono")) {
      shot.monoInput = true;
    } else if (ParseSetting(argv[i], index, value)) {
      shot.parameters.emplace_back(index, value);
    } else {
      return Usage();
    }
  }
  platform::SImage image;
  std::string error;
  if (!editorshot::DrawWidenerShot(shot, image, error)) {
    std::fprintf(stderr, "editorshot: cannot draw offscreen: %s\n", error.c_str());
    return 2;
  }
  return Write(out, image);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  if (!std::strcmp(argv[1], "--widener")) return WidenerShot(argc, argv);
  const std::string out = argv[1];
  editordemo::CDemoEffect effect(&SilentHost);
  for (int i = 2; i < argc; ++i) {
    int index = -1;
    float value = 0.0f;
    if (!ParseSetting(argv[i], index, value)) return Usage();
    effect.setParameter(index, value);
  }
  editordemo::CDemoEditor* editor = effect.GetDemoEditor();
  std::string error;
  auto surface = platform::CreateOffscreenSurface(editordemo::CDemoEditor::WIDTH, editordemo::CDemoEditor::HEIGHT, error);
  if (!surface || !editor->open(std::move(surface))) {
    std::fprintf(stderr, "editorshot: cannot draw offscreen: %s\n", error.c_str());
    return 2;
  }
  editor->idle();  // applies what the parameters recorded
  platform::SImage image;
  const bool drawn = editor->getFrame()->drawToImage(image);
  editor->close();
  if (!drawn) {
    std::fprintf(stderr, "editorshot: cannot draw the frame\n");
    return 2;
  }
  return Write(out, image);
}
