// Which IID kernel runs: the rule alone (the kernels are elsewhere), so that
// a host tool can tell which one the plug-in it loads will pick.
#include "widener/SpanoraIidKernel.h"

#include <cstdlib>
#include <cstring>

namespace SpanoraIidKernels {

bool IsAvailable(EIidKernel kernel) {
  switch (kernel) {
    case IID_KERNEL_SSE: return true;
    case IID_KERNEL_AVX2: return __builtin_cpu_supports("avx2");
    case IID_KERNEL_AVX512: return __builtin_cpu_supports("avx512f");
    default: return false;
  }
}

const char* Name(EIidKernel kernel) {
  static const char* const kNames[NUM_IID_KERNELS] = {"sse", "avx2", "avx512"};
  return kernel >= 0 && kernel < NUM_IID_KERNELS ? kNames[kernel] : "none";
}

EIidKernel Default() {
  static const EIidKernel chosen = [] {
    if (const char* wanted = std::getenv("SPANORA_KERNEL")) {
      for (int k = 0; k < NUM_IID_KERNELS; ++k) {
        const auto kernel = static_cast<EIidKernel>(k);
        if (std::strcmp(wanted, Name(kernel)) == 0 && IsAvailable(kernel)) return kernel;
      }
    }
    for (int k = NUM_IID_KERNELS - 1; k > 0; --k) {
      if (IsAvailable(static_cast<EIidKernel>(k))) return static_cast<EIidKernel>(k);
    }
    return IID_KERNEL_SSE;
  }();
  return chosen;
}

}  // namespace SpanoraIidKernels
