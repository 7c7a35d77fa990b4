#pragma once
// The renderer shared by `spanora process` and `spanora demo`: loads the
// effect at the source's sample rate, applies program, state and settings,
// runs the source through it block by block into the output file and
// prints the level and correlation report.
#include <string>

#include "tools/spanora/AudioFiles.h"
#include "tools/spanora/CommandLine.h"

namespace spanora {

// Uses options.output, preset, settings, stateFile, saveStateFile,
// blockSize, tempo, plugin, quiet and preroll; format is the resolved output
// format. Returns the exit code; a failed or interrupted render leaves no
// output file. An output with infinite or NaN samples is written, reported
// and returns EXIT_NOT_FINITE.
int RenderThroughEffect(IFrameSource& source, const SProcessOptions& options, const SOutputFormat& format);

}  // namespace spanora
