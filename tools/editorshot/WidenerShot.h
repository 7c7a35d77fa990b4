#pragma once
// The widener's editor drawn offscreen: an effect is built, set up like a
// host would (program, parameters), fed a few seconds of a stereo signal so
// the meters and analysis show real values, and its editor's face is drawn
// into an image.
#include <string>
#include <utility>
#include <vector>

#include "platform/GLSurface.h"

namespace editorshot {

enum class EFace { FRONT, ABOUT, OPTIONS };

struct SWidenerShot {
  int program = 0;
  std::vector<std::pair<int, float>> parameters;  // applied after the program, in order
  EFace face = EFace::FRONT;
  // The signal fed before drawing: wide (decorrelated sides) or mono.
  bool monoInput = false;
  float seconds = 1.0f;
};

// False with a reason when no GL context can be made or drawing fails.
bool DrawWidenerShot(const SWidenerShot& shot, platform::SImage& image, std::string& error);

}  // namespace editorshot
