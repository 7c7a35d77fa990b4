#include "Helpers/Vst/VstText.h"

#include <cmath>
#include <cstring>

namespace vst {

char* vst_strncpy(char* destination, const char* source, std::size_t maxLength) {
  std::size_t n = 0;
  for (; n < maxLength && source[n] != '\0'; ++n) destination[n] = source[n];
  destination[n] = '\0';
  return destination;
}

void float2string(float value, char* text, int maxLength) {
  if (maxLength <= 0) {
    if (maxLength == 0) text[0] = '\0';
    return;
  }
  double v = value;
  const bool negative = v < 0;
  if (negative) v = -v;
  if (!std::isfinite(v) || v > (negative ? 9999999.0 : 99999999.0)) {
    vst_strncpy(text, "Huge!", static_cast<std::size_t>(maxLength));
    return;
  }

  char integerDigits[16];
  int count = 0;
  double integer = std::floor(v);
  do {
    integerDigits[count++] = static_cast<char>('0' + static_cast<int>(std::fmod(integer, 10.0)));
    integer = std::floor(integer / 10.0);
  } while (integer >= 1.0 && count < 15);

  char out[32];
  int length = 0;
  if (negative) out[length++] = '-';
  for (int i = count - 1; i >= 0; --i) out[length++] = integerDigits[i];
  out[length++] = '.';

  // Fraction digits fill the text up to eight characters, truncated.
  constexpr int kWidth = 8;
  double fraction = v - std::floor(v);
  while (length < kWidth) {
    fraction *= 10.0;
    const int digit = static_cast<int>(std::floor(fraction));
    out[length++] = static_cast<char>('0' + (digit > 9 ? 9 : digit));
    fraction -= digit;
  }
  out[length] = '\0';
  vst_strncpy(text, out, static_cast<std::size_t>(maxLength));
}

}  // namespace vst
