// spanora snapshot and spanora edit: the widener's editor drawn offscreen
// over the effect fed with material, and opened in a window of its own over
// the running effect under a private Xvfb.
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sndfile.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/TestInput.h"
#include "tests/support/EditorUnderXvfb.h"
#include "tests/support/TestSignals.h"
#include "tools/spanora/Commands.h"
#include "tools/spanora/EditorSnapshot.h"
#include "vstgui/PngDecoder.h"

namespace {

namespace fs = std::filesystem;
using VSTGUI::SPixels;

constexpr int RATE = 44100;

enum class EMaterial { WIDE, SILENT };

// One second: a 300 Hz tone on the left and a 3 kHz tone on the right over
// shared noise (wide), or nothing.
void WriteMaterial(const fs::path& path, EMaterial material) {
  const std::vector<float> noise = Noise(RATE, 12345);
  std::vector<float> samples(2 * RATE, 0.0f);
  for (int i = 0; material == EMaterial::WIDE && i < RATE; ++i) {
    const float t = static_cast<float>(i) / RATE;
    samples[2 * i] = 0.025f * noise[i] + 0.3f * std::sin(6.2831853f * 300.0f * t);
    samples[2 * i + 1] = 0.025f * noise[i] + 0.3f * std::sin(6.2831853f * 3000.0f * t);
  }
  SF_INFO info{};
  info.channels = 2;
  info.samplerate = RATE;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  sf_writef_float(file, samples.data(), RATE);
  sf_close(file);
}

SPixels ReadPng(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  SPixels pixels;
  std::string error;
  EXPECT_TRUE(VSTGUI::DecodePng(bytes.data(), bytes.size(), pixels, error)) << path << ": " << error;
  return pixels;
}

// Pixels whose colour differs by more than a rounding step, in a rectangle.
int DifferingPixels(const SPixels& a, const SPixels& b, int x0, int y0, int x1, int y1) {
  int differing = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      for (int c = 0; c < 3; ++c)
        if (std::abs(a.At(x, y)[c] - b.At(x, y)[c]) > 8) {
          ++differing;
          break;
        }
  return differing;
}

// The editor's size as the effect reports it to a host.
void EditorSize(int* width, int* height) {
  vsthost::CVstHost host;
  ASSERT_TRUE(spanora::CreateEffectInProcess(host)) << host.GetError();
  vst::ERect* rect = nullptr;
  host.Dispatch(vst::effEditGetRect, 0, 0, &rect);
  ASSERT_NE(rect, nullptr);
  *width = rect->right - rect->left;
  *height = rect->bottom - rect->top;
}

class Snapshot : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "spanora-snapshot-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
  }
  void TearDown() override { fs::remove_all(m_dir); }

  int Run(spanora::Arguments arguments) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int code = spanora::RunSnapshot(arguments);
    ::testing::internal::GetCapturedStdout();
    m_sErrors = ::testing::internal::GetCapturedStderr();
    return code;
  }

  // The front face with the widening stages off, so that what the display
  // shows is the input's own image.
  SPixels Front(EMaterial material, const char* name) {
    const fs::path input = m_dir / (std::string(name) + ".wav"), output = m_dir / (std::string(name) + ".png");
    WriteMaterial(input, material);
    const int code = Run({output, "--input", input, "--set", "WREnabled=0", "--set", "SplitDelayEnabled=0"});
    if (code == spanora::EXIT_NO_GRAPHICS) m_bNoGraphics = true;
    EXPECT_TRUE(code == spanora::EXIT_OK || m_bNoGraphics) << m_sErrors;
    return m_bNoGraphics ? SPixels{} : ReadPng(output);
  }

  fs::path m_dir;
  std::string m_sErrors;
  bool m_bNoGraphics = false;
};

TEST_F(Snapshot, ShowsTheInputsImageAtTheEditorsSizeAndTheBackFacesDiffer) {
  const SPixels wide = Front(EMaterial::WIDE, "wide");
  if (m_bNoGraphics) GTEST_SKIP() << m_sErrors;
  int width = 0, height = 0;
  EditorSize(&width, &height);
  EXPECT_EQ(wide.width, width);
  EXPECT_EQ(wide.height, height);
  const SPixels silent = Front(EMaterial::SILENT, "silent");
  ASSERT_EQ(silent.width, wide.width);

  // The meters light up with a signal, and both halves of the half-disc away
  // from the centre line glow for the wide input: its low tone sits left, its
  // high tone right. (Where a centred signal lands is the graph tests' job.)
  EXPECT_GT(DifferingPixels(wide, silent, 527, 44, 618, 84), 100);
  EXPECT_GT(DifferingPixels(wide, silent, 120, 60, 300, 300), 500);
  EXPECT_GT(DifferingPixels(wide, silent, 340, 60, 520, 300), 500);

  // The back faces replace the panel; the options page is not the about page.
  const fs::path about = m_dir / "about.png", options = m_dir / "options.png", quiet = m_dir / "silent.wav";
  ASSERT_EQ(Run({about, "--face", "about", "--input", quiet}), spanora::EXIT_OK) << m_sErrors;
  ASSERT_EQ(Run({options, "--face=options", "--input", quiet}), spanora::EXIT_OK) << m_sErrors;
  const SPixels aboutPixels = ReadPng(about), optionsPixels = ReadPng(options);
  EXPECT_GT(DifferingPixels(wide, aboutPixels, 110, 20, 530, 440), 20000);
  EXPECT_GT(DifferingPixels(optionsPixels, aboutPixels, 0, 0, width, height), 1000);
}

