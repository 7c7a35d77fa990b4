// The skewed IID kernel, 4 floats a register.
#define IID_KERNEL_WIDTH 4
#define IID_KERNEL_FUNCTION IidKernelSse
#include "widener/SpanoraIidKernel.inc"
