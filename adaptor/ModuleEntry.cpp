// The module's exported entry points and its load/unload hooks; the version
// script keeps every other symbol inside.
#include <cstdint>

#include "Helpers/ErrorReport.h"
#include "adaptor/AdaptorModule.h"
#include "adaptor/HostLibrary.h"
#include "adaptor/PlugInAbi.h"
#include "adaptor/PlugInRoutines.h"

#define PI_EXPORT extern "C" __attribute__((visibility("default")))

PI_EXPORT int16_t WinPlugInOpen(int32_t code) { return CAdaptorModule::Get().WinPlugInOpen(code); }

PI_EXPORT void WinPlugInClose(void) { CAdaptorModule::Get().Close(); }

PI_EXPORT int32_t NewPlugIn(int32_t) { return CAdaptorModule::Get().NewPlugIn(); }

PI_EXPORT void* _PI_GetRoutineDescriptor(int32_t selector) { return GetPlugInRoutine(selector); }

namespace {

int16_t OpenProcedure() { return CAdaptorModule::Get().Open(); }
void CloseProcedure() { CAdaptorModule::Get().Close(); }

// Stands in for process attach: runs when the loader maps the module.
__attribute__((constructor)) void OnModuleAttach() {
  kiv::Guard(KIV_SIGNATURE, [] {
    CHostLibrary::Get();  // built first, so it is torn down after the module it serves
    CAdaptorModule::Get().OnLoad(&OpenProcedure, &CloseProcedure);
  });
}

// Process detach: the host must not keep procedures that are about to be unmapped.
__attribute__((destructor)) void OnModuleDetach() {
  kiv::Guard(KIV_SIGNATURE, [] { CAdaptorModule::Get().OnUnload(); });
}

}  // namespace
