// spanora bench [--seconds S]: how many seconds of audio the effect renders
// per second of CPU time on this machine, for noise and for silence, with
// every stage on and with the program a new effect starts on.
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "Helpers/ErrorReport.h"
#include "tools/spanora/CommandLine.h"
#include "tools/spanora/Commands.h"
#include "tools/spanora/PluginSession.h"
#include "tools/spanora/PluginSettings.h"
#include "tools/vsthost/VstHost.h"
#include "widener/SpanoraIidKernel.h"

namespace spanora {
namespace {

constexpr int BENCH_SAMPLE_RATE = 48000;
constexpr int BENCH_BLOCK = 512;
constexpr double BENCH_TEMPO = 120.0;
constexpr double DEFAULT_SECONDS = 60.0;
constexpr double MAX_SECONDS = 3600.0;

// Every stage of the audio path busy: ten IID bands over the full range,
// ITD with fill, tempo-synced dynamics, auto level and an off-centre balance.
const SParameterSetting kAllStages[] = {
    {"Width", 1.0f},           {"Resolution", 1.0f},        {"WREnabled", 1.0f},
    {"WRLowFreq", 0.0f},       {"WRHighFreq", 1.0f},        {"WRRestrictLowFreq", 0.0f},
    {"WRRestrictHighFreq", 1.0f}, {"SplitDelayEnabled", 1.0f}, {"HaasEnabled", 1.0f},
    {"Dynamics", 1.0f},        {"DynTempo", 1.0f},          {"AutoLevel", 1.0f},
    {"Balance", 0.6f},
};

double ThreadCpuSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

struct SBenchRun {
  double cpuSeconds = 0.0;
  double RealtimeFactor(double audioSeconds) const { return cpuSeconds > 0.0 ? audioSeconds / cpuSeconds : 0.0; }
};

// A fresh effect per run, so no run inherits another's filter state.
bool RunOnce(const std::string& plugin, bool allStages, bool noise, std::int64_t frames, SBenchRun* run) {
  vsthost::CVstHost host;
  if (!StartSession(host, plugin, static_cast<float>(BENCH_SAMPLE_RATE), BENCH_BLOCK)) return false;
  StartTransport(host, BENCH_TEMPO);
  if (allStages)
    for (const SParameterSetting& setting : kAllStages) {
      const int index = FindParameterKey(host, setting.key);
      if (index < 0) {
        std::fprintf(stderr, "spanora: '%s' has no parameter '%s'\n", plugin.c_str(), setting.key.c_str());
        return false;
      }
      host.SetParameter(index, setting.value);
    }
  // One second of input, made before the clock starts and played in a loop,
  // so that the clock sees processing only (and is read twice, not per block:
  // a thread-time read is a system call).
  const std::int64_t loopFrames = std::min<std::int64_t>(frames, static_cast<std::int64_t>(BENCH_SAMPLE_RATE));
  std::vector<float> inLeft(static_cast<std::size_t>(loopFrames), 0.0f), inRight(inLeft.size(), 0.0f);
  std::vector<float> outLeft(BENCH_BLOCK), outRight(BENCH_BLOCK);
  std::uint32_t state = 0x2545F491u;
  auto next = [&state] {  // xorshift32, -12 dBFS peak white noise
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<float>(static_cast<double>(state) / 4294967296.0 - 0.5) * 0.5f;
  };
  if (noise) {
    for (std::size_t i = 0; i < inLeft.size(); ++i) {
      inLeft[i] = next();
      inRight[i] = next();
    }
  }
  float* outputs[2] = {outLeft.data(), outRight.data()};
  std::int64_t at = 0;
  const double start = ThreadCpuSeconds();
  for (std::int64_t done = 0; done < frames; done += BENCH_BLOCK) {
    std::int64_t count = std::min<std::int64_t>(BENCH_BLOCK, frames - done);
    if (at + count > loopFrames) at = 0;
    count = std::min(count, loopFrames - at);
    float* inputs[2] = {inLeft.data() + at, inRight.data() + at};
    host.ProcessReplacing(inputs, outputs, static_cast<std::int32_t>(count));
    at += count;
  }
  run->cpuSeconds += ThreadCpuSeconds() - start;
  return true;
}

bool ParseBenchArguments(const Arguments& arguments, double* seconds, std::optional<std::string>* plugin) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string word = arguments[i];
    std::optional<std::string> value;
    if (const std::size_t equals = word.find('='); word.starts_with("--") && equals != std::string::npos) {
      value = word.substr(equals + 1);
      word.resize(equals);
    }
    if (word != "--seconds" && word != "--plugin") {
      std::fprintf(stderr, "spanora: %s '%s'\n", word.starts_with("-") ? "unknown option" : "unexpected argument",
                   word.c_str());
      return false;
    }
    if (!value) {
      if (i + 1 >= arguments.size()) {
        std::fprintf(stderr, "spanora: option '%s' needs a value\n", word.c_str());
        return false;
      }
      value = arguments[++i];
    }
    if (word == "--plugin") {
      *plugin = *value;
    } else if (!ParseNumber(*value, seconds) || !(*seconds > 0.0 && *seconds <= MAX_SECONDS)) {
      std::fprintf(stderr, "spanora: seconds '%s' is not a number above 0 and at most 3600\n", value->c_str());
      return false;
    }
  }
  return true;
}

}  // namespace

int RunBench(const Arguments& arguments) {
  return kiv::Guard(KIV_SIGNATURE, int{EXIT_INTERNAL}, [&] {
    double seconds = DEFAULT_SECONDS;
    std::optional<std::string> pluginOption;
    if (!ParseBenchArguments(arguments, &seconds, &pluginOption)) return int{EXIT_USAGE};
    const std::string plugin = ResolvePluginPath(pluginOption);
    const std::int64_t frames = static_cast<std::int64_t>(seconds * BENCH_SAMPLE_RATE);
    const double audioSeconds = static_cast<double>(frames) / BENCH_SAMPLE_RATE;

    std::string startProgram = "?";
    {
      vsthost::CVstHost probe;
      if (!StartSession(probe, plugin)) return int{EXIT_LOAD_FAILED};
      startProgram = std::to_string(probe.GetProgram()) + " \"" + probe.GetProgramName() + "\"";
    }
    std::printf("%.0f s of stereo at %d Hz in blocks of %d; realtime factor = audio s per CPU s\n", audioSeconds,
                BENCH_SAMPLE_RATE, BENCH_BLOCK);
    // The plug-in runs in this process and picks its kernel by the same rule.
    std::printf("IID kernel %s (SPANORA_KERNEL=sse|avx2|avx512 picks another)\n",
                SpanoraIidKernels::Name(SpanoraIidKernels::Default()));
    const struct {
      bool allStages;
      std::string label;
    } kCases[] = {{true, "all stages on"}, {false, "program " + startProgram}};
    for (const auto& benchCase : kCases) {
      SBenchRun noise, silence;
      if (!RunOnce(plugin, benchCase.allStages, true, frames, &noise) ||
          !RunOnce(plugin, benchCase.allStages, false, frames, &silence))
        return int{EXIT_LOAD_FAILED};
      const double ratio = noise.cpuSeconds > 0.0 ? silence.cpuSeconds / noise.cpuSeconds : 0.0;
      std::printf("%-28s noise %8.1fx   silence %8.1fx   silence/noise cost %.2f\n", benchCase.label.c_str(),
                  noise.RealtimeFactor(audioSeconds), silence.RealtimeFactor(audioSeconds), ratio);
    }
    return int{EXIT_OK};
  });
}

}  // namespace spanora
