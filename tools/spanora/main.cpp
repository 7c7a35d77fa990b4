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
};

void PrintUsage(std::FILE* out) {
  std::fprintf(out, "usage: spanora COMMAND [ARGUMENTS]\n\ncommands:\n");
  for (const SCommand& command : kCommands) {
    const std::string synopsis = std::string(command.name) + " " + command.arguments;
    std::fprintf(out, "  %-24s %s\n", synopsis.c_str(), command.summary);
  }
  std::fprintf(out,
               "\nWithout PLUGIN.so the plug-in is $SPANORA_PLUGIN, else the libspanora3.so\n"
               "one directory above this program.\n");
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
