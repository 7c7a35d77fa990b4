// spanora presets / spanora params: the programs and parameters of a plug-in.
#include <cstdio>
#include <optional>
#include <string>

#include "Helpers/ErrorReport.h"
#include "tools/spanora/Commands.h"
#include "tools/spanora/PluginSession.h"
#include "tools/vsthost/VstHost.h"

namespace spanora {
namespace {

// The plug-in of the optional single argument, loaded and running.
int LoadFromArguments(const char* command, const Arguments& arguments, vsthost::CVstHost& host) {
  if (arguments.size() > 1 || (!arguments.empty() && arguments[0].starts_with("-"))) {
    std::fprintf(stderr, "spanora: %s takes at most one plug-in path\n", command);
    return EXIT_USAGE;
  }
  const std::string path = ResolvePluginPath(arguments.empty() ? std::nullopt : std::optional(arguments[0]));
  return StartSession(host, path) ? EXIT_OK : EXIT_LOAD_FAILED;
}

// The first program named "User" followed by digits: a blank user slot.
int FirstBlankProgram(vsthost::CVstHost& host) {
  for (int index = 0; index < host.GetNumPrograms(); ++index) {
    std::string name;
    if (host.GetProgramNameIndexed(index, &name) && name.size() > 4 && name.starts_with("User") &&
        name.find_first_not_of("0123456789", 4) == std::string::npos)
      return index;
  }
  return -1;
}

}  // namespace

int RunPresets(const Arguments& arguments) {
  return kiv::Guard(KIV_SIGNATURE, int{EXIT_INTERNAL}, [&] {
    vsthost::CVstHost host;
    if (const int code = LoadFromArguments("presets", arguments, host); code != EXIT_OK) return code;
    for (int index = 0; index < host.GetNumPrograms(); ++index) {
      std::string name;
      if (!host.GetProgramNameIndexed(index, &name)) name = "(no name)";
      std::printf("%3d  %s\n", index, name.c_str());
    }
    return int{EXIT_OK};
  });
}

int RunParams(const Arguments& arguments) {
  return kiv::Guard(KIV_SIGNATURE, int{EXIT_INTERNAL}, [&] {
    vsthost::CVstHost host;
    if (const int code = LoadFromArguments("params", arguments, host); code != EXIT_OK) return code;
    // A new effect starts on a factory program, whose values are not the
    // defaults; the blank user slots are filled with the defaults, so the
    // first of them shows them. Without one, the current program is shown.
    const int blank = FirstBlankProgram(host);
    if (blank >= 0) host.SetProgram(blank);
    std::printf("%5s  %-20s  %-24s  %s\n", "index", "key", "name", blank >= 0 ? "default" : "value");
    for (int index = 0; index < host.GetNumParams(); ++index) {
      std::string display = host.GetParameterDisplay(index) + host.GetParameterLabel(index);
      while (!display.empty() && display.back() == ' ') display.pop_back();
      std::printf("%5d  %-20s  %-24s  %s\n", index, host.GetParameterKey(index).c_str(),
                  host.GetParameterName(index).c_str(), display.c_str());
    }
    return int{EXIT_OK};
  });
}

}  // namespace spanora
