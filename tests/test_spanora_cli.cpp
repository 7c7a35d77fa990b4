// The spanora command's renderer and its helpers: option parsing, level
// statistics, output formats, and whole renders of generated files through
// the real plug-in module.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sndfile.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Helpers/KeyedChunk.h"
#include "tests/support/TestSignals.h"
#include "tools/spanora/AudioFiles.h"
#include "tools/spanora/CommandLine.h"
#include "tools/spanora/Commands.h"
#include "tools/spanora/PluginSession.h"
#include "tools/spanora/PluginSettings.h"
#include "tools/spanora/Render.h"
#include "tools/spanora/SignalStats.h"
#include "widener/SpanoraParameters.h"

namespace {

namespace fs = std::filesystem;
using spanora::Arguments;

// Option parsing: what each option does, in either spelling, is checked
// by the renders below; here the refusals.

TEST(ProcessOptions, ErrorsNameTheWordAtFault) {
  const struct {
    Arguments arguments;
    const char* message;
  } kCases[] = {
      {{"a.wav", "b.wav", "--widht"}, "unknown option '--widht'"},
      {{"a.wav", "b.wav", "--set"}, "option '--set' needs a value"},
      {{"a.wav"}, "process needs an output file"},
      {{"a.wav", "b.wav", "c.wav"}, "unexpected argument 'c.wav'"},
      {{"a.wav", "b.wav", "--no-preroll=0"}, "option '--no-preroll' takes no value"},
      {{"a.wav", "b.wav", "--block", "65537"}, "block size '65537' is out of range 1..65536"},
      {{"a.wav", "b.wav", "--tempo", "fast"}, "tempo 'fast' is not a number"},
      {{"a.wav", "b.wav", "--set", "=0.5"}, "'=0.5' is not KEY=VALUE"},
      {{"a.wav", "b.wav", "--set", "Width=nan"}, "value 'nan' for 'Width' is not a number"},
      {{"a.wav", "b.wav", "--set", "Width=0.5x"}, "value '0.5x' for 'Width' is not a number"},
  };
  for (const auto& testCase : kCases) {
    spanora::SProcessOptions options;
    std::string error;
    EXPECT_FALSE(spanora::ParseProcessOptions(testCase.arguments, &options, &error)) << testCase.message;
    EXPECT_NE(error.find(testCase.message), std::string::npos) << error;
  }
}

// The figures of the level report; its layout and the words for non-finite
// samples are checked in the renders below.
TEST(SignalStats, PeakRmsAndCorrelationInDecibelsAndWords) {
  std::vector<float> sine(4800), inverted(4800), silence(4800, 0.0f);
  for (std::size_t i = 0; i < sine.size(); ++i)
    inverted[i] = -(sine[i] = static_cast<float>(0.5 * std::sin(2.0 * M_PI * static_cast<double>(i) / 48.0)));
  spanora::CSignalStats same, opposite, silent;
  same.Add(sine.data(), sine.data(), sine.size());
  opposite.Add(sine.data(), inverted.data(), sine.size());
  silent.Add(silence.data(), sine.data(), sine.size());
  EXPECT_EQ(spanora::LevelText(same.GetPeak(0)), "-6.0");
  EXPECT_EQ(spanora::LevelText(same.GetRms(1)), "-9.0");
  EXPECT_NEAR(*same.GetCorrelation(), 1.0, 1e-9);
  EXPECT_NEAR(*opposite.GetCorrelation(), -1.0, 1e-9);
  EXPECT_FALSE(silent.GetCorrelation());
  EXPECT_EQ(spanora::LevelText(silent.GetPeak(0)), "-inf");
}

// Output formats

TEST(OutputFormat, ContainerFollowsTheExtensionAndSampleFormatTheOption) {
  const struct {
    const char* path;
    std::optional<std::string> option;
    int format;  // 0: refused with the message
    const char* message;
  } kCases[] = {
      {"x/out.wav", std::nullopt, SF_FORMAT_WAV | SF_FORMAT_FLOAT, "WAV 32-bit float"},
      {"out.FLAC", std::nullopt, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, "FLAC 24-bit PCM"},
      {"out.aif", "pcm16", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, "AIFF 16-bit PCM"},
      {"out.ogg", std::nullopt, SF_FORMAT_OGG | SF_FORMAT_VORBIS, ""},
      {"out.raw", "pcm24", SF_FORMAT_WAV | SF_FORMAT_PCM_24, ""},
      {"out.flac", "float", 0, "format 'float' is not available for FLAC output"},
      {"out.wav", "pcm8", 0, "unknown format 'pcm8'"},
  };
  for (const auto& testCase : kCases) {
    spanora::SOutputFormat format;
    std::string error;
    EXPECT_EQ(spanora::ResolveOutputFormat(testCase.path, testCase.option, &format, &error), testCase.format != 0)
        << testCase.path;
    if (testCase.format) {
      EXPECT_EQ(format.format, testCase.format) << testCase.path;
    }
    EXPECT_NE((testCase.format ? format.description : error).find(testCase.message), std::string::npos)
        << testCase.path << ": " << format.description << error;
  }
}

// Renders through the real plug-in

struct SSound {
  int channels = 0;
  int sampleRate = 0;
  int format = 0;
  std::vector<float> samples;  // interleaved
  std::size_t Frames() const { return channels ? samples.size() / channels : 0; }
};

void WriteSound(const fs::path& path, const std::vector<float>& samples, int channels = 2, int sampleRate = 44100,
                int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT) {
  SF_INFO info{};
  info.channels = channels;
  info.samplerate = sampleRate;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  EXPECT_EQ(sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size() / channels)),
            static_cast<sf_count_t>(samples.size() / channels));
  sf_close(file);
}

