// spanora snapshot OUT.png [options]: the editor drawn offscreen into a PNG.
#include <cstdio>

#include "Helpers/ErrorReport.h"
#include "tools/spanora/AudioFiles.h"
#include "tools/spanora/CommandLine.h"
#include "tools/spanora/Commands.h"
#include "tools/spanora/EditorMaterial.h"
#include "tools/spanora/EditorSnapshot.h"

namespace spanora {

int RunSnapshot(const Arguments& arguments) {
  return kiv::Guard(KIV_SIGNATURE, int{EXIT_INTERNAL}, [&] {
    SEditorOptions options;
    std::string error;
    if (!ParseSnapshotOptions(arguments, &options, &error)) {
      std::fprintf(stderr, "spanora: %s\n", error.c_str());
      return int{EXIT_USAGE};
    }
    const auto source = OpenEditorMaterial(options.input, &error);
    if (!source) {
      std::fprintf(stderr, "spanora: %s\n", error.c_str());
      return int{EXIT_BAD_FILE};
    }
    if (options.input && IsSameFile(*options.input, options.output)) {
      std::fprintf(stderr, "spanora: output '%s' is the input file; choose another name\n", options.output.c_str());
      return int{EXIT_USAGE};
    }
    platform::SImage image;
    if (const int code = TakeSnapshot(options, *source, &image); code != EXIT_OK) return code;
    std::vector<std::uint8_t> png;
    if (!platform::EncodePng(image, png, error)) {
      std::fprintf(stderr, "spanora: cannot encode '%s': %s\n", options.output.c_str(), error.c_str());
      return int{EXIT_INTERNAL};
    }
    // Written whole or not at all, as process writes its audio.
    if (!WriteFileAtomically(options.output, png, &error)) {
      std::fprintf(stderr, "spanora: %s\n", error.c_str());
      return int{EXIT_BAD_FILE};
    }
    std::printf("%s: %dx%d\n", options.output.c_str(), image.width, image.height);
    return int{EXIT_OK};
  });
}

}  // namespace spanora
