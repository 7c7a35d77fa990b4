// The noise loop with AVX2: 32-bit multiplies and maxima in one instruction.
#define NOISE_FUNCTION AddAntiDenormalNoiseAvx2
#include "widener/SpanoraNoiseAdd.inc"
