// The skewed IID kernel, 8 floats a register.
#define IID_KERNEL_WIDTH 8
#define IID_KERNEL_FUNCTION IidKernelAvx2
#include "widener/SpanoraIidKernel.inc"
