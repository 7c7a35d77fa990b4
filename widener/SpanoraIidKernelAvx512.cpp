// The skewed IID kernel, 16 floats a register.
#define IID_KERNEL_WIDTH 16
#define IID_KERNEL_FUNCTION IidKernelAvx512
#include "widener/SpanoraIidKernel.inc"
