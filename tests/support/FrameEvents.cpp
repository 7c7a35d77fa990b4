#include "tests/support/FrameEvents.h"

#include <cstdio>

#include "vstgui/CFrame.h"

using platform::SEvent;

namespace {
constexpr std::uint32_t L = platform::kLeftButton;

void Send(VSTGUI::CFrame* frame, SEvent::EType type, int x, int y, std::uint32_t state = 0, std::uint32_t button = 0,
          float wheel = 0.0f) {
  SEvent e;
  e.type = type;
  e.x = x;
  e.y = y;
  e.state = state;
  e.button = button;
  e.wheel = wheel;
  frame->handleEvent(e);
}
}  // namespace

void PressAt(VSTGUI::CFrame* frame, int x, int y, std::uint32_t modifiers) {
  Send(frame, SEvent::EType::ButtonPress, x, y, modifiers, L);
}
void MoveTo(VSTGUI::CFrame* frame, int x, int y, std::uint32_t modifiers) {
  Send(frame, SEvent::EType::MouseMove, x, y, L | modifiers);
}
void ReleaseAt(VSTGUI::CFrame* frame, int x, int y, std::uint32_t modifiers) {
  Send(frame, SEvent::EType::ButtonRelease, x, y, L | modifiers, L);
}
void ClickAt(VSTGUI::CFrame* frame, int x, int y, std::uint32_t modifiers) {
  PressAt(frame, x, y, modifiers);
  ReleaseAt(frame, x, y, modifiers);
}
void HoverAt(VSTGUI::CFrame* frame, int x, int y) { Send(frame, SEvent::EType::MouseMove, x, y); }
void LeaveFrame(VSTGUI::CFrame* frame) { Send(frame, SEvent::EType::PointerLeft, 0, 0); }
void WheelAt(VSTGUI::CFrame* frame, int x, int y, float distance, std::uint32_t modifiers) {
  Send(frame, SEvent::EType::Wheel, x, y, modifiers, 0, distance);
}
void PressKey(VSTGUI::CFrame* frame, platform::EKey key, const char* text) {
  SEvent e;
  e.type = SEvent::EType::KeyPress;
  e.key = key;
  std::snprintf(e.text, sizeof e.text, "%s", text);
  frame->handleEvent(e);
}
void TypeAndReturn(VSTGUI::CFrame* frame, const char* text) {
  for (const char* c = text; *c; ++c) {
    const char one[2] = {*c, '\0'};
    PressKey(frame, platform::EKey::None, one);
  }
  PressKey(frame, platform::EKey::Return);
}
