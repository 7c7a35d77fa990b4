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
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Helpers/KeyedChunk.h"
#include "tests/support/FakeHost.h"
#include "tools/spanora/AudioFiles.h"
#include "tools/spanora/CommandLine.h"
#include "tools/spanora/Commands.h"
#include "tools/spanora/DemoMaterial.h"
#include "tools/spanora/PluginSession.h"
#include "tools/spanora/PluginSettings.h"
#include "tools/spanora/Render.h"
#include "tools/spanora/SignalStats.h"
#include "widener/ASpanora.h"

namespace {

namespace fs = std::filesystem;
using spanora::Arguments;

// ---------------------------------------------------------------------------
// Option parsing

TEST(ProcessOptions, ParsesEveryOptionInBothSpellings) {
  spanora::SProcessOptions options;
  std::string error;
  ASSERT_TRUE(spanora::ParseProcessOptions({"--preset", "Mix 1", "in.wav", "--set", "Width=0.25", "--set=B_Width=1",
                                            "--state", "s.bin", "--save-state=t.bin", "--block", "64", "--tempo=128.5",
                                            "--format", "pcm16", "--plugin", "p.so", "-q", "--no-preroll", "out.flac"},
                                           &options, &error))
      << error;
  EXPECT_EQ(options.input, "in.wav");
  EXPECT_EQ(options.output, "out.flac");
  EXPECT_EQ(options.preset, "Mix 1");
  ASSERT_EQ(options.settings.size(), 2u);
  EXPECT_EQ(options.settings[0].key, "Width");
  EXPECT_FLOAT_EQ(options.settings[0].value, 0.25f);
  EXPECT_EQ(options.settings[1].key, "B_Width");
  EXPECT_EQ(options.stateFile, "s.bin");
  EXPECT_EQ(options.saveStateFile, "t.bin");
  EXPECT_EQ(options.blockSize, 64);
  EXPECT_DOUBLE_EQ(*options.tempo, 128.5);
  EXPECT_EQ(options.format, "pcm16");
  EXPECT_EQ(options.plugin, "p.so");
  EXPECT_TRUE(options.quiet);
  EXPECT_FALSE(options.preroll);

  spanora::SProcessOptions defaults;
  ASSERT_TRUE(spanora::ParseProcessOptions({"a.wav", "b.wav"}, &defaults, &error));
  EXPECT_EQ(defaults.blockSize, 512);
  EXPECT_FALSE(defaults.tempo || defaults.preset || defaults.format || defaults.quiet);
  EXPECT_TRUE(defaults.preroll);
}

TEST(ProcessOptions, ErrorsNameTheWordAtFault) {
  const struct {
    Arguments arguments;
    const char* message;
  } kCases[] = {
      {{"a.wav", "b.wav", "--widht"}, "unknown option '--widht'"},
      {{"a.wav", "b.wav", "--set"}, "option '--set' needs a value"},
      {{"a.wav"}, "process needs an output file"},
      {{}, "process needs an input and an output file"},
      {{"a.wav", "b.wav", "c.wav"}, "unexpected argument 'c.wav'"},
      {{"a.wav", "b.wav", "--quiet=1"}, "option '--quiet' takes no value"},
      {{"a.wav", "b.wav", "--no-preroll=0"}, "option '--no-preroll' takes no value"},
      {{"a.wav", "b.wav", "--block", "0"}, "block size '0' is out of range 1..65536"},
      {{"a.wav", "b.wav", "--block", "65537"}, "block size '65537' is out of range 1..65536"},
      {{"a.wav", "b.wav", "--block", "1.5"}, "block size '1.5' is not a whole number"},
      {{"a.wav", "b.wav", "--tempo", "fast"}, "tempo 'fast' is not a number"},
      {{"a.wav", "b.wav", "--tempo", "0"}, "tempo '0' is out of range"},
      {{"a.wav", "b.wav", "--set", "Width"}, "'Width' is not KEY=VALUE"},
      {{"a.wav", "b.wav", "--set", "=0.5"}, "'=0.5' is not KEY=VALUE"},
      {{"a.wav", "b.wav", "--set", "Width=wide"}, "value 'wide' for 'Width' is not a number"},
      {{"a.wav", "b.wav", "--set", "Width=1.5"}, "value '1.5' for 'Width' is out of range 0..1"},
      {{"a.wav", "b.wav", "--set", "Width=-0.1"}, "value '-0.1' for 'Width' is out of range 0..1"},
      {{"a.wav", "b.wav", "--set", "Width=nan"}, "value 'nan' for 'Width' is not a number"},
      {{"a.wav", "b.wav", "--set", "Width=0.5x"}, "value '0.5x' for 'Width' is not a number"},
      {{"a.wav", "b.wav", "--set", "Width= 0.5"}, "value ' 0.5' for 'Width' is not a number"},
  };
  for (const auto& testCase : kCases) {
    spanora::SProcessOptions options;
    std::string error;
    EXPECT_FALSE(spanora::ParseProcessOptions(testCase.arguments, &options, &error)) << testCase.message;
    EXPECT_NE(error.find(testCase.message), std::string::npos) << error;
  }
  float value = -1.0f;
  std::string error;
  EXPECT_TRUE(spanora::ParseNormalised("Width", "0", &value, &error));
  EXPECT_TRUE(spanora::ParseNormalised("Width", "1e0", &value, &error));
  EXPECT_EQ(value, 1.0f);
}

// ---------------------------------------------------------------------------
// Level statistics

std::vector<float> Sine(std::size_t frames, double cycles, double amplitude, double phase = 0.0) {
  std::vector<float> samples(frames);
  for (std::size_t i = 0; i < frames; ++i)
    samples[i] = static_cast<float>(amplitude * std::sin(2.0 * M_PI * cycles * i / frames + phase));
  return samples;
}

TEST(SignalStats, PeakRmsAndCorrelationOfKnownSignals) {
  const std::size_t n = 48000;
  const std::vector<float> sine = Sine(n, 100, 0.5);
  std::vector<float> inverted(n), cosine = Sine(n, 100, 0.5, M_PI / 2);
  for (std::size_t i = 0; i < n; ++i) inverted[i] = -sine[i];

  spanora::CSignalStats same;
  same.Add(sine.data(), sine.data(), n);
  EXPECT_NEAR(same.GetPeak(0), 0.5, 1e-6);
  EXPECT_NEAR(same.GetRms(1), 0.5 / std::sqrt(2.0), 1e-6);
  EXPECT_EQ(spanora::LevelText(same.GetPeak(0)), "-6.0");
  EXPECT_EQ(spanora::LevelText(same.GetRms(0)), "-9.0");
  EXPECT_NEAR(*same.GetCorrelation(), 1.0, 1e-9);

  spanora::CSignalStats opposite, quadrature;
  opposite.Add(sine.data(), inverted.data(), n);
  quadrature.Add(sine.data(), cosine.data(), n);
  EXPECT_NEAR(*opposite.GetCorrelation(), -1.0, 1e-9);
  EXPECT_NEAR(*quadrature.GetCorrelation(), 0.0, 1e-6);

  // Block by block gives what one pass gives, and an offset does not count.
  std::vector<float> shifted(n);
  for (std::size_t i = 0; i < n; ++i) shifted[i] = sine[i] + 0.25f;
  spanora::CSignalStats blocks;
  for (std::size_t start = 0; start < n; start += 1000) blocks.Add(&sine[start], &shifted[start], 1000);
  EXPECT_EQ(blocks.GetFrames(), n);
  EXPECT_NEAR(*blocks.GetCorrelation(), 1.0, 1e-9);
  EXPECT_NEAR(blocks.GetPeak(1), 0.75, 1e-6);
}

TEST(SignalStats, SilenceAndConstantsHaveNoCorrelation) {
  const std::vector<float> zeros(1000, 0.0f), dc(1000, 0.5f), tiny(1000, 1e-20f);
  const std::vector<float> sine = Sine(1000, 10, 0.5);
  spanora::CSignalStats silent, constant, denormalNoise, empty;
  silent.Add(zeros.data(), sine.data(), 1000);
  constant.Add(dc.data(), sine.data(), 1000);
  denormalNoise.Add(tiny.data(), tiny.data(), 1000);
  EXPECT_FALSE(silent.GetCorrelation());
  EXPECT_FALSE(constant.GetCorrelation());
  EXPECT_FALSE(denormalNoise.GetCorrelation());
  EXPECT_FALSE(empty.GetCorrelation());
  EXPECT_EQ(spanora::LevelText(silent.GetPeak(0)), "-inf");
  EXPECT_EQ(spanora::LevelText(denormalNoise.GetRms(0)), "-inf");
  EXPECT_EQ(spanora::LevelText(empty.GetRms(0)), "-inf");

  const std::string report = spanora::FormatLevelReport(constant, silent);
  EXPECT_NE(report.find("peak L   peak R    RMS L    RMS R  correlation"), std::string::npos) << report;
  EXPECT_NE(report.find("input       -6.0     -6.0     -6.0     -9.0          n/a"), std::string::npos) << report;
  EXPECT_NE(report.find("output      -inf     -6.0     -inf     -9.0          n/a"), std::string::npos) << report;
}

TEST(SignalStats, NonFiniteSamplesAreCountedApartAndReportedInWords) {
  std::vector<float> left = Sine(1000, 10, 0.5), right = Sine(1000, 10, 0.5);
  left[10] = std::numeric_limits<float>::quiet_NaN();
  right[10] = std::numeric_limits<float>::infinity();
  right[20] = -std::numeric_limits<float>::infinity();
  spanora::CSignalStats stats, clean;
  stats.Add(left.data(), right.data(), 1000);
  clean.Add(left.data(), left.data(), 10);
  EXPECT_EQ(stats.GetFrames(), 1000u);
  EXPECT_EQ(stats.GetNonFiniteSamples(), 3u);
  EXPECT_NEAR(stats.GetPeak(1), 0.5, 1e-3);
  EXPECT_TRUE(std::isfinite(stats.GetRms(0)));
  EXPECT_NEAR(*stats.GetCorrelation(), 1.0, 1e-9);
  const std::string report = spanora::FormatLevelReport(clean, stats);
  EXPECT_NE(report.find("output: 3 of 2000 samples are not finite (infinite or NaN)"), std::string::npos) << report;
  EXPECT_EQ(report.find("input:"), std::string::npos) << report;
  EXPECT_EQ(report.find("nan"), std::string::npos) << report;
  EXPECT_EQ(report.find(" inf"), std::string::npos) << report;
  EXPECT_EQ(spanora::LevelText(std::numeric_limits<double>::infinity()), "n/a");
}

// ---------------------------------------------------------------------------
// Output formats

TEST(OutputFormat, ContainerFollowsTheExtensionAndSampleFormatTheOption) {
  spanora::SOutputFormat format;
  std::string error;
  ASSERT_TRUE(spanora::ResolveOutputFormat("x/out.wav", std::nullopt, &format, &error));
  EXPECT_EQ(format.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  ASSERT_TRUE(spanora::ResolveOutputFormat("out.FLAC", std::nullopt, &format, &error));
  EXPECT_EQ(format.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
  ASSERT_TRUE(spanora::ResolveOutputFormat("out.aif", std::string("pcm16"), &format, &error));
  EXPECT_EQ(format.format, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
  EXPECT_EQ(format.description, "AIFF 16-bit PCM");
  ASSERT_TRUE(spanora::ResolveOutputFormat("out.ogg", std::nullopt, &format, &error));
  EXPECT_EQ(format.format, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
  ASSERT_TRUE(spanora::ResolveOutputFormat("out.raw", std::string("pcm24"), &format, &error));
  EXPECT_EQ(format.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);

  EXPECT_FALSE(spanora::ResolveOutputFormat("out.flac", std::string("float"), &format, &error));
  EXPECT_EQ(error, "format 'float' is not available for FLAC output");
  EXPECT_FALSE(spanora::ResolveOutputFormat("out.wav", std::string("pcm8"), &format, &error));
  EXPECT_NE(error.find("unknown format 'pcm8'"), std::string::npos);
  EXPECT_FALSE(spanora::ResolveOutputFormat("out.ogg", std::string("pcm16"), &format, &error));
  EXPECT_NE(error.find("Ogg"), std::string::npos);
}

TEST(DemoMaterial, IsDeterministicStereoWithANarrowImage) {
  const spanora::SStereoBuffer first = spanora::SynthesiseDemoMaterial(48000, 2.0);
  const spanora::SStereoBuffer second = spanora::SynthesiseDemoMaterial(48000, 2.0);
  ASSERT_EQ(first.left.size(), 96000u);
  EXPECT_EQ(first.left, second.left);
  EXPECT_EQ(first.right, second.right);
  EXPECT_NE(first.left, first.right);
  spanora::CSignalStats stats;
  stats.Add(first.left.data(), first.right.data(), first.left.size());
  EXPECT_NEAR(std::max(stats.GetPeak(0), stats.GetPeak(1)), std::pow(10.0, -1.0 / 20.0), 1e-4);
  EXPECT_GT(*stats.GetCorrelation(), 0.95);
}

// ---------------------------------------------------------------------------
// Renders through the real plug-in

struct SSound {
  int channels = 0;
  int sampleRate = 0;
  int format = 0;
  std::vector<float> samples;  // interleaved
  std::size_t Frames() const { return channels ? samples.size() / channels : 0; }
};

void WriteSound(const fs::path& path, int format, int channels, int sampleRate, const std::vector<float>& samples) {
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

// Reproducible stereo noise with a partly shared (centred) component.
std::vector<float> StereoNoise(std::size_t frames, std::uint32_t seed = 12345) {
  std::vector<float> samples(2 * frames);
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
  };
  for (std::size_t i = 0; i < frames; ++i) {
    const float shared = next();
    samples[2 * i] = 0.4f * shared + 0.1f * next();
    samples[2 * i + 1] = 0.4f * shared + 0.1f * next();
  }
  return samples;
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

class Render : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "spanora-render-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    m_input = m_dir / "in.wav";
    WriteSound(m_input, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 44100, StereoNoise(20000));
  }
  void TearDown() override { fs::remove_all(m_dir); }

  // spanora process with the plug-in built alongside the tests.
  SResult Process(Arguments arguments) {
    arguments.push_back("--plugin");
    arguments.push_back(SPANORA_PLUGIN_PATH);
    SResult result;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    result.code = spanora::RunProcess(arguments);
    result.out = ::testing::internal::GetCapturedStdout();
    result.err = ::testing::internal::GetCapturedStderr();
    return result;
  }
  std::string In() const { return m_input.string(); }
  std::string At(const char* name) const { return (m_dir / name).string(); }
  std::vector<std::string> DirectoryEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path m_dir;
  fs::path m_input;
};

TEST_F(Render, StereoWavGivesStereoFloatWavOfTheSameLengthAndRateWithAReport) {
  const SResult result = Process({In(), At("out.wav"), "--preset", "Synth Pad 3"});
  ASSERT_EQ(result.code, 0) << result.err;
  const SSound out = ReadSound(At("out.wav"));
  EXPECT_EQ(out.channels, 2);
  EXPECT_EQ(out.sampleRate, 44100);
  EXPECT_EQ(out.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  EXPECT_EQ(out.Frames(), 20000u);
  EXPECT_NE(out.samples, ReadSound(In()).samples);  // the program does something
  EXPECT_NE(result.out.find("in:       " + In() + " (stereo, 44100 Hz, 20000 frames, 0.45 s)"), std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("out:      " + At("out.wav") + " (WAV 32-bit float, stereo, 44100 Hz)"),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("settings: program 39 \"Synth Pad 3\"; block 512"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("correlation\ninput "), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("\noutput "), std::string::npos) << result.out;
  EXPECT_EQ(result.err, "");  // no progress bar when stderr is not a terminal
  EXPECT_EQ(DirectoryEntries(), (std::vector<std::string>{"in.wav", "out.wav"}));
}

TEST_F(Render, MonoFlacAndAiffInputsBecomeStereoInTheRequestedContainers) {
  std::vector<float> mono(5000);
  for (std::size_t i = 0; i < mono.size(); ++i) mono[i] = 0.5f * std::sin(0.05f * static_cast<float>(i));
  WriteSound(At("mono.flac"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, 22050, mono);
  const SResult flac = Process({At("mono.flac"), At("out.flac"), "--quiet"});
  ASSERT_EQ(flac.code, 0) << flac.err;
  EXPECT_EQ(flac.out, "");  // --quiet
  SSound out = ReadSound(At("out.flac"));
  EXPECT_EQ(out.channels, 2);
  EXPECT_EQ(out.sampleRate, 22050);
  EXPECT_EQ(out.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
  EXPECT_EQ(out.Frames(), 5000u);

  WriteSound(At("mono.aiff"), SF_FORMAT_AIFF | SF_FORMAT_FLOAT, 1, 48000, mono);
  const SResult aiff = Process({At("mono.aiff"), At("out.aiff"), "--format", "pcm16"});
  ASSERT_EQ(aiff.code, 0) << aiff.err;
  EXPECT_NE(aiff.out.find("(mono, 48000 Hz, 5000 frames"), std::string::npos) << aiff.out;
  out = ReadSound(At("out.aiff"));
  EXPECT_EQ(out.channels, 2);
  EXPECT_EQ(out.format, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
  EXPECT_EQ(out.Frames(), 5000u);
}

TEST_F(Render, BadInputsAndUsageFailWithoutLeavingFiles) {
  WriteSound(At("three.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 3, 44100, std::vector<float>(300, 0.1f));
  const struct {
    Arguments arguments;
    int code;
    std::string message;
  } kCases[] = {
      {{At("three.wav"), At("out.wav")}, 2, "spanora: '" + At("three.wav") + "' has 3 channels"},
      {{At("missing.wav"), At("out.wav")}, 2, "spanora: cannot read '" + At("missing.wav") + "'"},
      {{In(), At("out.wav"), "--widht", "1"}, 1, "spanora: unknown option '--widht'"},
      {{In(), At("out.wav"), "--set", "Widht=1"}, 1, "spanora: unknown key 'Widht'"},
      {{In(), At("out.wav"), "--set", "Width=2"}, 1, "spanora: value '2' for 'Width' is out of range 0..1"},
      {{In(), At("out.wav"), "--preset", "Synth Pad 9"}, 1, "spanora: unknown preset 'Synth Pad 9'"},
      {{In(), At("out.wav"), "--preset", "60"}, 1, "spanora: unknown preset '60'"},
      {{In(), At("out.wav"), "--state", At("none.bin")}, 2, "spanora: cannot read '" + At("none.bin") + "'"},
      {{In(), At("out.wav"), "--state", In()}, 2, "spanora: state file '" + In() + "' is not a saved state"},
      {{In()}, 1, "spanora: process needs an output file"},
      {{In(), At("no/such/dir/out.wav")}, 2, "spanora: cannot write '" + At("no/such/dir/out.wav") + "'"},
      {{In(), At("in.wav/out.wav")}, 2, "spanora: cannot write '" + At("in.wav/out.wav") + "'"},
  };
  for (const auto& testCase : kCases) {
    const SResult result = Process(testCase.arguments);
    EXPECT_EQ(result.code, testCase.code) << testCase.message << "\n" << result.err;
    EXPECT_NE(result.err.find(testCase.message), std::string::npos) << result.err;
    EXPECT_EQ(DirectoryEntries(), (std::vector<std::string>{"in.wav", "three.wav"})) << testCase.message;
  }
  // An unloadable plug-in is a file error too.
  SResult result;
  ::testing::internal::CaptureStderr();
  result.code = spanora::RunProcess({In(), At("out2.wav"), "--plugin", At("nothing.so")});
  result.err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(result.code, 2);
  EXPECT_NE(result.err.find("cannot load '" + At("nothing.so") + "'"), std::string::npos) << result.err;
  EXPECT_FALSE(fs::exists(At("out2.wav")));
}

TEST_F(Render, TheInputIsNeverOverwritten) {
  const std::vector<std::uint8_t> before = FileBytes(m_input);
  fs::create_hard_link(m_input, At("link.wav"));
  for (const std::string& out : {In(), At("./../") + m_dir.filename().string() + "/in.wav", At("link.wav")}) {
    const SResult result = Process({In(), out});
    EXPECT_EQ(result.code, 1) << out;
    EXPECT_NE(result.err.find("spanora: output '" + out + "' is the input file"), std::string::npos) << result.err;
    EXPECT_EQ(FileBytes(m_input), before);
  }
  EXPECT_EQ(DirectoryEntries(), (std::vector<std::string>{"in.wav", "link.wav"}));
}

TEST_F(Render, PresetByNameAndByNumberRenderTheSame) {
  ASSERT_EQ(Process({In(), At("name.wav"), "--preset", "synth PAD 3"}).code, 0);
  ASSERT_EQ(Process({In(), At("number.wav"), "--preset", "39"}).code, 0);
  ASSERT_EQ(Process({In(), At("other.wav"), "--preset", "Mix 1"}).code, 0);
  EXPECT_EQ(ReadSound(At("name.wav")).samples, ReadSound(At("number.wav")).samples);
  EXPECT_NE(ReadSound(At("name.wav")).samples, ReadSound(At("other.wav")).samples);
  EXPECT_EQ(FileBytes(At("name.wav")), FileBytes(At("number.wav")));  // no time stamps in the file
}

TEST_F(Render, SavedStateReproducesTheRender) {
  const SResult saved = Process({In(), At("first.wav"), "--preset", "Padster", "--set", "Width=0.3", "--set",
                                 "DynDepth=0.7", "--save-state", At("state.bin")});
  ASSERT_EQ(saved.code, 0) << saved.err;
  EXPECT_NE(saved.out.find("program 4 \"Padster\", Width=0.3, DynDepth=0.7"), std::string::npos) << saved.out;
  const std::vector<std::uint8_t> state = FileBytes(At("state.bin"));
  CKeyedChunkDecoder decoder;
  ASSERT_EQ(decoder.Decode(state.data(), state.size()), EChunkDecodeStatus::Ok);
  EXPECT_EQ(decoder.EntryCount(), 64u);
  float width = 0.0f;
  ASSERT_TRUE(decoder.FindFloat("Width", &width));
  EXPECT_FLOAT_EQ(width, 0.3f);

  // From the program a new effect starts on, the state alone gets there.
  const SResult restored = Process({In(), At("second.wav"), "--state", At("state.bin")});
  ASSERT_EQ(restored.code, 0) << restored.err;
  EXPECT_EQ(ReadSound(At("first.wav")).samples, ReadSound(At("second.wav")).samples);

  // A state without a key stops there and names it.
  CKeyedChunkEncoder partial;
  partial.AddFloat("Width", 0.5f);
  const std::vector<std::uint8_t> partialBytes(partial.Data(), partial.Data() + partial.Size());
  std::string error;
  ASSERT_TRUE(spanora::WriteFileAtomically(At("partial.bin"), partialBytes, &error)) << error;
  const SResult missing = Process({In(), At("third.wav"), "--state", At("partial.bin")});
  EXPECT_EQ(missing.code, 2);
  EXPECT_NE(missing.err.find("state file '" + At("partial.bin") + "' has no value for 'Resolution'"),
            std::string::npos)
      << missing.err;
  EXPECT_FALSE(fs::exists(At("third.wav")));
}

// ---------------------------------------------------------------------------
// Hostile renders: the renderer never destroys what it was not asked to
// write, and renders what a host would.

TEST_F(Render, AStateFileNeverTakesThePlaceOfTheInputOrTheOutput) {
  const std::vector<std::uint8_t> before = FileBytes(m_input);
  fs::create_symlink(m_input, At("alias.wav"));
  const struct {
    Arguments arguments;
    std::string message;
  } kCases[] = {
      {{In(), At("out.wav"), "--save-state", In()}, "state file '" + In() + "' is the input file"},
      {{In(), At("out.wav"), "--save-state", At("alias.wav")}, "state file '" + At("alias.wav") + "' is the input file"},
      {{In(), At("out.wav"), "--save-state", At("out.wav")}, "state file '" + At("out.wav") + "' is the output file"},
      {{In(), At("out.wav"), "--save-state", At("./out.wav")}, "state file '" + At("./out.wav") + "' is the output file"},
  };
  for (const auto& testCase : kCases) {
    const SResult result = Process(testCase.arguments);
    EXPECT_EQ(result.code, 1) << testCase.message;
    EXPECT_NE(result.err.find(testCase.message), std::string::npos) << result.err;
    EXPECT_EQ(FileBytes(m_input), before);
    EXPECT_EQ(DirectoryEntries(), (std::vector<std::string>{"alias.wav", "in.wav"}));
  }
}

TEST_F(Render, OutputsThatAreNotRegularFilesAreRefusedAndLinksAreWrittenThrough) {
  ASSERT_EQ(::mkfifo(At("fifo.wav").c_str(), 0644), 0);
  fs::create_directories(At("folder.wav"));
  for (const char* name : {"fifo.wav", "folder.wav"}) {
    const SResult result = Process({In(), At(name), "--quiet"});
    EXPECT_EQ(result.code, 2) << name;
    EXPECT_NE(result.err.find("cannot write '" + At(name) + "': not a regular file"), std::string::npos) << result.err;
  }
  EXPECT_TRUE(fs::is_fifo(At("fifo.wav")));
  EXPECT_TRUE(fs::is_directory(At("folder.wav")));
  const SResult state = Process({In(), At("out.wav"), "--quiet", "--save-state", At("fifo.wav")});
  EXPECT_EQ(state.code, 2) << state.err;
  EXPECT_TRUE(fs::is_fifo(At("fifo.wav")));
  EXPECT_FALSE(fs::exists(At("out.wav"))) << "nothing is written when the state cannot be";

  // A link is written through to its target, and stays a link.
  fs::create_directories(At("renders"));
  fs::create_symlink("renders/latest.wav", At("link.wav"));
  ASSERT_EQ(Process({In(), At("link.wav"), "--quiet"}).code, 0);
  EXPECT_TRUE(fs::is_symlink(At("link.wav")));
  EXPECT_EQ(ReadSound(At("renders/latest.wav")).Frames(), 20000u);

  // The longest name the file system takes is a valid output name.
  const std::string longest = At("") + std::string(251, 'x') + ".wav";
  const SResult named = Process({In(), longest, "--quiet"});
  EXPECT_EQ(named.code, 0) << named.err;
  EXPECT_EQ(ReadSound(longest).Frames(), 20000u);
  fs::remove(longest);
  EXPECT_EQ(DirectoryEntries(), (std::vector<std::string>{"fifo.wav", "folder.wav", "in.wav", "link.wav", "renders"}));
}

TEST_F(Render, StateFilesAreBoundedAndCheckedBeforeAnythingIsApplied) {
  vsthost::CVstHost host;
  ASSERT_TRUE(spanora::StartSession(host, SPANORA_PLUGIN_PATH));
  auto stateWith = [&](const char* name, float width) {
    CKeyedChunkEncoder encoder;
    for (int index = 0; index < host.GetNumParams(); ++index)
      encoder.AddFloat(host.GetParameterKey(index).c_str(), index == PARAM_WIDTH ? width : host.GetParameter(index));
    std::string error;
    EXPECT_TRUE(spanora::WriteFileAtomically(At(name), {encoder.Data(), encoder.Data() + encoder.Size()}, &error));
    return At(name);
  };
  fs::create_directories(At("states"));
  const struct {
    std::string state;
    std::string message;
  } kCases[] = {
      {At("states"), "cannot read '" + At("states") + "': not a regular file"},
      {"/dev/zero", "cannot read '/dev/zero': larger than 1048576 bytes"},
      {stateWith("two.bin", 2.0f), "state file '" + At("two.bin") + "' has value 2 for 'Width', out of range 0..1"},
      {stateWith("minus.bin", -1.0f), "has value -1 for 'Width', out of range 0..1"},
      {stateWith("huge.bin", 1e30f), "has value 1e+30 for 'Width', out of range 0..1"},
      {stateWith("nan.bin", std::numeric_limits<float>::quiet_NaN()), "for 'Width', not a number"},
      {stateWith("inf.bin", std::numeric_limits<float>::infinity()), "has value inf for 'Width', not a number"},
  };
  for (const auto& testCase : kCases) {
    const SResult result = Process({In(), At("out.wav"), "--state", testCase.state});
    EXPECT_EQ(result.code, 2) << testCase.message;
    EXPECT_NE(result.err.find(testCase.message), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(At("out.wav")));
  }
  // A state from a pipe is read as well.
  const std::string valid = stateWith("valid.bin", 0.25f);
  ASSERT_EQ(::mkfifo(At("pipe").c_str(), 0644), 0);
  std::thread writer([&] { std::ofstream(At("pipe"), std::ios::binary) << std::ifstream(valid, std::ios::binary).rdbuf(); });
  const SResult piped = Process({In(), At("out.wav"), "--state", At("pipe"), "--quiet"});
  const int release = ::open(At("pipe").c_str(), O_RDONLY | O_NONBLOCK);  // should the render not have read it
  writer.join();
  if (release >= 0) ::close(release);
  EXPECT_EQ(piped.code, 0) << piped.err;
}

TEST_F(Render, ANonFiniteOutputIsReportedInWordsAndFails) {
  std::vector<float> samples = StereoNoise(4000);
  samples[2 * 1000] = std::numeric_limits<float>::quiet_NaN();
  samples[2 * 2000 + 1] = std::numeric_limits<float>::infinity();
  WriteSound(At("bad.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 44100, samples);
  SResult result;
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  // A plain gain stage: what goes in non-finite comes out so.
  result.code = spanora::RunProcess({At("bad.wav"), At("out.wav"), "--plugin", DUMMY_PLUGIN_PATH});
  result.out = ::testing::internal::GetCapturedStdout();
  result.err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(result.code, 4);
  EXPECT_NE(result.err.find("spanora: the output is not finite: 2 samples are infinite or NaN; '" + At("out.wav") +
                            "' was written for inspection"),
            std::string::npos)
      << result.err;
  EXPECT_NE(result.out.find("output: 2 of 8000 samples are not finite"), std::string::npos) << result.out;
  EXPECT_EQ(result.out.find("nan"), std::string::npos) << result.out;
  EXPECT_EQ(result.out.find(" inf "), std::string::npos) << result.out;
  EXPECT_EQ(ReadSound(At("out.wav")).Frames(), 4000u);
}

// A source that notes which files its directory shows in the middle of the
// render, where a killed process would leave them.
class CWatchingSource : public spanora::IFrameSource {
 public:
  CWatchingSource(fs::path directory) : m_directory(std::move(directory)) {}
  std::string GetName() const override { return "watching"; }
  int GetChannels() const override { return 2; }
  int GetSampleRate() const override { return 44100; }
  std::int64_t GetFrames() const override { return 4096; }
  std::int64_t Read(float* left, float* right, std::int64_t frames) override {
    if (m_nDone >= GetFrames()) return 0;
    std::fill(left, left + frames, 0.25f);
    std::fill(right, right + frames, -0.25f);
    m_nDone += frames;
    for (const auto& entry : fs::directory_iterator(m_directory)) m_seen.insert(entry.path().filename().string());
    return frames;
  }
  std::set<std::string> m_seen;

 private:
  fs::path m_directory;
  std::int64_t m_nDone = 0;
};

TEST_F(Render, AnUnfinishedOutputHasNoNameThatAKilledRenderCouldLeaveBehind) {
  CWatchingSource source(m_dir);
  spanora::SProcessOptions options;
  options.output = At("out.wav");
  options.plugin = SPANORA_PLUGIN_PATH;
  options.quiet = true;
  spanora::SOutputFormat format;
  std::string error;
  ASSERT_TRUE(spanora::ResolveOutputFormat(options.output, std::nullopt, &format, &error));
  ASSERT_EQ(spanora::RenderThroughEffect(source, options, format), 0);
  EXPECT_EQ(source.m_seen, (std::set<std::string>{"in.wav"}));
  EXPECT_EQ(DirectoryEntries(), (std::vector<std::string>{"in.wav", "out.wav"}));
}

TEST_F(Render, TheFirstSecondEqualsTheSameSpanRenderedAfterALongLeadIn) {
  // What a host exports: the effect has run on silence long before the
  // region starts. The same span rendered alone must match it.
  const std::size_t second = 44100, leadIn = 3 * 44100;
  const std::vector<float> region = StereoNoise(second, 4242);
  std::vector<float> withLeadIn(2 * leadIn, 0.0f);
  withLeadIn.insert(withLeadIn.end(), region.begin(), region.end());
  WriteSound(At("region.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 44100, region);
  WriteSound(At("session.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 44100, withLeadIn);
  const Arguments program = {"--preset", "Synth Pad 3", "--quiet"};
  auto render = [&](const char* in, const char* out, bool preroll) {
    Arguments arguments = {At(in), At(out)};
    arguments.insert(arguments.end(), program.begin(), program.end());
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

TEST(PluginState, TheToolBuildsTheSameChunkAsTheEffectSavesItself) {
  FakeHost fakeHost;
  ASpanora effect(fakeHost.Callback());
  effect.setProgram(21);
  effect.setParameter(PARAM_WIDTH, 0.125f);
  CKeyedChunkEncoder encoder;
  ASSERT_TRUE(effect.SaveStateChunk(encoder));

  vsthost::CVstHost host;
  ASSERT_TRUE(spanora::StartSession(host, SPANORA_PLUGIN_PATH));
  host.SetProgram(21);
  host.SetParameter(PARAM_WIDTH, 0.125f);
  const std::vector<std::uint8_t> chunk = spanora::SaveKeyedState(host);
  EXPECT_EQ(chunk, std::vector<std::uint8_t>(encoder.Data(), encoder.Data() + encoder.Size()));

  // And applying it to a fresh effect brings back every value.
  vsthost::CVstHost fresh;
  ASSERT_TRUE(spanora::StartSession(fresh, SPANORA_PLUGIN_PATH));
  std::string problem;
  EXPECT_TRUE(spanora::RestoreKeyedState(fresh, chunk, &problem)) << problem;
  for (int index = 0; index < host.GetNumParams(); ++index)
    EXPECT_EQ(fresh.GetParameter(index), host.GetParameter(index)) << host.GetParameterKey(index);
  EXPECT_EQ(spanora::FindParameterKey(fresh, "B_Width"), 32);
  EXPECT_EQ(spanora::FindParameterKey(fresh, "splitdelaytime"), 18);
  EXPECT_EQ(spanora::FindParameterKey(fresh, "Widht"), -1);
  EXPECT_EQ(spanora::FindProgram(fresh, "user20"), 59);
  EXPECT_EQ(spanora::FindProgram(fresh, "0"), 0);
  EXPECT_EQ(spanora::FindProgram(fresh, "-1"), -1);
}

TEST_F(Render, BypassConvergesToTheInputFromAColdStartAndIsTheInputAfterPreroll) {
  const std::size_t frames = 120000;  // the bypass glide takes 100 ticks of 1024 samples
  WriteSound(At("long.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 44100, StereoNoise(frames, 777));
  const SResult cold =
      Process({At("long.wav"), At("cold.wav"), "--preset", "Padster", "--set", "Bypass=1", "--no-preroll"});
  ASSERT_EQ(cold.code, 0) << cold.err;
  ASSERT_EQ(Process({At("long.wav"), At("settled.wav"), "--preset", "Padster", "--set", "Bypass=1"}).code, 0);
  const SSound in = ReadSound(At("long.wav"));
  auto deviation = [&](const SSound& out, std::size_t first, std::size_t last) {
    double most = 0.0;
    for (std::size_t i = 2 * first; i < 2 * last; ++i) most = std::max(most, std::fabs(double{out.samples[i]} - in.samples[i]));
    return most;
  };
  const SSound out = ReadSound(At("cold.wav"));
  ASSERT_EQ(out.samples.size(), in.samples.size());
  EXPECT_GT(deviation(out, 0, 10000), 1e-3);  // still the effect at first
  EXPECT_LT(deviation(out, frames - 10000, frames), 1e-6);
  EXPECT_LT(deviation(ReadSound(At("settled.wav")), 0, frames), 1e-6);
}

TEST_F(Render, HostTempoReachesTempoSyncedDynamics) {
  WriteSound(At("long.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 44100, StereoNoise(88200, 99));
  const Arguments dynamics = {"--preset", "Shifty", "--set", "DynSpeed=1", "--set", "DynDepth=1"};
  auto render = [&](const char* name, const char* tempo, const char* sync) {
    Arguments arguments = {At("long.wav"), At(name), "--tempo", tempo, "--set", sync};
    arguments.insert(arguments.end(), dynamics.begin(), dynamics.end());
    EXPECT_EQ(Process(arguments).code, 0) << name;
    return ReadSound(At(name)).samples;
  };
  EXPECT_NE(render("slow.wav", "30", "DynTempo=1"), render("fast.wav", "240", "DynTempo=1"));
  EXPECT_EQ(render("free1.wav", "30", "DynTempo=0"), render("free2.wav", "240", "DynTempo=0"));
}

// A source that delivers a few blocks and then receives SIGINT, as when the
// user presses Ctrl-C during a render.
class CInterruptedSource : public spanora::IFrameSource {
 public:
  std::string GetName() const override { return "interrupted"; }
  int GetChannels() const override { return 2; }
  int GetSampleRate() const override { return 44100; }
  std::int64_t GetFrames() const override { return 1 << 20; }
  std::int64_t Read(float* left, float* right, std::int64_t frames) override {
    std::fill(left, left + frames, 0.25f);
    std::fill(right, right + frames, -0.25f);
    if (++m_nReads == 3) std::raise(m_nSignal);
    return frames;
  }
  explicit CInterruptedSource(int signal) : m_nSignal(signal) {}

 private:
  int m_nReads = 0;
  int m_nSignal;
};

TEST_F(Render, AnInterruptedRenderLeavesNoFileAndExitsWith128PlusTheSignal) {
  for (const int signal : {SIGINT, SIGTERM}) {
    CInterruptedSource source(signal);
    spanora::SProcessOptions options;
    options.output = At("out.wav");
    options.plugin = SPANORA_PLUGIN_PATH;
    spanora::SOutputFormat format;
    std::string error;
    ASSERT_TRUE(spanora::ResolveOutputFormat(options.output, std::nullopt, &format, &error));
    ::testing::internal::CaptureStderr();
    const int code = spanora::RenderThroughEffect(source, options, format);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(code, 128 + signal);
    EXPECT_NE(err.find("'" + At("out.wav") + "' was not written"), std::string::npos) << err;
    EXPECT_EQ(DirectoryEntries(), (std::vector<std::string>{"in.wav"}));
  }
  // The handlers are gone again: the default action is back.
  struct sigaction current {};
  sigaction(SIGINT, nullptr, &current);
  EXPECT_EQ(current.sa_handler, SIG_DFL);
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
  EXPECT_NE(out.find("correlation\ninput "), std::string::npos) << out;
}

}  // namespace
