// spanora: runs the plug-in through our own VST host from the command line.
#include <cstdio>
#include <string>
#include <string_view>

#include "Helpers/ErrorReport.h"
#include "tools/spanora/Commands.h"

namespace {

using spanora::SCommand;

constexpr SCommand kCommands[] = {
    {"info", "[PLUGIN.so]", "identity, parameters and programs of the plug-in", &spanora::RunInfo},
    {"process", "IN OUT [OPTIONS]", "render an audio file through the effect", &spanora::RunProcess},
    {"presets", "[PLUGIN.so]", "program numbers and names", &spanora::RunPresets},
    {"params", "[PLUGIN.so]", "parameter index, key, name and default", &spanora::RunParams},
    {"demo", "[OUT] [--preset P]", "render built-in drums and pad (spanora-demo.wav)", &spanora::RunDemo},
    {"bench", "[--seconds S]", "realtime factor of the effect on this machine", &spanora::RunBench},
    {"snapshot", "OUT.png [OPTIONS]", "draw the editor, fed with material, into a PNG", &spanora::RunSnapshot},
    {"edit", "[FILE] [OPTIONS]", "open the editor in a window over the effect playing FILE", &spanora::RunEdit},
};

void PrintUsage(std::FILE* out) {
  std::fprintf(out, "usage: spanora COMMAND [ARGUMENTS]\n\ncommands:\n");
  for (const SCommand& command : kCommands) {
    const std::string synopsis = std::string(command.name) + " " + command.arguments;
    std::fprintf(out, "  %-26s %s\n", synopsis.c_str(), command.summary);
  }
  std::fprintf(out,
               "\nprocess options:\n"
               "  --preset NAME|NUMBER   start from a program (name case-insensitive, or 0..59)\n"
               "  --set KEY=VALUE        set a parameter by key (e.g. Width=0.8), 0..1; repeatable\n"
               "  --state FILE           apply a saved state (keyed chunk data, at most 1 MiB;\n"
               "                         every value must be a number in 0..1)\n"
               "  --save-state FILE      save the state the render used\n"
               "  --block N              frames per processing block, 1..65536 (default 512)\n"
               "  --tempo BPM            host tempo for tempo-synced dynamics (default 120)\n"
               "  --format F             float, pcm16 or pcm24; the container follows OUT's\n"
               "                         extension: .wav .aiff .flac .ogg (else WAV)\n"
               "  --plugin PATH          the plug-in module to use\n"
               "  --quiet                no progress bar and no report\n"
               "  --no-preroll           start the effect cold; by default it first runs on\n"
               "                         silence until its glides have settled, as in a host\n"
               "The preset, then the state, then each --set apply, in that order.\n"
               "\nWithout PLUGIN.so or --plugin the plug-in is $SPANORA_PLUGIN, else the\n"
               "libspanora3.so one directory above this program.\n"
               "\nexit codes: 0 done, 1 bad usage (also a state file named as the input or the\n"
               "output), 2 unreadable input or state, unwritable output (also one that is not a\n"
               "regular file) or unloadable plug-in, 3 internal error, 4 output not finite\n"
               "(written for inspection), 130/143 interrupted by SIGINT/SIGTERM\n"
               "\nsnapshot and edit options:\n"
               "  --preset, --set, --state   as for process\n"
               "  --input FILE           snapshot: the material fed before drawing (first 3 s)\n"
               "  --face F               snapshot: front (default), about or options\n"
               "  --plugin PATH          edit: the plug-in module to use\n"
               "Without a file both use the built-in drums and pad. edit plays its material\n"
               "in a loop at real-time pace (no sound) until the window is closed or\n"
               "SIGINT/SIGTERM arrives. Exit code 5: no X display (edit) or no offscreen\n"
               "OpenGL (snapshot).\n");
}

}  // namespace

int main(int argc, char** argv) {
  return kiv::Guard(KIV_SIGNATURE, int{spanora::EXIT_INTERNAL}, [&] {
    if (argc < 2) {
      PrintUsage(stderr);
      return int{spanora::EXIT_USAGE};
    }
    const std::string_view name = argv[1];
    if (name == "help" || name == "--help" || name == "-h") {
      PrintUsage(stdout);
      return int{spanora::EXIT_OK};
    }
    for (const SCommand& command : kCommands)
      if (name == command.name) return command.run(spanora::Arguments(argv + 2, argv + argc));
    std::fprintf(stderr, "spanora: unknown command '%s'\n\n", argv[1]);
    PrintUsage(stderr);
    return int{spanora::EXIT_USAGE};
  });
}
