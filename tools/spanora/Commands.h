#pragma once
// The subcommands of the spanora command. Each takes the arguments after its
// name and returns the process exit code. A new subcommand is a Run function
// in its own file plus one row in the table in main.cpp.
#include <string>
#include <vector>

namespace spanora {

enum EExitCode : int {
  EXIT_OK = 0,
  EXIT_USAGE = 1,        // unknown subcommand, option, preset or key; bad value; a file named twice
  EXIT_LOAD_FAILED = 2,  // the plug-in module could not be loaded
  EXIT_BAD_FILE = 2,     // unreadable input or state file, unwritable output, output not a regular file
  EXIT_INTERNAL = 3,     // an unexpected failure inside the command
  EXIT_NOT_FINITE = 4,   // the output holds infinite or NaN samples (the file is written)
  EXIT_NO_GRAPHICS = 5,  // the editor cannot be shown: no X display, or no OpenGL offscreen
  EXIT_INTERRUPTED = 130,  // stopped by SIGINT (128 + signal number)
  EXIT_TERMINATED = 143,   // stopped by SIGTERM
};

using Arguments = std::vector<std::string>;

struct SCommand {
  const char* name;
  const char* arguments;  // synopsis for the usage text
  const char* summary;
  int (*run)(const Arguments& arguments);
};

// spanora info [PLUGIN.so]: identity, parameters and programs of a plug-in.
int RunInfo(const Arguments& arguments);
// spanora process IN OUT [options]: renders an audio file through the effect.
int RunProcess(const Arguments& arguments);
// spanora presets [PLUGIN.so]: program numbers and names.
int RunPresets(const Arguments& arguments);
// spanora params [PLUGIN.so]: index, key, name and default display per parameter.
int RunParams(const Arguments& arguments);
// spanora demo [OUT]: renders built-in material, spanora-demo.wav by default.
int RunDemo(const Arguments& arguments);
// spanora bench [--seconds S]: realtime factor of the effect on this machine.
int RunBench(const Arguments& arguments);
// spanora snapshot OUT.png [options]: the editor drawn offscreen into a PNG.
int RunSnapshot(const Arguments& arguments);
// spanora edit [FILE] [options]: the editor in a window over the running effect.
int RunEdit(const Arguments& arguments);

}  // namespace spanora
