#include "tools/spanora/Render.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "tools/spanora/Commands.h"
#include "tools/spanora/PluginSession.h"
#include "tools/spanora/PluginSettings.h"
#include "tools/spanora/ProgressBar.h"
#include "tools/spanora/SignalStats.h"
#include "tools/spanora/StopSignals.h"
#include "tools/vsthost/VstHost.h"

namespace spanora {
namespace {

constexpr std::int64_t PREROLL_FRAMES = 101 * 1024;

int Fail(int code, const std::string& message) {
  std::fprintf(stderr, "spanora: %s\n", message.c_str());
  return code;
}

}  // namespace

int ApplySettings(vsthost::CVstHost& host, const std::optional<std::string>& preset,
                  const std::optional<std::string>& stateFile, const std::vector<SParameterSetting>& settings,
                  std::string* description) {
  if (preset) {
    const int program = FindProgram(host, *preset);
    if (program < 0) return Fail(EXIT_USAGE, "unknown preset '" + *preset + "'");
    host.SetProgram(program);
  }
  *description = "program " + std::to_string(host.GetProgram()) + " \"" + host.GetProgramName() + "\"";
  if (stateFile) {
    std::vector<std::uint8_t> data;
    std::string error;
    if (!ReadWholeFile(*stateFile, MAX_STATE_SIZE, &data, &error)) return Fail(EXIT_BAD_FILE, error);
    if (!RestoreKeyedState(host, data, &error))
      return Fail(EXIT_BAD_FILE, "state file '" + *stateFile + "' " + error);
    *description += ", state '" + *stateFile + "'";
  }
  for (const SParameterSetting& setting : settings) {
    const int index = FindParameterKey(host, setting.key);
    if (index < 0) return Fail(EXIT_USAGE, "unknown key '" + setting.key + "'");
    host.SetParameter(index, setting.value);
    char text[96];
    std::snprintf(text, sizeof text, ", %s=%g", host.GetParameterKey(index).c_str(), setting.value);
    *description += text;
  }
  return EXIT_OK;
}

namespace {

std::string ChannelText(int channels) { return channels == 1 ? "mono" : "stereo"; }

}  // namespace

// Runs the effect on silence until its smoothed mixes have reached their
// settings: they glide 0.01 per tick of 1024 samples, so a cold effect
// needs 100 ticks; one more covers where its tick count stands. A host has
// run the effect this long before any region it exports, so the render then
// starts as the host's does, and at transport position 0.
void Preroll(vsthost::CVstHost& host, std::size_t block, double tempo) {
  std::vector<float> silence(block, 0.0f), left(block), right(block);
  float* inputs[2] = {silence.data(), silence.data()};
  float* outputs[2] = {left.data(), right.data()};
  for (std::int64_t done = 0; done < PREROLL_FRAMES;) {
    const std::int64_t frames = std::min<std::int64_t>(static_cast<std::int64_t>(block), PREROLL_FRAMES - done);
    host.ProcessReplacing(inputs, outputs, static_cast<std::int32_t>(frames));
    done += frames;
  }
  StartTransport(host, tempo);
}

int ApplySettingsAndSettle(vsthost::CVstHost& host, const std::optional<std::string>& preset,
                           const std::optional<std::string>& stateFile,
                           const std::vector<SParameterSetting>& settings, std::size_t block,
                           std::string* description) {
  StartTransport(host, HOST_DEFAULT_TEMPO);
  if (const int code = ApplySettings(host, preset, stateFile, settings, description); code != EXIT_OK) return code;
  Preroll(host, block, HOST_DEFAULT_TEMPO);
  return EXIT_OK;
}

int RenderThroughEffect(IFrameSource& source, const SProcessOptions& options, const SOutputFormat& format) {
  vsthost::CVstHost host;
  if (!StartSession(host, ResolvePluginPath(options.plugin), static_cast<float>(source.GetSampleRate()),
                    options.blockSize))
    return EXIT_LOAD_FAILED;
  // The tempo must be known before the settings arrive: a tempo-synced
  // rate is computed when its parameters change.
  const double tempo = options.tempo.value_or(HOST_DEFAULT_TEMPO);
  StartTransport(host, tempo);
  std::string settingsText;
  if (const int code = ApplySettings(host, options.preset, options.stateFile, options.settings, &settingsText); code != EXIT_OK) return code;
  const std::vector<std::uint8_t> state = options.saveStateFile ? SaveKeyedState(host) : std::vector<std::uint8_t>{};

  std::string error;
  COutputFile output;
  if (!output.Open(options.output, format, source.GetSampleRate(), &error)) return Fail(EXIT_BAD_FILE, error);

  const std::size_t block = static_cast<std::size_t>(options.blockSize);
  if (options.preroll) Preroll(host, block, tempo);
  std::vector<float> inLeft(block), inRight(block), outLeft(block), outRight(block);
  float* inputs[2] = {inLeft.data(), inRight.data()};
  float* outputs[2] = {outLeft.data(), outRight.data()};
  CSignalStats inStats, outStats;
  CStopSignalScope signals;
  int stopSignal = 0;
  {
    CProgressBar progress(!options.quiet, source.GetFrames());
    std::int64_t done = 0;
    for (;;) {
      if ((stopSignal = CStopSignalScope::GetSignal()) != 0) break;
      const std::int64_t frames = source.Read(inLeft.data(), inRight.data(), options.blockSize);
      if (frames < 0) return Fail(EXIT_BAD_FILE, "cannot read '" + source.GetName() + "'");
      if (frames == 0) break;
      const std::size_t count = static_cast<std::size_t>(frames);
      inStats.Add(inLeft.data(), inRight.data(), count);
      host.ProcessReplacing(inputs, outputs, static_cast<std::int32_t>(frames));
      outStats.Add(outLeft.data(), outRight.data(), count);
      if (!output.Write(outLeft.data(), outRight.data(), frames))
        return Fail(EXIT_BAD_FILE, "cannot write '" + options.output + "'");
      done += frames;
      progress.Update(done);
    }
  }
  if (stopSignal != 0) {
    output.Discard();
    return Fail(128 + stopSignal,
                "stopped by signal " + std::to_string(stopSignal) + "; '" + options.output + "' was not written");
  }
  if (options.saveStateFile && !WriteFileAtomically(*options.saveStateFile, state, &error))
    return Fail(EXIT_BAD_FILE, error);
  if (!output.Commit(&error)) return Fail(EXIT_BAD_FILE, error);

  if (!options.quiet) {
    const double seconds = static_cast<double>(inStats.GetFrames()) / source.GetSampleRate();
    std::printf("in:       %s (%s, %d Hz, %llu frames, %.2f s)\n", source.GetName().c_str(),
                ChannelText(source.GetChannels()).c_str(), source.GetSampleRate(),
                static_cast<unsigned long long>(inStats.GetFrames()), seconds);
    std::printf("out:      %s (%s, stereo, %d Hz)\n", options.output.c_str(), format.description.c_str(),
                source.GetSampleRate());
    std::printf("settings: %s; block %d", settingsText.c_str(), options.blockSize);
    if (options.tempo) std::printf("; tempo %g BPM", *options.tempo);
    std::printf("\n%s", FormatLevelReport(inStats, outStats).c_str());
    if (options.saveStateFile) std::printf("state saved to %s\n", options.saveStateFile->c_str());
  }
  if (const std::uint64_t bad = outStats.GetNonFiniteSamples(); bad != 0)
    return Fail(EXIT_NOT_FINITE, "the output is not finite: " + std::to_string(bad) +
                                     " samples are infinite or NaN; '" + options.output +
                                     "' was written for inspection");
  return EXIT_OK;
}

}  // namespace spanora
