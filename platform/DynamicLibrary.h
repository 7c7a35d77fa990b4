#pragma once
// Shared libraries of the process.

namespace platform {

// Keeps the library of that file name loaded until the process ends, if it
// is loaded now; nothing otherwise. For libraries whose caches must outlive
// a module that the host unloads.
void PinLoadedLibrary(const char* fileName) noexcept;

}  // namespace platform
