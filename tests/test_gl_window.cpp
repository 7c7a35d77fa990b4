// The editor's child window under a private Xvfb: it turns real X input into
// SEvents, reports a host that destroys the parent first, and refuses a
// parent that does not exist. No display at all: the editor window test.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <functional>

#include "platform/GLSurface.h"
#include "platform/HostWindow.h"
#include "platform/TestInput.h"
#include "tests/support/EditorUnderXvfb.h"

namespace {

using platform::CGLSurface;
using platform::CHostWindow;
using platform::SEvent;

class GLWindow : public testsupport::XvfbTest {
 protected:
  static std::unique_ptr<CHostWindow> MakeHost(int width, int height) {
    std::string error;
    auto host = CHostWindow::Create(width, height, "test host", error);
    EXPECT_NE(host, nullptr) << error;
    return host;
  }

  static std::unique_ptr<CGLSurface> MakeSurface(const CHostWindow& host, int width, int height) {
    std::string error;
    auto surface = platform::CreateWindowSurface(host.GetId(), width, height, error);
    EXPECT_NE(surface, nullptr) << error;
    return surface;
  }

  // Pumps the surface's events until `done` accepts one (or the wait times out).
  static bool WaitForEvent(CGLSurface& surface, const std::function<bool(const SEvent&)>& done,
                           std::vector<SEvent>* seen = nullptr) {
    return testsupport::WaitUntil([&] {
      SEvent event;
      while (surface.NextEvent(event)) {
        if (seen) seen->push_back(event);
        if (done(event)) return true;
      }
      return false;
    });
  }
};

// Left-button drags, double clicks, Shift and typing reach the editors in
// the window tests; here what no editor there uses.
TEST_F(GLWindow, OtherButtonsTheWheelControlAndLeavingArriveAsEvents) {
  auto host = MakeHost(200, 150);
  auto surface = MakeSurface(*host, 100, 100);
  ASSERT_TRUE(host && surface);
  const std::uint64_t id = surface->GetNativeId();
  surface->SetCursor(platform::ECursor::Hand);

  for (unsigned button : {3u, 2u, 4u, 5u}) m_pInput->Click(id, 10, 10, button);  // right, middle, wheel up, down
  m_pInput->Sync();
  std::vector<SEvent> seen;
  int wheels = 0;
  ASSERT_TRUE(WaitForEvent(
      *surface, [&](const SEvent& e) { return e.type == SEvent::EType::Wheel && ++wheels == 2; }, &seen));
  std::vector<std::uint32_t> buttons;
  std::vector<float> notches;
  for (const SEvent& e : seen) {
    if (e.type == SEvent::EType::ButtonPress) buttons.push_back(e.button);
    if (e.type == SEvent::EType::Wheel) notches.push_back(e.wheel);
  }
  EXPECT_EQ(buttons, (std::vector<std::uint32_t>{platform::kRightButton, platform::kMiddleButton}));
  EXPECT_EQ(notches, (std::vector<float>{1.0f, -1.0f}));

  surface->TakeFocus();
  m_pInput->PressKey("Control_L");
  m_pInput->TapKey("c");
  m_pInput->ReleaseKey("Control_L");
  m_pInput->Sync();
  SEvent key;
  ASSERT_TRUE(WaitForEvent(*surface, [&](const SEvent& e) {
    key = e;
    return e.type == SEvent::EType::KeyPress && std::string(e.text) == "c";
  }));
  EXPECT_EQ(key.state & platform::kControlKey, platform::kControlKey);

  // The pointer leaving for the host's part of the window.
  ASSERT_TRUE(m_pInput->MoveTo(host->GetId(), 150, 20));
  EXPECT_TRUE(WaitForEvent(*surface, [](const SEvent& e) { return e.type == SEvent::EType::PointerLeft; }));
}

// Drawing into the host's window is what every editor window test reads
// back; here what they cannot see.
TEST_F(GLWindow, HostDestroyingTheParentFirstIsReportedAndTheSurfaceGoesQuiet) {
  auto host = MakeHost(100, 100);
  auto surface = MakeSurface(*host, 100, 100);
  ASSERT_TRUE(host && surface);
  ASSERT_TRUE(surface->MakeCurrent());
  surface->RestoreContext();
  EXPECT_EQ(glGetString(GL_VERSION), nullptr);  // the caller's (here: no) context is back
  host->Destroy();
  // Drawing before the news arrives: the requests fail inside our trap.
  if (surface->MakeCurrent()) {
    glClear(GL_COLOR_BUFFER_BIT);
    surface->SwapBuffers();
    surface->RestoreContext();
  }
  ASSERT_TRUE(WaitForEvent(*surface, [](const SEvent& e) { return e.type == SEvent::EType::Destroyed; }));
  EXPECT_FALSE(surface->IsAlive());
  EXPECT_FALSE(surface->MakeCurrent());
  SEvent event;
  EXPECT_FALSE(surface->NextEvent(event));
  surface->SetCursor(platform::ECursor::Wait);
  surface->TakeFocus();
  surface->SwapBuffers();
}

TEST_F(GLWindow, AParentThatDoesNotExistIsRefused) {
  std::string error;
  EXPECT_EQ(platform::CreateWindowSurface(0x7ffffff0u, 100, 100, error), nullptr);
  EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
  EXPECT_EQ(platform::CreateWindowSurface(0, 100, 100, error), nullptr);
}

}  // namespace
