// spanora demo [OUT]: renders built-in material through a factory program.
#include <cstdio>

#include "Helpers/ErrorReport.h"
#include "tools/spanora/AudioFiles.h"
#include "tools/spanora/CommandLine.h"
#include "tools/spanora/Commands.h"
#include "tools/spanora/DemoMaterial.h"
#include "tools/spanora/Render.h"

namespace spanora {
namespace {

constexpr const char* DEMO_OUTPUT = "spanora-demo.wav";
// Opens up the narrow pad clearly while the centred drums stay put.
constexpr const char* DEMO_PRESET = "Synth Pad 3";

}  // namespace

int RunDemo(const Arguments& arguments) {
  return kiv::Guard(KIV_SIGNATURE, int{EXIT_INTERNAL}, [&] {
    // The renderer's own options, with the built-in material as input.
    Arguments processArguments = {"(demo material)"};
    bool haveOutput = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
      const std::string& word = arguments[i];
      if (!word.starts_with("-")) {
        if (haveOutput) {
          std::fprintf(stderr, "spanora: unexpected argument '%s'\n", word.c_str());
          return int{EXIT_USAGE};
        }
        haveOutput = true;
      } else if (word != "--preset" && word != "--plugin" && word != "--quiet" && !word.starts_with("--preset=") &&
                 !word.starts_with("--plugin=")) {
        std::fprintf(stderr, "spanora: unknown option '%s'\n", word.c_str());
        return int{EXIT_USAGE};
      }
      processArguments.push_back(word);
      if ((word == "--preset" || word == "--plugin") && i + 1 < arguments.size())
        processArguments.push_back(arguments[++i]);
    }
    if (!haveOutput) processArguments.push_back(DEMO_OUTPUT);
    SProcessOptions options;
    options.preset = DEMO_PRESET;
    std::string error;
    SOutputFormat format;
    if (!ParseProcessOptions(processArguments, &options, &error) ||
        !ResolveOutputFormat(options.output, options.format, &format, &error)) {
      std::fprintf(stderr, "spanora: %s\n", error.c_str());
      return int{EXIT_USAGE};
    }
    SStereoBuffer material = SynthesiseDemoMaterial();
    CMemorySource source("built-in drums and pad", DEMO_SAMPLE_RATE, std::move(material.left),
                         std::move(material.right));
    return RenderThroughEffect(source, options, format);
  });
}

}  // namespace spanora