SSound ReadSound(const fs::path& path) {
  SSound sound;
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return sound;
  sound.channels = info.channels;
  sound.sampleRate = info.samplerate;
  sound.format = info.format;
  sound.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
  sf_readf_float(file, sound.samples.data(), info.frames);
  sf_close(file);
  return sound;
}

std::vector<std::uint8_t> FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct SResult {
  int code = -1;
  std::string out;
  std::string err;
};

// A source of constant stereo frames that can look into a directory or raise
// a signal while the render reads it.
class CProbeSource : public spanora::IFrameSource {
 public:
  CProbeSource(std::int64_t frames, fs::path watched, int signal = 0)
      : m_nFrames(frames), m_watched(std::move(watched)), m_nSignal(signal) {}
  std::string GetName() const override { return "probe"; }
  int GetChannels() const override { return 2; }
  int GetSampleRate() const override { return 44100; }
  std::int64_t GetFrames() const override { return m_nFrames; }
  std::int64_t Read(float* left, float* right, std::int64_t frames) override {
    if (m_nDone >= m_nFrames) return 0;
    std::fill(left, left + frames, 0.25f);
    std::fill(right, right + frames, -0.25f);
    m_nDone += frames;
    for (const auto& entry : fs::directory_iterator(m_watched)) m_seen.insert(entry.path().filename().string());
    if (m_nSignal && ++m_nReads == 3) std::raise(m_nSignal);
    return frames;
  }
  std::set<std::string> m_seen;

 private:
  std::int64_t m_nFrames, m_nDone = 0;
  fs::path m_watched;
  int m_nSignal, m_nReads = 0;
};

