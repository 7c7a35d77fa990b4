#pragma once
// A plug-in's editor in a real X window under a private Xvfb, opened by our
// own host the way Linux hosts open editors (CEditorHost) and driven through
// XTEST, so input takes the path a user's would. The host records every
// callback the plug-in makes, with its thread; an optional audio thread
// processes a wide stereo signal at about real-time pace meanwhile. Waits
// poll until a condition holds or a deadline passes, never a fixed sleep.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/TestInput.h"
#include "tests/support/XvfbServer.h"
#include "tools/vsthost/EditorHost.h"
#include "tools/vsthost/VstHost.h"

namespace testsupport {

using Rgb = std::array<std::uint8_t, 3>;
inline constexpr std::chrono::milliseconds WAIT_TIMEOUT{5000};

class CEditorSession;

// Each channel within `tolerance`.
bool Near(const Rgb& a, const Rgb& b, int tolerance = 4);
// The events are one gesture (begin, changes, end), all on the calling thread.
void ExpectOneGestureOnThisThread(const std::vector<vsthost::SHostEvent>& events);

// Polls `done` until it holds, running `step` before each poll (5 ms apart
// when there is no step); false once `timeout` has passed.
bool WaitUntil(const std::function<bool()>& done, const std::function<void()>& step = {},
               std::chrono::milliseconds timeout = WAIT_TIMEOUT);

// Restores DISPLAY as it was when a test that changes it ends.
class CDisplayGuard {
 public:
  CDisplayGuard() : m_bHad(std::getenv("DISPLAY") != nullptr), m_sSaved(m_bHad ? std::getenv("DISPLAY") : "") {}
  ~CDisplayGuard() { m_bHad ? setenv("DISPLAY", m_sSaved.c_str(), 1) : unsetenv("DISPLAY"); }

 private:
  bool m_bHad;
  std::string m_sSaved;
};

// One private Xvfb for all tests of a suite (started on first use), and an
// XTEST connection for each test.
class XvfbTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;

  platform::CTestInput& Input() { return *m_pInput; }
  // The module loaded (audio running when asked) and its editor open; null
  // after adding the failure.
  std::unique_ptr<CEditorSession> OpenSession(const std::string& pluginPath, bool audio = false);

  std::unique_ptr<platform::CTestInput> m_pInput;

 private:
  static inline CXvfbServer* s_pServer = nullptr;
  static inline std::string s_sServerError;
};

class CEditorSession {
 public:
  static constexpr float SAMPLE_RATE = 44100.0f;
  static constexpr int BLOCK_SIZE = 256;
  static constexpr int IDLE_STEP_MS = 10;

  explicit CEditorSession(platform::CTestInput& input) : m_Input(input) {}
  ~CEditorSession();
  CEditorSession(const CEditorSession&) = delete;
  CEditorSession& operator=(const CEditorSession&) = delete;

  // Loads the module and opens its effect, resumed, at SAMPLE_RATE and BLOCK_SIZE.
  bool Load(const std::string& pluginPath);
  // Opens the editor in a new host window; the editor has drawn once it answers true.
  bool OpenEditor();
  const std::string& GetError() const { return m_sError; }

  vsthost::CVstHost& Host() { return m_Host; }
  vsthost::CEditorHost& Editor() { return *m_pEditor; }
  std::uint64_t Window() const { return m_pEditor ? m_pEditor->GetWindowId() : 0; }

  // The host's user-interface loop, one step every IDLE_STEP_MS.
  void Idle(int steps = 1);
  bool IdleUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = WAIT_TIMEOUT);

  // Input in editor pixels (the editor fills the host window from 0, 0).
  // Each returns once the editor has had idle steps to take it.
  void Click(int x, int y);
  // Press, move in `steps` steps with an idle step each, release.
  void Drag(int fromX, int fromY, int toX, int toY, int steps = 8);
  void Type(const std::string& text);
  void TapKey(const std::string& keySymName);

  Rgb Pixel(int x, int y);
  std::vector<Rgb> Region(int x, int y, int width, int height);

  // The plug-in's callbacks since the last ClearEvents.
  std::vector<vsthost::SHostEvent> Events() { return m_Host.Host().GetEvents(); }
  std::vector<vsthost::SHostEvent> Automation() { return m_Host.Host().GetAutomation(); }
  void ClearEvents() { m_Host.Host().ClearRecords(); }
  // The host heard the parameter set to the value.
  bool Heard(int index, float value);

  // Clicks `program` in a preset browser at (left, top), `height` high, and
  // expects parameters 0 to count - 1 to be what a fresh instance of the
  // module has for that program.
  void ChoosePresetAndExpectItsValues(int left, int top, int height, int program, int count);

  // A wide stereo signal through processReplacing on a thread of its own.
  void StartAudio();
  void StopAudio();
  std::uint64_t GetBlocksProcessed() const { return m_nBlocks.load(); }

 private:
  void Delivered(int idleSteps = 2);

  platform::CTestInput& m_Input;
  std::string m_sPath;
  vsthost::CVstHost m_Host;
  std::unique_ptr<vsthost::CEditorHost> m_pEditor;
  std::string m_sError;
  std::thread m_Audio;
  std::atomic<bool> m_bStopAudio{false};
  std::atomic<std::uint64_t> m_nBlocks{0};
};

}  // namespace testsupport
