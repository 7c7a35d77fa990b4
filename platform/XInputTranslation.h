#pragma once
// Pure translations from X input to the plain values of GLSurface.h: modifier
// and button state, mouse buttons, special keys, and key symbols to UTF-8.
#include <cstddef>
#include <cstdint>

#include "platform/GLSurface.h"

namespace platform {

// EInputState bits from an X event's state field.
std::uint32_t TranslateState(unsigned int xState) noexcept;
// The EInputState bit of X buttons 1 to 3, 0 for any other.
std::uint32_t TranslateButton(unsigned int xButton) noexcept;
// +1 for X button 4 (wheel up), -1 for 5 (down), 0 otherwise.
float TranslateWheel(unsigned int xButton) noexcept;
// The special key of a key symbol, EKey::None for a key that may carry text.
// Include this header before any X header: X defines None as a macro.
EKey TranslateKeySym(unsigned long keySym) noexcept;
// The UTF-8 text of a key symbol that stands for one character (Latin-1 and
// the Unicode range of key symbols); writes at most 4 bytes plus the NUL and
// returns the byte count, 0 when the symbol has no character or a control one.
std::size_t KeySymToUtf8(unsigned long keySym, char (&text)[8]) noexcept;
// Length of the UTF-8 sequence that starts with this byte (1 for a stray byte).
std::size_t Utf8SequenceLength(unsigned char lead) noexcept;

}  // namespace platform
