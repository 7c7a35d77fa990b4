#pragma once
// What every subcommand that works on a plug-in shares: finding the module,
// loading it into our host and bringing the effect to a running state.
#include <optional>
#include <string>

#include "tools/vsthost/VstHost.h"

namespace spanora {

constexpr const char* PLUGIN_ENV = "SPANORA_PLUGIN";
constexpr const char* PLUGIN_FILE = "libspanora3.so";
constexpr float SESSION_SAMPLE_RATE = 44100.0f;
constexpr int SESSION_BLOCK_SIZE = 1024;

// The module to use: the one named on the command line, else $SPANORA_PLUGIN,
// else the libspanora3.so built one directory above this executable.
std::string ResolvePluginPath(const std::optional<std::string>& given);

// Loads the module, opens the effect, sets the sample rate and block size
// and switches it on, as a host does when it inserts a plug-in. False (with
// a message naming the file on stderr) when loading fails.
bool StartSession(vsthost::CVstHost& host, const std::string& path, float sampleRate = SESSION_SAMPLE_RATE,
                  int blockSize = SESSION_BLOCK_SIZE);

// Starts the host transport at position 0, playing at tempo beats per
// minute with a valid tempo, as a sequencer does during a render.
void StartTransport(vsthost::CVstHost& host, double tempo);

// A four-character code as text; bytes that are not printable show as '?'.
std::string FourCCText(int code);

}  // namespace spanora