TEST_F(Snapshot, FailuresNameTheirCauseAndLeaveNothingBehind) {
  const fs::path out = m_dir / "shot.png";
  EXPECT_EQ(Run({out, "--preset", "No Such Preset"}), spanora::EXIT_USAGE);
  EXPECT_NE(m_sErrors.find("unknown preset 'No Such Preset'"), std::string::npos) << m_sErrors;
  EXPECT_EQ(Run({out, "--input", (m_dir / "missing.wav").string()}), spanora::EXIT_BAD_FILE);
  EXPECT_NE(m_sErrors.find("missing.wav"), std::string::npos) << m_sErrors;
  EXPECT_FALSE(fs::exists(out));

  WriteMaterial(m_dir / "silent.wav", EMaterial::SILENT);
  const int code = Run({(m_dir / "no-such-folder" / "shot.png").string(), "--input", (m_dir / "silent.wav").string()});
  if (code == spanora::EXIT_NO_GRAPHICS) GTEST_SKIP() << m_sErrors;
  EXPECT_EQ(code, spanora::EXIT_BAD_FILE);
  EXPECT_NE(m_sErrors.find("no-such-folder"), std::string::npos) << m_sErrors;
}

// spanora edit as a user starts it: a child process on the test's display,
// its output piped.
class CEditProcess {
 public:
  CEditProcess() {
    int output[2];
    if (::pipe(output) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    char* const arguments[] = {const_cast<char*>("spanora"), const_cast<char*>("edit"), nullptr};
    if (::posix_spawn(&m_pid, SPANORA_COMMAND_PATH, &actions, nullptr, arguments, environ) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    m_nOutput = output[0];
  }
  ~CEditProcess() {
    if (m_pid > 0) Wait(std::chrono::seconds(0));
    if (m_nOutput >= 0) ::close(m_nOutput);
  }
  CEditProcess(const CEditProcess&) = delete;
  CEditProcess& operator=(const CEditProcess&) = delete;

  // Reads the output up to the line that names the window.
  void ReadWindow() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    char buffer[256];
    while (m_sText.find("close it") == std::string::npos && std::chrono::steady_clock::now() < end) {
      pollfd ready{m_nOutput, POLLIN, 0};
      if (::poll(&ready, 1, 100) <= 0) continue;
      const ssize_t got = ::read(m_nOutput, buffer, sizeof buffer);
      if (got <= 0) break;
      m_sText.append(buffer, static_cast<std::size_t>(got));
    }
    const std::size_t at = m_sText.find("window 0x");
    unsigned long long window = 0;
    if (at != std::string::npos &&
        std::sscanf(m_sText.c_str() + at, "window 0x%llx, %dx%d", &window, &m_nWidth, &m_nHeight) == 3)
      m_nWindow = window;
  }
  // The exit status, -1 (and the child killed) if it has not ended in time.
  int Wait(std::chrono::seconds patience = std::chrono::seconds(10)) {
    if (m_pid <= 0) return -1;  // never signal a process group
    const pid_t pid = std::exchange(m_pid, -1);
    const auto end = std::chrono::steady_clock::now() + patience;
    int status = 0;
    do {
      if (::waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 256;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < end);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return -1;
  }

  pid_t m_pid = -1;
  int m_nOutput = -1;
  std::string m_sText;
  std::uint64_t m_nWindow = 0;
  int m_nWidth = 0, m_nHeight = 0;
};

class Edit : public testsupport::XvfbTest {};

TEST_F(Edit, OpensTheEditorInAWindowOfItsSizeAndEndsOnCloseOrSigterm) {
  // The GL driver leaves its caches unreachable in the children; leak checks
  // are the in-process editor tests'.
  const char* asan = ::getenv("ASAN_OPTIONS");
  ::setenv("ASAN_OPTIONS", (std::string(asan ? asan : "") + ":detect_leaks=0").c_str(), 1);
  // Two sessions start at once: one the user closes, one that is terminated.
  CEditProcess closed, terminated;
  int width = 0, height = 0;
  EditorSize(&width, &height);
  closed.ReadWindow();
  terminated.ReadWindow();
  ASSERT_NE(closed.m_nWindow, 0u) << closed.m_sText;
  ASSERT_NE(terminated.m_nWindow, 0u) << terminated.m_sText;
  EXPECT_EQ(closed.m_nWidth, width);
  EXPECT_EQ(closed.m_nHeight, height);
  // The window exists on the display with exactly that size, the editor inside.
  std::array<std::uint8_t, 3> rgb{};
  EXPECT_TRUE(Input().ReadPixel(closed.m_nWindow, width - 1, height - 1, rgb));
  EXPECT_FALSE(Input().ReadPixel(closed.m_nWindow, width, height, rgb));
  EXPECT_FALSE(Input().Children(closed.m_nWindow).empty()) << "the editor's own window is missing";

  ASSERT_TRUE(Input().RequestClose(closed.m_nWindow));
  ASSERT_GT(terminated.m_pid, 0);
  ::kill(terminated.m_pid, SIGTERM);
  EXPECT_EQ(closed.Wait(), spanora::EXIT_OK);
  EXPECT_EQ(terminated.Wait(), spanora::EXIT_TERMINATED);
}

}  // namespace
