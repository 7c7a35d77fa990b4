#pragma once
// The renderer shared by `spanora process` and `spanora demo`: loads the
// effect at the source's sample rate, applies program, state and settings,
// runs the source through it block by block into the output file and
// prints the level and correlation report.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "tools/spanora/AudioFiles.h"
#include "tools/spanora/CommandLine.h"

namespace vsthost {
class CVstHost;
}

namespace spanora {

// Program, then saved state, then the single settings: later ones win.
// Returns the exit code, EXIT_OK when everything applied (else the reason is
// printed); *description tells what was applied, for the report.
int ApplySettings(vsthost::CVstHost& host, const std::optional<std::string>& preset,
                  const std::optional<std::string>& stateFile, const std::vector<SParameterSetting>& settings,
                  std::string* description);

// The tempo the host reports unless told otherwise, beats per minute.
constexpr double HOST_DEFAULT_TEMPO = 120.0;

// Runs the effect on silence until its smoothed mixes have reached their
// settings, as a host has run it long before a region starts, then starts
// the transport at position 0, playing at tempo.
void Preroll(vsthost::CVstHost& host, std::size_t block, double tempo);

// A live session's start at the default tempo: the transport first (a
// tempo-synced rate is computed when its parameters arrive), the settings as
// ApplySettings takes them, then the preroll. Returns the exit code.
int ApplySettingsAndSettle(vsthost::CVstHost& host, const std::optional<std::string>& preset,
                           const std::optional<std::string>& stateFile,
                           const std::vector<SParameterSetting>& settings, std::size_t block,
                           std::string* description);

// Uses options.output, preset, settings, stateFile, saveStateFile,
// blockSize, tempo, plugin, quiet and preroll; format is the resolved output
// format. Returns the exit code; a failed or interrupted render leaves no
// output file. An output with infinite or NaN samples is written, reported
// and returns EXIT_NOT_FINITE.
int RenderThroughEffect(IFrameSource& source, const SProcessOptions& options, const SOutputFormat& format);

}  // namespace spanora
