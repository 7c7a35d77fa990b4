#pragma once
// The host library as the module sees it: looked up in the process, never
// loaded by us, so the module still opens on its own when no such host is
// present. Services the host lacks stay null and their callers skip them.
#include <mutex>

#include "adaptor/host/StandInHost.h"

struct SHostServices {
  decltype(&SetPlugInOpenAndCloseProcs) setPlugInOpenAndCloseProcs = nullptr;
  decltype(&DAE_RegisterEffectType) registerEffectType = nullptr;
  decltype(&DAE_UnregisterEffectType) unregisterEffectType = nullptr;
  decltype(&DAE_Gestalt) gestalt = nullptr;
  decltype(&DAE_ControlChanged) controlChanged = nullptr;
  decltype(&DigiExt_RegisterResourceSwapper) registerResourceSwapper = nullptr;
  decltype(&DigiExt_UnregisterResourceSwapper) unregisterResourceSwapper = nullptr;
};

class CHostLibrary {
 public:
  // The process-wide instance; its first use should precede the module's
  // own singletons so that it outlives them at unload.
  static CHostLibrary& Get();
  ~CHostLibrary();

  // Looks for the already loaded host library (by its soname, then among
  // the process's global symbols) and resolves its services. True when the
  // open/close hand-over routine was found. Cheap once it has succeeded.
  bool Attach();
  const SHostServices& Services() const { return m_Services; }

 private:
  CHostLibrary() = default;
  std::mutex m_Lock;
  void* m_pHandle = nullptr;
  SHostServices m_Services;
};
