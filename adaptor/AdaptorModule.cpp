#include "adaptor/AdaptorModule.h"

#include <dlfcn.h>

#include <new>

#include "Helpers/ErrorReport.h"
#include "adaptor/HostLibrary.h"
#include "adaptor/PlugInAbi.h"
#include "adaptor/ResourceSwap.h"

std::string ModuleFileName() {
  return kiv::Guard(KIV_SIGNATURE, std::string{}, [] {
    Dl_info info{};
    // Any function of ours names the object it lives in.
    if (dladdr(reinterpret_cast<void*>(&ModuleFileName), &info) == 0 || info.dli_fname == nullptr) {
      return std::string{};
    }
    return std::string(info.dli_fname);
  });
}

CAdaptorModule& CAdaptorModule::Get() {
  static CAdaptorModule module;
  return module;
}

CAdaptorModule::~CAdaptorModule() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    std::lock_guard<std::mutex> hold(m_Lock);
    ReleaseLocked();
  });
}

bool CAdaptorModule::OnLoad(PiOpenProc open, PiCloseProc close) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    CHostLibrary& host = CHostLibrary::Get();
    if (host.Attach()) {
      host.Services().setPlugInOpenAndCloseProcs(open, close);
      return true;
    }
    Open();
    return false;
  });
}

void CAdaptorModule::OnUnload() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    const SHostServices& host = CHostLibrary::Get().Services();
    if (host.setPlugInOpenAndCloseProcs) host.setPlugInOpenAndCloseProcs(nullptr, nullptr);
  });
}

std::int16_t CAdaptorModule::WinPlugInOpen(std::int32_t code) {
  return kiv::Guard(KIV_SIGNATURE, std::int16_t{PI_ERR_WRONG_OPEN_CODE}, [&]() -> std::int16_t {
    if (code != PI_OPEN_CODE) return PI_ERR_WRONG_OPEN_CODE;
    return Open();
  });
}

std::int16_t CAdaptorModule::Open() {
  return kiv::Guard(KIV_SIGNATURE, std::int16_t{PI_ERR_CANNOT_CREATE_GROUP}, [&]() -> std::int16_t {
    std::lock_guard<std::mutex> hold(m_Lock);
    if (m_nOpenCount > 0) {
      ++m_nOpenCount;
      return PI_NO_ERR;
    }
    CHostLibrary& host = CHostLibrary::Get();
    host.Attach();
    m_ResourceFile = ModuleFileName() + ".rsr";
    if (host.Services().registerResourceSwapper) {
      const std::int32_t handle =
          host.Services().registerResourceSwapper(m_ResourceFile.c_str(), &SwapResourceFromBigEndian);
      m_nSwapperHandle = handle > 0 ? handle : 0;
    }
    const std::int32_t result = NewPlugInLocked();
    if (result != PI_NO_ERR) {
      ReleaseLocked();
      return static_cast<std::int16_t>(result);
    }
    m_nOpenCount = 1;
    return PI_NO_ERR;
  });
}

void CAdaptorModule::Close() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    std::lock_guard<std::mutex> hold(m_Lock);
    if (m_nOpenCount == 0) return;
    if (--m_nOpenCount == 0) ReleaseLocked();
  });
}

std::int32_t CAdaptorModule::NewPlugIn() {
  return kiv::Guard(KIV_SIGNATURE, std::int32_t{PI_ERR_CANNOT_CREATE_GROUP}, [&] {
    std::lock_guard<std::mutex> hold(m_Lock);
    return NewPlugInLocked();
  });
}

std::int32_t CAdaptorModule::NewPlugInLocked() {
  if (m_pGroup) return PI_NO_ERR;
  std::unique_ptr<CPlugInGroup> group(new (std::nothrow) CPlugInGroup);
  if (!group) return PI_ERR_CANNOT_CREATE_GROUP;
  // A group that cannot initialise counts as not created.
  const std::int32_t init = group->Initialize();
  if (init < 0) return PI_ERR_CANNOT_CREATE_GROUP;
  m_pGroup = std::move(group);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(init) & 0xFFFF0000u);
}

void CAdaptorModule::ReleaseLocked() {
  if (m_pGroup) {
    m_pGroup->Release();
    m_pGroup.reset();
  }
  const SHostServices& host = CHostLibrary::Get().Services();
  if (m_nSwapperHandle > 0 && host.unregisterResourceSwapper) host.unregisterResourceSwapper(m_nSwapperHandle);
  m_nSwapperHandle = 0;
}

std::int32_t CAdaptorModule::OpenCount() const {
  return kiv::Guard(KIV_SIGNATURE, std::int32_t{0}, [&] {
    std::lock_guard<std::mutex> hold(m_Lock);
    return m_nOpenCount;
  });
}

bool CAdaptorModule::HasGroup() const {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    std::lock_guard<std::mutex> hold(m_Lock);
    return m_pGroup != nullptr;
  });
}

std::int32_t CAdaptorModule::TypeCount() const {
  return kiv::Guard(KIV_SIGNATURE, std::int32_t{0}, [&] {
    std::lock_guard<std::mutex> hold(m_Lock);
    return m_pGroup ? m_pGroup->TypeCount() : 0;
  });
}

std::string CAdaptorModule::ResourceFile() const {
  return kiv::Guard(KIV_SIGNATURE, std::string{}, [&] {
    std::lock_guard<std::mutex> hold(m_Lock);
    return m_ResourceFile;
  });
}

CAdaptorInstance* CAdaptorModule::CreateInstance(std::uint32_t typeCode, void* hostCookie, double sampleRate,
                                                 std::int32_t maxFrames) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<CAdaptorInstance*>(nullptr), [&]() -> CAdaptorInstance* {
    std::lock_guard<std::mutex> hold(m_Lock);
    return m_pGroup ? m_pGroup->CreateInstance(typeCode, hostCookie, sampleRate, maxFrames) : nullptr;
  });
}
