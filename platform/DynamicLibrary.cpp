#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

namespace platform {

void PinLoadedLibrary(const char* fileName) noexcept {
  if (!fileName) return;
  // NOLOAD finds it only if loaded; NODELETE then keeps it past the last close.
  if (void* handle = ::dlopen(fileName, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE)) ::dlclose(handle);
}

}  // namespace platform
