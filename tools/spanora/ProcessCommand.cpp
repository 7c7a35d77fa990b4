// spanora process IN OUT [options]: renders an audio file through the effect.
#include <cstdio>
#include <utility>

#include "Helpers/ErrorReport.h"
#include "tools/spanora/AudioFiles.h"
#include "tools/spanora/CommandLine.h"
#include "tools/spanora/Commands.h"
#include "tools/spanora/Render.h"

namespace spanora {

int RunProcess(const Arguments& arguments) {
  return kiv::Guard(KIV_SIGNATURE, int{EXIT_INTERNAL}, [&] {
    SProcessOptions options;
    std::string error;
    SOutputFormat format;
    if (!ParseProcessOptions(arguments, &options, &error) ||
        !ResolveOutputFormat(options.output, options.format, &format, &error)) {
      std::fprintf(stderr, "spanora: %s\n", error.c_str());
      return int{EXIT_USAGE};
    }
    CSoundFileSource source;
    if (!source.Open(options.input, &error)) {
      std::fprintf(stderr, "spanora: %s\n", error.c_str());
      return int{EXIT_BAD_FILE};
    }
    // The input is never overwritten, whatever path leads to it.
    if (IsSameFile(options.input, options.output)) {
      std::fprintf(stderr, "spanora: output '%s' is the input file; choose another name\n", options.output.c_str());
      return int{EXIT_USAGE};
    }
    // Nor is a state file allowed to take the place of either.
    if (options.saveStateFile) {
      for (const auto& [path, role] : {std::pair{&options.input, "input"}, std::pair{&options.output, "output"}}) {
        if (!IsSameDestination(*options.saveStateFile, *path)) continue;
        std::fprintf(stderr, "spanora: state file '%s' is the %s file; choose another name\n",
                     options.saveStateFile->c_str(), role);
        return int{EXIT_USAGE};
      }
    }
    return RenderThroughEffect(source, options, format);
  });
}

}  // namespace spanora
