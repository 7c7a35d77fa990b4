#include "tests/support/EditorUnderXvfb.h"

#include <cmath>
#include <cstdlib>

#include "Helpers/DerivedControlsPresetBrowser.h"
#include "tests/support/TestSignals.h"

namespace testsupport {

bool Near(const Rgb& a, const Rgb& b, int tolerance) {
  for (int c = 0; c < 3; ++c)
    if (std::abs(a[c] - b[c]) > tolerance) return false;
  return true;
}

void ExpectOneGestureOnThisThread(const std::vector<vsthost::SHostEvent>& events) {
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events.front().kind, vsthost::SHostEvent::EKind::BeginEdit);
  EXPECT_EQ(events.back().kind, vsthost::SHostEvent::EKind::EndEdit);
  for (const vsthost::SHostEvent& event : events) EXPECT_EQ(event.thread, std::this_thread::get_id());
}

bool WaitUntil(const std::function<bool()>& done, const std::function<void()>& step,
               std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    if (step) step();
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    if (!step) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void XvfbTest::SetUpTestSuite() {
  s_pServer = new CXvfbServer;
  if (!s_pServer->Start(s_sServerError)) {
    delete s_pServer;
    s_pServer = nullptr;
  }
}

void XvfbTest::TearDownTestSuite() {
  delete s_pServer;
  s_pServer = nullptr;
}

// Derived fixtures check HasFatalFailure() after calling this.
void XvfbTest::SetUp() {
  ASSERT_NE(s_pServer, nullptr) << s_sServerError;
  std::string error;
  m_pInput = platform::CTestInput::Open(error);
  ASSERT_NE(m_pInput, nullptr) << error;
}

std::unique_ptr<CEditorSession> XvfbTest::OpenSession(const std::string& pluginPath, bool audio) {
  auto session = std::make_unique<CEditorSession>(*m_pInput);
  if (!session->Load(pluginPath)) {
    ADD_FAILURE() << session->GetError();
    return nullptr;
  }
  if (audio) session->StartAudio();
  if (!session->OpenEditor()) {
    ADD_FAILURE() << session->GetError();
    return nullptr;
  }
  return session;
}

// ---- CEditorSession -------------------------------------------------------------

CEditorSession::~CEditorSession() {
  StopAudio();
  if (m_pEditor) m_pEditor->Close();
  m_Host.Close();
}

bool CEditorSession::Load(const std::string& pluginPath) {
  if (!m_Host.Load(pluginPath)) {
    m_sError = m_Host.GetError();
    return false;
  }
  m_sPath = pluginPath;
  m_Host.SetSampleRate(SAMPLE_RATE);
  m_Host.SetBlockSize(BLOCK_SIZE);
  m_Host.Open();
  m_Host.SetMainsOn(true);
  return true;
}

bool CEditorSession::OpenEditor() {
  m_pEditor = std::make_unique<vsthost::CEditorHost>(m_Host);
  if (!m_pEditor->Open("editor under test")) {
    m_sError = m_pEditor->GetError();
    return false;
  }
  // The first frame: llvmpipe compiles its shaders on it.
  Idle(2);
  return true;
}

void CEditorSession::Idle(int steps) {
  for (int i = 0; i < steps; ++i) {
    if (m_pEditor) m_pEditor->Idle();
    std::this_thread::sleep_for(std::chrono::milliseconds(IDLE_STEP_MS));
  }
}

bool CEditorSession::IdleUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  return WaitUntil(done, [this] { Idle(); }, timeout);
}

void CEditorSession::Delivered(int idleSteps) {
  m_Input.Sync();
  Idle(idleSteps);
}

void CEditorSession::Click(int x, int y) {
  m_Input.Click(Window(), x, y);
  Delivered();
}