class Render : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "spanora-render-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    m_input = m_dir / "in.wav";
    WriteSound(m_input, Noise(2 * 20000, 12345));
  }
  void TearDown() override { fs::remove_all(m_dir); }

  // spanora process, by default with the plug-in built alongside the tests.
  SResult Process(Arguments arguments, const std::string& plugin = SPANORA_PLUGIN_PATH) {
    arguments.push_back("--plugin");
    arguments.push_back(plugin);
    SResult result;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    result.code = spanora::RunProcess(arguments);
    result.out = ::testing::internal::GetCapturedStdout();
    result.err = ::testing::internal::GetCapturedStderr();
    return result;
  }
  // The renderer on a source of the test's own, into out.wav.
  SResult RenderFrom(spanora::IFrameSource& source) {
    spanora::SProcessOptions options;
    options.output = At("out.wav");
    options.plugin = SPANORA_PLUGIN_PATH;
    options.quiet = true;
    spanora::SOutputFormat format;
    std::string error;
    EXPECT_TRUE(spanora::ResolveOutputFormat(options.output, std::nullopt, &format, &error));
    SResult result;
    ::testing::internal::CaptureStderr();
    result.code = spanora::RenderThroughEffect(source, options, format);
    result.err = ::testing::internal::GetCapturedStderr();
    return result;
  }
  // A saved state of the plug-in's first `keys` values with Width set to width.
  std::string WriteState(const std::string& name, float width, int keys = NUM_SPANORA_AUTOMATABLE) {
    vsthost::CVstHost host;
    EXPECT_TRUE(spanora::StartSession(host, SPANORA_PLUGIN_PATH));
    CKeyedChunkEncoder encoder;
    for (int index = 0; index < keys; ++index)
      encoder.AddFloat(host.GetParameterKey(index).c_str(), index == PARAM_WIDTH ? width : host.GetParameter(index));
    std::string error;
    EXPECT_TRUE(spanora::WriteFileAtomically(At(name), {encoder.Data(), encoder.Data() + encoder.Size()}, &error));
    return At(name);
  }
  std::string In() const { return m_input.string(); }
  std::string At(const std::string& name) const { return (m_dir / name).string(); }
  std::vector<std::string> DirectoryEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path m_dir;
  fs::path m_input;
};

using Names = std::vector<std::string>;

TEST_F(Render, StereoWavGivesStereoFloatWavOfTheSameLengthAndRateWithAReport) {
  const SResult result = Process({In(), At("out.wav"), "--preset", "Synth Pad 3", "--block=64"});
  ASSERT_EQ(result.code, 0) << result.err;
  const SSound out = ReadSound(At("out.wav"));
  EXPECT_EQ(out.channels, 2);
  EXPECT_EQ(out.sampleRate, 44100);
  EXPECT_EQ(out.Frames(), 20000u);
  EXPECT_NE(out.samples, ReadSound(In()).samples);  // the program does something
  for (const std::string& line :
       {"in:       " + In() + " (stereo, 44100 Hz, 20000 frames, 0.45 s)",
        "out:      " + At("out.wav") + " (WAV 32-bit float, stereo, 44100 Hz)",
        std::string("settings: program 39 \"Synth Pad 3\"; block 64"), std::string("correlation\ninput "),
        std::string("\noutput ")})
    EXPECT_NE(result.out.find(line), std::string::npos) << line << "\n" << result.out;
  EXPECT_EQ(result.err, "");  // no progress bar when stderr is not a terminal
  EXPECT_EQ(DirectoryEntries(), (Names{"in.wav", "out.wav"}));
}

