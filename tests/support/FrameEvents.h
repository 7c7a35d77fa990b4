#pragma once
// Synthetic input through a frame's event entry: the plain events the window
// layer delivers, so views can be driven with no X server. The pointer
// functions act with the left button; modifiers are platform key masks.
#include <cstdint>

#include "platform/GLSurface.h"

namespace VSTGUI {
class CFrame;
}

void PressAt(VSTGUI::CFrame* frame, int x, int y, std::uint32_t modifiers = 0);
// A move with the left button held (a drag step).
void MoveTo(VSTGUI::CFrame* frame, int x, int y, std::uint32_t modifiers = 0);
void ReleaseAt(VSTGUI::CFrame* frame, int x, int y, std::uint32_t modifiers = 0);
void ClickAt(VSTGUI::CFrame* frame, int x, int y, std::uint32_t modifiers = 0);
// A move with no button held.
void HoverAt(VSTGUI::CFrame* frame, int x, int y);
void LeaveFrame(VSTGUI::CFrame* frame);
void WheelAt(VSTGUI::CFrame* frame, int x, int y, float distance, std::uint32_t modifiers = 0);
void PressKey(VSTGUI::CFrame* frame, platform::EKey key, const char* text = "");
// Each character as a key press, then Return.
void TypeAndReturn(VSTGUI::CFrame* frame, const char* text);
