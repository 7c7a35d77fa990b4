#include "adaptor/HostLibrary.h"

#include <dlfcn.h>

#include <mutex>

#include "Helpers/ErrorReport.h"

namespace {

template <class F>
void Resolve(void* handle, const char* name, F* slot) {
  void* symbol = handle ? dlsym(handle, name) : nullptr;
  if (symbol == nullptr) symbol = dlsym(RTLD_DEFAULT, name);
  *slot = reinterpret_cast<F>(symbol);
}

}  // namespace

CHostLibrary& CHostLibrary::Get() {
  static CHostLibrary library;
  return library;
}

CHostLibrary::~CHostLibrary() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_pHandle) dlclose(m_pHandle);
    m_pHandle = nullptr;
  });
}

bool CHostLibrary::Attach() {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    std::lock_guard<std::mutex> hold(m_Lock);
    // Once found, the services stay as they are: instances read them without a lock.
    if (m_Services.setPlugInOpenAndCloseProcs != nullptr) return true;
    // RTLD_NOLOAD: a reference to the host's copy if it is there, never a load of our own.
    if (m_pHandle == nullptr) m_pHandle = dlopen(SPANORA_STANDIN_HOST_SONAME, RTLD_NOW | RTLD_NOLOAD);
    Resolve(m_pHandle, "SetPlugInOpenAndCloseProcs", &m_Services.setPlugInOpenAndCloseProcs);
    Resolve(m_pHandle, "DAE_RegisterEffectType", &m_Services.registerEffectType);
    Resolve(m_pHandle, "DAE_UnregisterEffectType", &m_Services.unregisterEffectType);
    Resolve(m_pHandle, "DAE_Gestalt", &m_Services.gestalt);
    Resolve(m_pHandle, "DAE_ControlChanged", &m_Services.controlChanged);
    Resolve(m_pHandle, "DigiExt_RegisterResourceSwapper", &m_Services.registerResourceSwapper);
    Resolve(m_pHandle, "DigiExt_UnregisterResourceSwapper", &m_Services.unregisterResourceSwapper);
    return m_Services.setPlugInOpenAndCloseProcs != nullptr;
  });
}
