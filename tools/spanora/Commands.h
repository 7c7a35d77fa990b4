#pragma once
// The subcommands of the spanora command. Each takes the arguments after its
// name and returns the process exit code. A new subcommand is a Run function
// in its own file plus one row in the table in main.cpp.
#include <string>
#include <vector>

namespace spanora {

enum EExitCode : int {
  EXIT_OK = 0,
  EXIT_USAGE = 1,        // unknown subcommand or wrong arguments
  EXIT_LOAD_FAILED = 2,  // the plug-in module could not be loaded
  EXIT_INTERNAL = 3,     // an unexpected failure inside the command
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

}  // namespace spanora
