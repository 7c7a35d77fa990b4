// A plug-in's editor in a real X window, under a private Xvfb, opened by our
// own host the way hosts open editors: a top-level window, effEditOpen with
// its id, effEditIdle every 20 ms on the host's thread. The mouse is driven
// through XTEST, so events take the same path a user's would.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "platform/HostWindow.h"
#include "platform/TestInput.h"
#include "tests/support/XvfbServer.h"
#include "tools/vsthost/VstHost.h"

namespace {

using vsthost::SHostEvent;

// The demo face: knob 0's centre, and a spot its pointer covers at value 0.
constexpr int kKnobX = 52, kKnobY = 88;
constexpr int kPointerLowLeftX = 37, kPointerLowLeftY = 102;  // on the 225-degree line

class EditorWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    s_xvfb = new testsupport::CXvfbServer;
    if (!s_xvfb->Start(error)) s_error = error;
  }
  static void TearDownTestSuite() {
    delete s_xvfb;
    s_xvfb = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(s_error.empty()) << s_error;
    std::string error;
    input = platform::CTestInput::Open(error);
    ASSERT_TRUE(input) << error;
  }

  struct Instance {
    vsthost::CVstHost host;
    std::unique_ptr<platform::CHostWindow> window;
  };

  std::unique_ptr<Instance> OpenEditor() {
    auto instance = std::make_unique<Instance>();
    EXPECT_TRUE(instance->host.Load(EDITOR_PLUGIN_PATH)) << instance->host.GetError();
    instance->host.Open();
    EXPECT_TRUE(instance->host.GetFlags() & vst::effFlagsHasEditor);
    vst::ERect* rect = nullptr;
    instance->host.Dispatch(vst::effEditGetRect, 0, 0, &rect);
    EXPECT_TRUE(rect != nullptr);
    const int width = rect ? rect->right - rect->left : 0, height = rect ? rect->bottom - rect->top : 0;
    EXPECT_EQ(width, 640);
    std::string error;
    instance->window = platform::CHostWindow::Create(width, height, "editor test", error);
    EXPECT_TRUE(instance->window) << error;
    if (!instance->window) return instance;
    EXPECT_EQ(instance->host.Dispatch(vst::effEditOpen, 0, 0, reinterpret_cast<void*>(instance->window->GetId())), 1);
    return instance;
  }

  // The host's user-interface loop: window events and effEditIdle every 20 ms.
  static void Idle(std::initializer_list<Instance*> instances, int ms = 60) {
    for (int t = 0; t < ms; t += 20) {
      for (Instance* instance : instances) {
        if (instance->window) instance->window->PumpEvents();
        instance->host.Dispatch(vst::effEditIdle);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  std::array<std::uint8_t, 3> Pixel(Instance& instance, int x, int y) {
    std::array<std::uint8_t, 3> rgb{};
    EXPECT_TRUE(input->ReadPixel(instance.window->GetId(), x, y, rgb));
    return rgb;
  }

  std::unique_ptr<platform::CTestInput> input;
  static testsupport::CXvfbServer* s_xvfb;
  static std::string s_error;
};

testsupport::CXvfbServer* EditorWindow::s_xvfb = nullptr;
std::string EditorWindow::s_error;

TEST_F(EditorWindow, AMouseDragOnAKnobIsOneGestureOfAutomationOnTheHostsThread) {
  auto editor = OpenEditor();
  ASSERT_TRUE(editor->window);
  editor->host.SetParameter(0, 0.2f);
  Idle({editor.get()});
  const std::uint64_t window = editor->window->GetId();
  ASSERT_FALSE(input->Children(window).empty()) << "the editor made no child window";

  input->MoveTo(window, kKnobX, kKnobY);
  input->PressButton(1);
  input->Sync();
  Idle({editor.get()});
  for (int y = kKnobY - 10; y >= kKnobY - 60; y -= 10) {  // 60 pixels up: 0.3 of the range
    input->MoveTo(window, kKnobX, y);
    input->Sync();
    Idle({editor.get()}, 20);
  }
  input->ReleaseButton(1);
  input->Sync();
  Idle({editor.get()});

  EXPECT_NEAR(editor->host.GetParameter(0), 0.5f, 1e-4);
  const std::vector<SHostEvent> events = editor->host.Host().GetEvents();
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events.front().kind, SHostEvent::EKind::BeginEdit);
  EXPECT_EQ(events.back().kind, SHostEvent::EKind::EndEdit);
  int automations = 0;
  for (const SHostEvent& event : events) {
    EXPECT_EQ(event.index, 0);
    EXPECT_EQ(event.thread, std::this_thread::get_id());
    if (event.kind == SHostEvent::EKind::Automate) ++automations;
  }
  EXPECT_GE(automations, 5);
  EXPECT_NEAR(events[events.size() - 2].value, 0.5f, 1e-4);

  editor->host.Dispatch(vst::effEditClose);
  editor->host.Dispatch(vst::effEditClose);  // twice: harmless
  editor->host.Dispatch(vst::effEditIdle);   // idle after close: harmless
  EXPECT_TRUE(input->Children(window).empty());
}

TEST_F(EditorWindow, AHostThatDestroysTheParentFirstSurvivesTheCloseAndCanOpenAgain) {
  auto editor = OpenEditor();
  ASSERT_TRUE(editor->window);
  Idle({editor.get()});
  editor->window->Destroy();
  Idle({editor.get()});  // the editor hears of it and stops drawing
  editor->host.Dispatch(vst::effEditClose);  // must not destroy what is gone (BadWindow ends a host)
  std::string error;
  editor->window = platform::CHostWindow::Create(640, 480, "again", error);
  ASSERT_TRUE(editor->window) << error;
  EXPECT_EQ(editor->host.Dispatch(vst::effEditOpen, 0, 0, reinterpret_cast<void*>(editor->window->GetId())), 1);
  Idle({editor.get()});
  EXPECT_FALSE(input->Children(editor->window->GetId()).empty());
  editor->host.Close();  // effClose with the editor still open
}

TEST_F(EditorWindow, ThreeEditorsInOneProcessEachDrawTheirOwnState) {
  std::unique_ptr<Instance> editors[3] = {OpenEditor(), OpenEditor(), OpenEditor()};
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(editors[i]->window);
    editors[i]->window->Move(i * 200, i * 100);
    editors[i]->host.SetParameter(0, i == 1 ? 1.0f : 0.0f);
  }
  Idle({editors[0].get(), editors[1].get(), editors[2].get()}, 200);
  for (int i = 0; i < 3; ++i) {
    const auto background = Pixel(*editors[i], 3, 460);
    EXPECT_EQ(background, (std::array<std::uint8_t, 3>{34, 38, 46})) << "editor " << i << " did not draw";
    const auto pointer = Pixel(*editors[i], kPointerLowLeftX, kPointerLowLeftY);
    if (i == 1) EXPECT_LT(pointer[0], 160) << "editor 1 shows another editor's value";
    else EXPECT_GT(pointer[0], 160) << "editor " << i << " lost its pointer";
  }
}

TEST(EditorWithoutDisplay, OpenAnswersZeroAndTheHostGoesOn) {
  const char* previous = std::getenv("DISPLAY");
  const std::string saved = previous ? previous : "";
  setenv("DISPLAY", ":999", 1);  // no server there
  vsthost::CVstHost host;
  ASSERT_TRUE(host.Load(EDITOR_PLUGIN_PATH)) << host.GetError();
  host.Open();
  EXPECT_EQ(host.Dispatch(vst::effEditOpen, 0, 0, reinterpret_cast<void*>(std::uintptr_t{0x1234})), 0);
  host.Dispatch(vst::effEditIdle);
  host.Dispatch(vst::effEditClose);
  host.SetParameter(1, 0.3f);  // the effect works on without its editor
  EXPECT_FLOAT_EQ(host.GetParameter(1), 0.3f);
  if (previous) setenv("DISPLAY", saved.c_str(), 1);
  else unsetenv("DISPLAY");
}

}  // namespace