TEST_F(Render, AMonoFlacBecomesStereoInTheRequestedContainerAndSampleFormat) {
  std::vector<float> mono(5000);
  for (std::size_t i = 0; i < mono.size(); ++i) mono[i] = 0.5f * std::sin(0.05f * static_cast<float>(i));
  WriteSound(At("mono.flac"), mono, 1, 22050, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
  const SResult result = Process({At("mono.flac"), At("out.aiff"), "--format", "pcm16"});
  ASSERT_EQ(result.code, 0) << result.err;
  EXPECT_NE(result.out.find("(mono, 22050 Hz, 5000 frames"), std::string::npos) << result.out;
  const SSound out = ReadSound(At("out.aiff"));
  EXPECT_EQ(out.channels, 2);
  EXPECT_EQ(out.sampleRate, 22050);
  EXPECT_EQ(out.format, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
  EXPECT_EQ(out.Frames(), 5000u);
}

// Usage errors exit with 1, file errors with 2; both name the cause and
// leave no file behind. A state file is bounded and checked whole before
// anything is applied; neither the output nor the state file may take the
// place of the input or each other, by any name, nor of a special file.
// (Option parsing itself: ProcessOptions above; special files beneath the
// renderer: HostileFiles.)
TEST_F(Render, BadInputsAndUsageFailWithoutLeavingOrDestroyingFiles) {
  const std::vector<std::uint8_t> before = FileBytes(m_input);
  fs::create_hard_link(m_input, At("link.wav"));
  fs::create_symlink(m_input, At("alias.wav"));
  ASSERT_EQ(::mkfifo(At("fifo.wav").c_str(), 0644), 0);
  WriteSound(At("three.wav"), std::vector<float>(300, 0.1f), 3);
  const std::string two = WriteState("two.bin", 2.0f);
  const std::string nan = WriteState("nan.bin", std::numeric_limits<float>::quiet_NaN());
  const std::string partial = WriteState("partial.bin", 0.5f, 1);
  const struct {
    Arguments arguments;
    int code;
    std::string message;
    std::string plugin = SPANORA_PLUGIN_PATH;
  } kCases[] = {
      {{At("three.wav"), At("out.wav")}, 2, "spanora: '" + At("three.wav") + "' has 3 channels"},
      {{In(), At("out.wav"), "--set", "Widht=1"}, 1, "spanora: unknown key 'Widht'"},
      {{In(), At("out.wav"), "--state", In()}, 2, "spanora: state file '" + In() + "' is not a saved state"},
      {{In(), At("out.wav"), "--state", "/dev/zero"}, 2, "cannot read '/dev/zero': larger than 1048576 bytes"},
      {{In(), At("out.wav"), "--state", two}, 2, "state file '" + two + "' has value 2 for 'Width', out of range 0..1"},
      {{In(), At("out.wav"), "--state", nan}, 2, "for 'Width', not a number"},
      {{In(), At("out.wav"), "--state", partial}, 2, "state file '" + partial + "' has no value for 'Resolution'"},
      {{In(), At("in.wav/out.wav")}, 2, "spanora: cannot write '" + At("in.wav/out.wav") + "'"},
      {{In(), At("link.wav")}, 1, "spanora: output '" + At("link.wav") + "' is the input file"},
      {{In(), At("out.wav"), "--save-state", At("alias.wav")}, 1,
       "state file '" + At("alias.wav") + "' is the input file"},
      {{In(), At("out.wav"), "--save-state", At("./out.wav")}, 1,
       "state file '" + At("./out.wav") + "' is the output file"},
      {{In(), At("fifo.wav")}, 2, "cannot write '" + At("fifo.wav") + "': not a regular file"},
      {{In(), At("out.wav"), "--save-state", At("fifo.wav")}, 2, "cannot write '" + At("fifo.wav") + "'"},
      {{In(), At("out.wav")}, 2, "cannot load '" + At("nothing.so") + "'", At("nothing.so")},
  };
  for (const auto& testCase : kCases) {
    const SResult result = Process(testCase.arguments, testCase.plugin);
    EXPECT_EQ(result.code, testCase.code) << testCase.message << "\n" << result.err;
    EXPECT_NE(result.err.find(testCase.message), std::string::npos) << result.err;
    EXPECT_EQ(FileBytes(m_input), before);
    EXPECT_EQ(DirectoryEntries(), (Names{"alias.wav", "fifo.wav", "in.wav", "link.wav", "nan.bin", "partial.bin",
                                         "three.wav", "two.bin"}))
        << testCase.message;
  }
  EXPECT_TRUE(fs::is_fifo(At("fifo.wav")));
}

// Written through a link to the output, with the state from a pipe.
TEST_F(Render, LinksAndPipesAreFollowed) {
  fs::create_directories(At("renders"));
  fs::create_symlink("renders/latest.wav", At("link.wav"));
  const std::string valid = WriteState("valid.bin", 0.25f);
  ASSERT_EQ(::mkfifo(At("pipe").c_str(), 0644), 0);
  std::thread writer([&] { std::ofstream(At("pipe"), std::ios::binary) << std::ifstream(valid, std::ios::binary).rdbuf(); });
  const SResult result = Process({In(), At("link.wav"), "--state", At("pipe"), "--quiet"});
  const int release = ::open(At("pipe").c_str(), O_RDONLY | O_NONBLOCK);  // should the render not have read it
  writer.join();
  if (release >= 0) ::close(release);
  ASSERT_EQ(result.code, 0) << result.err;
  EXPECT_TRUE(fs::is_symlink(At("link.wav")));
  EXPECT_EQ(ReadSound(At("renders/latest.wav")).Frames(), 20000u);
}

TEST_F(Render, SavedStateAndPresetNamesReproduceTheRender) {
  const SResult saved = Process({In(), At("first.wav"), "--preset", "Padster", "--set=Width=0.3", "--set",
                                 "DynDepth=0.7", "--save-state=" + At("state.bin")});
  ASSERT_EQ(saved.code, 0) << saved.err;
  EXPECT_NE(saved.out.find("program 4 \"Padster\", Width=0.3, DynDepth=0.7"), std::string::npos) << saved.out;
  // From the program a new effect starts on, the state alone gets there.
  ASSERT_EQ(Process({In(), At("second.wav"), "--state", At("state.bin")}).code, 0);
  EXPECT_EQ(ReadSound(At("first.wav")).samples, ReadSound(At("second.wav")).samples);

  // A preset by name (in any case) and by number give the same bytes: no
  // time stamps in the file.
  ASSERT_EQ(Process({In(), At("name.wav"), "--preset", "synth PAD 3"}).code, 0);
  ASSERT_EQ(Process({In(), At("number.wav"), "--preset", "39"}).code, 0);
  EXPECT_EQ(FileBytes(At("name.wav")), FileBytes(At("number.wav")));
}

TEST_F(Render, ANonFiniteOutputIsReportedInWordsAndFails) {
  std::vector<float> samples = Noise(2 * 4000, 12345);
  samples[2 * 1000] = std::numeric_limits<float>::quiet_NaN();
  samples[2 * 2000 + 1] = std::numeric_limits<float>::infinity();
  WriteSound(At("bad.wav"), samples);
  // A plain gain stage: what goes in non-finite comes out so.
  const SResult result = Process({At("bad.wav"), At("out.wav")}, DUMMY_PLUGIN_PATH);
  EXPECT_EQ(result.code, 4);
  EXPECT_NE(result.err.find("spanora: the output is not finite: 2 samples are infinite or NaN; '" + At("out.wav") +
                            "' was written for inspection"),
            std::string::npos)
      << result.err;
  EXPECT_NE(result.out.find("output: 2 of 8000 samples are not finite"), std::string::npos) << result.out;
  EXPECT_EQ(result.out.find("nan"), std::string::npos) << result.out;
  EXPECT_EQ(ReadSound(At("out.wav")).Frames(), 4000u);
}

// Mid-render the output has no name a killed process could leave behind; an
// interrupted render removes what it wrote and exits with 128 + the signal.
TEST_F(Render, UnfinishedOutputsHaveNoNameAndAnInterruptedRenderLeavesNoFile) {
  CProbeSource watching(4096, m_dir);
  ASSERT_EQ(RenderFrom(watching).code, 0);
  EXPECT_EQ(watching.m_seen, (std::set<std::string>{"in.wav"}));
  EXPECT_EQ(DirectoryEntries(), (Names{"in.wav", "out.wav"}));
  fs::remove(At("out.wav"));

  for (const int signal : {SIGINT, SIGTERM}) {
    CProbeSource interrupted(1 << 20, m_dir, signal);
    const SResult result = RenderFrom(interrupted);
    EXPECT_EQ(result.code, 128 + signal);
    EXPECT_NE(result.err.find("'" + At("out.wav") + "' was not written"), std::string::npos) << result.err;
    EXPECT_EQ(DirectoryEntries(), (Names{"in.wav"}));
  }
  // The handlers are gone again: the default action is back.
  struct sigaction current {};
  sigaction(SIGINT, nullptr, &current);
  EXPECT_EQ(current.sa_handler, SIG_DFL);
}

TEST_F(Render, TheFirstSecondEqualsTheSameSpanRenderedAfterALongLeadIn) {
  // What a host exports: the effect has run on silence long before the
  // region starts. The same span rendered alone must match it.
  const std::size_t second = 44100, leadIn = 3 * 44100;
  const std::vector<float> region = Noise(static_cast<int>(2 * second), 4242);
  std::vector<float> withLeadIn(2 * leadIn, 0.0f);
  withLeadIn.insert(withLeadIn.end(), region.begin(), region.end());
  WriteSound(At("region.wav"), region);
  WriteSound(At("session.wav"), withLeadIn);
  auto render = [&](const char* in, const char* out, bool preroll) {
    Arguments arguments = {At(in), At(out), "--preset", "Synth Pad 3", "--quiet"};
    if (!preroll) arguments.push_back("--no-preroll");
    EXPECT_EQ(Process(arguments).code, 0) << out;
    return ReadSound(At(out)).samples;
  };
  const std::vector<float> host = render("session.wav", "host.wav", false);
  ASSERT_EQ(host.size(), 2 * (leadIn + second));
  auto largestDifference = [&](const std::vector<float>& alone) {
    double most = 0.0;
    for (std::size_t i = 0; i < 2 * second; ++i)
      most = std::max(most, std::fabs(double{alone[i]} - host[2 * leadIn + i]));
    return most;
  };
  EXPECT_LT(largestDifference(render("region.wav", "settled.wav", true)), 1e-5);
  EXPECT_GT(largestDifference(render("region.wav", "cold.wav", false)), 1e-2) << "a cold start fades in";
}

// Tempo sync itself is the processing tests' job; here that the renderer
// passes the tempo to the effect as its host.
TEST_F(Render, TheTempoReachesSyncedDynamics) {
  WriteSound(At("long.wav"), Noise(2 * 44100, 777));
  auto render = [&](const char* name, const char* tempo) {
    EXPECT_EQ(Process({At("long.wav"), At(name), "--tempo", tempo, "--preset", "Shifty", "--set", "DynTempo=1",
                       "--set", "DynSpeed=1", "--set", "DynDepth=1", "--quiet"})
                  .code,
              0)
        << name;
    return ReadSound(At(name)).samples;
  };
  EXPECT_NE(render("slow.wav", "30"), render("fast.wav", "240"));
}

TEST_F(Render, DemoWritesStereoAt48kHzInTheCurrentDirectory) {
  const fs::path previous = fs::current_path();
  fs::current_path(m_dir);
  ::setenv("SPANORA_PLUGIN", SPANORA_PLUGIN_PATH, 1);
  ::testing::internal::CaptureStdout();
  const int code = spanora::RunDemo({});
  const std::string out = ::testing::internal::GetCapturedStdout();
  ::unsetenv("SPANORA_PLUGIN");
  fs::current_path(previous);
  ASSERT_EQ(code, 0);
  const SSound demo = ReadSound(m_dir / "spanora-demo.wav");
  EXPECT_EQ(demo.channels, 2);
  EXPECT_EQ(demo.sampleRate, 48000);
  EXPECT_EQ(demo.Frames(), 288000u);
  EXPECT_NE(out.find("out:      spanora-demo.wav"), std::string::npos) << out;
}

}  // namespace