void CEditorSession::Drag(int fromX, int fromY, int toX, int toY, int steps) {
  m_Input.MoveTo(Window(), fromX, fromY);
  Delivered(1);
  m_Input.PressButton(1);
  Delivered(1);
  for (int i = 1; i <= steps; ++i) {
    m_Input.MoveTo(Window(), fromX + (toX - fromX) * i / steps, fromY + (toY - fromY) * i / steps);
    Delivered(1);
  }
  m_Input.ReleaseButton(1);
  Delivered();
}

void CEditorSession::Type(const std::string& text) {
  m_Input.TypeText(text);
  Delivered();
}

void CEditorSession::TapKey(const std::string& keySymName) {
  m_Input.TapKey(keySymName);
  Delivered();
}

Rgb CEditorSession::Pixel(int x, int y) {
  Rgb rgb{};
  m_Input.ReadPixel(Window(), x, y, rgb);
  return rgb;
}

std::vector<Rgb> CEditorSession::Region(int x, int y, int width, int height) {
  std::vector<Rgb> pixels;
  m_Input.ReadRegion(Window(), x, y, width, height, pixels);
  return pixels;
}

bool CEditorSession::Heard(int index, float value) {
  for (const vsthost::SHostEvent& event : Automation())
    if (event.index == index && std::abs(event.value - value) < 1e-5f) return true;
  return false;
}

void CEditorSession::ChoosePresetAndExpectItsValues(int left, int top, int height, int program, int count) {
  vsthost::CVstHost reference;
  ASSERT_TRUE(reference.Load(m_sPath)) << reference.GetError();
  reference.Open();
  reference.SetProgram(program);
  int differing = 0;
  for (int i = 0; i < count; ++i) differing += m_Host.GetParameter(i) != reference.GetParameter(i);
  ASSERT_GT(differing, 0) << "program " << program << " equals the current setting: choose another";
  const int rows = (height - 30) / CPresetBrowser::ROW_HEIGHT;
  Click(left + CPresetBrowser::MARGIN + (program / rows) * CPresetBrowser::COLUMN_WIDTH + 60,
        top + CPresetBrowser::MARGIN + (program % rows) * CPresetBrowser::ROW_HEIGHT + 7);
  for (int i = 0; i < count; ++i) EXPECT_FLOAT_EQ(m_Host.GetParameter(i), reference.GetParameter(i)) << "parameter " << i;
}

void CEditorSession::StartAudio() {
  if (m_Audio.joinable()) return;
  m_bStopAudio = false;
  m_Audio = std::thread([this] {
    // Two partly correlated noises, looped: a wide image with energy everywhere.
    constexpr int LOOP = 64 * BLOCK_SIZE;
    const std::vector<float> shared = Noise(LOOP, 1), left = Noise(LOOP, 2), right = Noise(LOOP, 3);
    std::vector<float> buffers[4];
    for (auto& buffer : buffers) buffer.assign(BLOCK_SIZE, 0.0f);
    float* inputs[2] = {buffers[0].data(), buffers[1].data()};
    float* outputs[2] = {buffers[2].data(), buffers[3].data()};
    const auto period = std::chrono::microseconds(static_cast<long>(1e6 * BLOCK_SIZE / SAMPLE_RATE));
    auto next = std::chrono::steady_clock::now();
    for (int at = 0; !m_bStopAudio.load(); at = (at + BLOCK_SIZE) % LOOP) {
      for (int i = 0; i < BLOCK_SIZE; ++i) {
        inputs[0][i] = 0.3f * (shared[at + i] + left[at + i]);
        inputs[1][i] = 0.3f * (shared[at + i] + right[at + i]);
      }
      m_Host.ProcessReplacing(inputs, outputs, BLOCK_SIZE);
      ++m_nBlocks;
      next += period;
      const auto now = std::chrono::steady_clock::now();
      if (next < now) next = now;  // behind (a sanitizer build): carry on from here
      std::this_thread::sleep_until(next);
    }
  });
}

void CEditorSession::StopAudio() {
  m_bStopAudio = true;
  if (m_Audio.joinable()) m_Audio.join();
}

}  // namespace testsupport
