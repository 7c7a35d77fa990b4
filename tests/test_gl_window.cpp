// The editor's child window under a private Xvfb: it draws into the host's
// window, turns real X input into SEvents, survives a host that destroys the
// parent first, and refuses cleanly when there is no display.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "platform/GLSurface.h"
#include "platform/HostWindow.h"
#include "platform/TestInput.h"
#include "tests/support/EditorUnderXvfb.h"

namespace {

using platform::CGLSurface;
using platform::CHostWindow;
using platform::SEvent;
using testsupport::Rgb;

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

  static bool Fill(CGLSurface& surface, float red, float green, float blue) {
    if (!surface.MakeCurrent()) return false;
    glClearColor(red, green, blue, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    surface.SwapBuffers();
    surface.RestoreContext();
    return true;
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

  static bool IsType(const SEvent& event, SEvent::EType type) { return event.type == type; }
};

TEST_F(GLWindow, ChildWindowDrawsInsideTheHostWindowAndRestoresNoContext) {
  auto host = MakeHost(200, 150);
  auto surface = MakeSurface(*host, 120, 90);
  ASSERT_TRUE(host && surface);
  EXPECT_TRUE(surface->IsAlive());
  EXPECT_EQ(m_pInput->Children(host->GetId()), std::vector<std::uint64_t>{surface->GetNativeId()});

  ASSERT_TRUE(surface->MakeCurrent());
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  platform::SImage image;
  ASSERT_TRUE(surface->ReadPixels(image));
  ASSERT_EQ(image.rgba.size(), 120u * 90u * 4u);
  EXPECT_EQ(image.rgba[0], 255);
  EXPECT_EQ(image.rgba[1], 0);
  surface->SwapBuffers();
  surface->RestoreContext();
  EXPECT_EQ(glGetString(GL_VERSION), nullptr);

  EXPECT_EQ(WaitForPixel(host->GetId(), 10, 10, Rgb{255, 0, 0}), (Rgb{255, 0, 0}));
  EXPECT_EQ(WaitForPixel(host->GetId(), 119, 89, Rgb{255, 0, 0}), (Rgb{255, 0, 0}));
  EXPECT_EQ(WaitForPixel(host->GetId(), 160, 120, Rgb{0, 0, 0}), (Rgb{0, 0, 0}));  // the host's own background
}

// Left-button drags, double clicks, Shift and typing reach the editors in
// the window tests; here what no editor there uses.
TEST_F(GLWindow, OtherButtonsTheWheelControlAndLeavingArriveAsEvents) {
  auto host = MakeHost(200, 150);
  auto surface = MakeSurface(*host, 100, 100);
  ASSERT_TRUE(host && surface);
  const std::uint64_t id = surface->GetNativeId();
  for (auto cursor : {platform::ECursor::Hand, platform::ECursor::IBeam, platform::ECursor::Arrow}) {
    surface->SetCursor(cursor);
  }

  for (unsigned button : {3u, 2u, 4u, 5u}) m_pInput->Click(id, 10, 10, button);  // right, middle, wheel up, down
  m_pInput->Sync();
  std::vector<SEvent> seen;
  int wheels = 0;
  ASSERT_TRUE(WaitForEvent(
      *surface, [&](const SEvent& e) { return IsType(e, SEvent::EType::Wheel) && ++wheels == 2; }, &seen));
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
    return IsType(key = e, SEvent::EType::KeyPress) && std::string(e.text) == "c";
  }));
  EXPECT_EQ(key.state & platform::kControlKey, platform::kControlKey);

  // The pointer leaving for the host's part of the window.
  ASSERT_TRUE(m_pInput->MoveTo(host->GetId(), 150, 20));
  EXPECT_TRUE(WaitForEvent(*surface, [&](const SEvent& e) { return IsType(e, SEvent::EType::PointerLeft); }));
}

