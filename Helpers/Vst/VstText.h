#pragma once
// Text conventions VST hosts expect from an effect.
#include <cstddef>

namespace vst {

// Fixed-point text of at most `maxLength` (normally 8) characters: the integer
// digits, a point, then fraction digits until the text is full, truncated
// rather than rounded (1.0 -> "1.000000", 12.5 -> "12.50000"). "Huge!" when
// the integer part alone would not fit.
void float2string(float value, char* text, int maxLength);

// Copies at most `maxLength` characters and always terminates
// (the destination holds maxLength + 1 bytes).
char* vst_strncpy(char* destination, const char* source, std::size_t maxLength);

}  // namespace vst
