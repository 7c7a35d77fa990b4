#pragma once
// Kernels of the IID band chain. The chain is skewed across samples: at step
// t band k works on sample t - k, so the bands of one step are independent
// and share wide registers (four filters a band: notch L, R, band-pass L, R).
// Each run fills and drains the skew, so nothing is delayed, and lane by lane
// every kernel does exactly the scalar arithmetic: all give the same bits.
#include "widener/SpanoraTiming.h"

// Bands in lanes of four, in chain order; twelve band slots cover eleven
// bands and make whole registers of every width.
constexpr int IID_KERNEL_LANES = 48;

struct SIidLanes {
  alignas(64) float a0[IID_KERNEL_LANES];
  alignas(64) float a1[IID_KERNEL_LANES];
  alignas(64) float a2[IID_KERNEL_LANES];
  alignas(64) float b1[IID_KERNEL_LANES];
  alignas(64) float b2[IID_KERNEL_LANES];
  alignas(64) float x1[IID_KERNEL_LANES];
  alignas(64) float x2[IID_KERNEL_LANES];
  alignas(64) float y1[IID_KERNEL_LANES];
  alignas(64) float y2[IID_KERNEL_LANES];
  alignas(64) float fade[IID_KERNEL_LANES];  // the band's fade in all four of its lanes
  alignas(64) float step[IID_KERNEL_LANES];
  alignas(64) float acceleration[IID_KERNEL_LANES];
  int bands = 0;  // 1 ... NUM_BAND_SLOTS
  // The run's input, sample s at 4 * (REVERSED_END - s) as {0, 0, left,
  // right}, newest first, so that a register's bands, which lag one sample
  // each, find their band-pass inputs in one load; two floats further on,
  // the same load gives what enters the first band {left, right, 0, 0}
  // (remainders, empty sums). Samples before the run stay 0 (their bands are
  // idle); the kernel zeroes those after it.
  static constexpr int MOST_LAG = NUM_BAND_SLOTS + 4;
  static constexpr int REVERSED_END = GAIN_SAMPLES + MOST_LAG;
  static constexpr int REVERSED_LENGTH = 4 * (REVERSED_END + MOST_LAG + 1) + 16;
  alignas(64) float reversed[REVERSED_LENGTH] = {};
};

// y = wI * (remainder + parallel sum) + (1 - wI) * x over n <= GAIN_SAMPLES
// samples; the lanes' state and fades move on by n samples.
using IidKernel = void (*)(SIidLanes& lanes, const float* const x[2], float* const y[2], int n, float wI);

enum EIidKernel { IID_KERNEL_SSE, IID_KERNEL_AVX2, IID_KERNEL_AVX512, NUM_IID_KERNELS };

namespace SpanoraIidKernels {
// Whether this CPU (and build) can run the kernel.
bool IsAvailable(EIidKernel kernel);
const char* Name(EIidKernel kernel);
IidKernel Get(EIidKernel kernel);
// The widest available kernel, unless SPANORA_KERNEL names another available
// one ("sse", "avx2", "avx512"). Worked out once.
EIidKernel Default();
}  // namespace SpanoraIidKernels

void IidKernelSse(SIidLanes& lanes, const float* const x[2], float* const y[2], int n, float wI);
void IidKernelAvx2(SIidLanes& lanes, const float* const x[2], float* const y[2], int n, float wI);
void IidKernelAvx512(SIidLanes& lanes, const float* const x[2], float* const y[2], int n, float wI);