TEST_F(GLWindow, HostDestroyingTheParentFirstIsSurvived) {
  // Noticed through the event: the surface reports Destroyed and goes quiet.
  auto host = MakeHost(100, 100);
  auto surface = MakeSurface(*host, 100, 100);
  ASSERT_TRUE(host && surface);
  ASSERT_TRUE(Fill(*surface, 0.0f, 1.0f, 0.0f));
  host->Destroy();
  // Drawing before the news arrives: the requests fail inside our trap.
  if (surface->MakeCurrent()) {
    glClear(GL_COLOR_BUFFER_BIT);
    surface->SwapBuffers();
    surface->RestoreContext();
  }
  ASSERT_TRUE(WaitForEvent(*surface, [&](const SEvent& e) { return IsType(e, SEvent::EType::Destroyed); }));
  EXPECT_FALSE(surface->IsAlive());
  EXPECT_FALSE(surface->MakeCurrent());
  SEvent event;
  EXPECT_FALSE(surface->NextEvent(event));
  surface->SetCursor(platform::ECursor::Wait);
  surface->TakeFocus();
  surface->SwapBuffers();
  surface.reset();

  // Not noticed at all: the destructor finds the DestroyNotify itself.
  auto host2 = MakeHost(100, 100);
  auto surface2 = MakeSurface(*host2, 100, 100);
  ASSERT_TRUE(host2 && surface2);
  surface2->SetCursor(platform::ECursor::Hand);
  host2->Destroy();
  surface2.reset();  // (Opening again afterwards: the editor window test.)
}

TEST_F(GLWindow, ThreeEditorsInOneProcessEachDrawTheirOwnColour) {
  std::vector<std::unique_ptr<CHostWindow>> hosts;
  std::vector<std::unique_ptr<CGLSurface>> surfaces;
  for (int i = 0; i < 3; ++i) {
    hosts.push_back(MakeHost(64, 64));
    ASSERT_TRUE(hosts.back());
    hosts.back()->Move(100 * i, 0);  // side by side, so that each shows on screen
    surfaces.push_back(MakeSurface(*hosts.back(), 64, 64));
    ASSERT_TRUE(surfaces.back());
  }
  const Rgb colours[3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  // The first one's context is current while the others draw, as when one
  // editor's drawing calls into another: each hands back what it found.
  ASSERT_TRUE(surfaces[0]->MakeCurrent());
  ASSERT_TRUE(Fill(*surfaces[1], 0.0f, 1.0f, 0.0f));
  ASSERT_TRUE(Fill(*surfaces[2], 0.0f, 0.0f, 1.0f));
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  surfaces[0]->SwapBuffers();
  surfaces[0]->RestoreContext();
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(WaitForPixel(hosts[i]->GetId(), 32, 32, colours[i]), colours[i]) << "editor " << i;
    }
    // Drawing again in a different order changes nothing.
    for (int i = 2; i >= 0; --i) {
      ASSERT_TRUE(Fill(*surfaces[i], colours[i][0] / 255.0f, colours[i][1] / 255.0f, colours[i][2] / 255.0f));
    }
  }
}

TEST_F(GLWindow, AParentThatDoesNotExistIsRefused) {
  std::string error;
  EXPECT_EQ(platform::CreateWindowSurface(0x7ffffff0u, 100, 100, error), nullptr);
  EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
  EXPECT_EQ(platform::CreateWindowSurface(0, 100, 100, error), nullptr);
  auto host = MakeHost(10, 10);
  EXPECT_EQ(platform::CreateWindowSurface(host->GetId(), -1, 100, error), nullptr);
}

TEST(GLWindowWithoutDisplay, NoDisplayGivesNullAndAMessage) {
  testsupport::CDisplayGuard display;
  unsetenv("DISPLAY");
  std::string error;
  EXPECT_EQ(platform::CreateWindowSurface(0x200001, 100, 100, error), nullptr);
  EXPECT_NE(error.find("DISPLAY is not set"), std::string::npos) << error;
  EXPECT_EQ(CHostWindow::Create(100, 100, "x", error), nullptr);
  // A display that nobody serves.
  setenv("DISPLAY", ":4093", 1);
  EXPECT_EQ(platform::CreateWindowSurface(0x200001, 100, 100, error), nullptr);
  EXPECT_NE(error.find("':4093'"), std::string::npos) << error;
}

}  // namespace
