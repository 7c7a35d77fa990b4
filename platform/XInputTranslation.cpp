#include "platform/XInputTranslation.h"

#include <X11/X.h>
#include <X11/keysym.h>

namespace platform {

std::uint32_t TranslateState(unsigned int xState) noexcept {
  std::uint32_t state = 0;
  if (xState & Button1Mask) state |= kLeftButton;
  if (xState & Button2Mask) state |= kMiddleButton;
  if (xState & Button3Mask) state |= kRightButton;
  if (xState & ShiftMask) state |= kShiftKey;
  if (xState & ControlMask) state |= kControlKey;
  if (xState & Mod1Mask) state |= kAltKey;
  return state;
}

std::uint32_t TranslateButton(unsigned int xButton) noexcept {
  switch (xButton) {
    case Button1: return kLeftButton;
    case Button2: return kMiddleButton;
    case Button3: return kRightButton;
    default: return 0;
  }
}

float TranslateWheel(unsigned int xButton) noexcept {
  if (xButton == Button4) return 1.0f;
  if (xButton == Button5) return -1.0f;
  return 0.0f;
}

EKey TranslateKeySym(unsigned long keySym) noexcept {
  switch (keySym) {
    case XK_Return: case XK_KP_Enter: case XK_ISO_Enter: return EKey::Return;
    case XK_Escape: return EKey::Escape;
    case XK_BackSpace: return EKey::BackSpace;
    case XK_Delete: case XK_KP_Delete: return EKey::Delete;
    case XK_Tab: case XK_KP_Tab: case XK_ISO_Left_Tab: return EKey::Tab;
    case XK_Left: case XK_KP_Left: return EKey::Left;
    case XK_Right: case XK_KP_Right: return EKey::Right;
    case XK_Up: case XK_KP_Up: return EKey::Up;
    case XK_Down: case XK_KP_Down: return EKey::Down;
    case XK_Home: case XK_KP_Home: return EKey::Home;
    case XK_End: case XK_KP_End: return EKey::End;
    case XK_Prior: case XK_KP_Prior: return EKey::PageUp;
    case XK_Next: case XK_KP_Next: return EKey::PageDown;
    default: return EKey{};  // EKey::None (X defines None as a macro)
  }
}

std::size_t KeySymToUtf8(unsigned long keySym, char (&text)[8]) noexcept {
  std::uint32_t code = 0;
  if ((keySym >= 0x20 && keySym <= 0x7e) || (keySym >= 0xa0 && keySym <= 0xff)) {
    code = static_cast<std::uint32_t>(keySym);  // Latin-1 key symbols are their code points
  } else if ((keySym & 0xff000000ul) == 0x01000000ul) {
    code = static_cast<std::uint32_t>(keySym & 0x00fffffful);
  } else if (keySym >= XK_KP_0 && keySym <= XK_KP_9) {
    code = static_cast<std::uint32_t>('0' + (keySym - XK_KP_0));
  }
  if (code < 0x20 || (code >= 0x7f && code < 0xa0) || code > 0x10ffff) {
    text[0] = '\0';
    return 0;
  }
  std::size_t n = 0;
  if (code < 0x80) {
    text[n++] = static_cast<char>(code);
  } else if (code < 0x800) {
    text[n++] = static_cast<char>(0xc0 | (code >> 6));
    text[n++] = static_cast<char>(0x80 | (code & 0x3f));
  } else if (code < 0x10000) {
    text[n++] = static_cast<char>(0xe0 | (code >> 12));
    text[n++] = static_cast<char>(0x80 | ((code >> 6) & 0x3f));
    text[n++] = static_cast<char>(0x80 | (code & 0x3f));
  } else {
    text[n++] = static_cast<char>(0xf0 | (code >> 18));
    text[n++] = static_cast<char>(0x80 | ((code >> 12) & 0x3f));
    text[n++] = static_cast<char>(0x80 | ((code >> 6) & 0x3f));
    text[n++] = static_cast<char>(0x80 | (code & 0x3f));
  }
  text[n] = '\0';
  return n;
}

std::size_t Utf8SequenceLength(unsigned char lead) noexcept {
  if (lead >= 0xf0 && lead < 0xf8) return 4;
  if (lead >= 0xe0) return lead < 0xf0 ? 3 : 1;
  if (lead >= 0xc0) return 2;
  return 1;
}

}  // namespace platform
