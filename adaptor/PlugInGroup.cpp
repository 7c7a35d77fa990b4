#include "adaptor/PlugInGroup.h"

#include <algorithm>
#include <cstdio>

#include "Helpers/ErrorReport.h"
#include "adaptor/AdaptorInstance.h"
#include "adaptor/HostLibrary.h"
#include "adaptor/PlugInAbi.h"

CPlugInGroup::~CPlugInGroup() { Release(); }

std::int32_t CPlugInGroup::Initialize() {
  return kiv::Guard(KIV_SIGNATURE, std::int32_t{PI_ERR_CANNOT_CREATE_GROUP}, [&]() -> std::int32_t {
    const SHostServices& host = CHostLibrary::Get().Services();
    std::int32_t failGroup = 0;
    if (host.gestalt && host.gestalt(PI_GESTALT_TEST_FAIL_GROUP, &failGroup) == 0 && failGroup != 0) {
      return PI_ERR_CANNOT_CREATE_GROUP;
    }
    for (const SChannelFormat& format : ChannelFormats()) {
      if (!IsFormatServed(format, EFFECT_INPUTS, EFFECT_OUTPUTS)) continue;
      for (const bool audioSuite : {true, false}) {
        PiEffectTypeInfo info{};
        info.kind = audioSuite ? PI_KIND_AUDIOSUITE : PI_KIND_RTAS;
        info.typeCode = audioSuite ? format.audioSuiteType : format.rtasType;
        info.inputCode = format.inputCode;
        info.outputCode = format.outputCode;
        info.inputChannels = format.inputChannels;
        info.outputChannels = format.outputChannels;
        std::snprintf(info.name, sizeof info.name, "%s (%s)", PLUGIN_NAME, format.name);
        std::snprintf(info.pageTable, sizeof info.pageTable, "%s", PLUGIN_PAGE_TABLE);
        std::snprintf(info.manufacturer, sizeof info.manufacturer, "%s", PLUGIN_MANUFACTURER);
        if (host.registerEffectType) {
          if (host.registerEffectType(&info) != 0) {
            Release();
            return PI_ERR_CANNOT_CREATE_GROUP;
          }
          m_HostTypes.push_back(info.typeCode);
        }
        m_Types.push_back(info.typeCode);
      }
    }
    return PI_NO_ERR;
  });
}

void CPlugInGroup::Release() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    const SHostServices& host = CHostLibrary::Get().Services();
    if (host.unregisterEffectType) {
      for (const std::uint32_t type : m_HostTypes) host.unregisterEffectType(type);
    }
    m_HostTypes.clear();
    m_Types.clear();
  });
}

bool CPlugInGroup::IsTypeRegistered(std::uint32_t typeCode) const {
  return std::find(m_Types.begin(), m_Types.end(), typeCode) != m_Types.end();
}

CAdaptorInstance* CPlugInGroup::CreateInstance(std::uint32_t typeCode, void* hostCookie, double sampleRate,
                                               std::int32_t maxFrames) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<CAdaptorInstance*>(nullptr), [&]() -> CAdaptorInstance* {
    bool audioSuite = false;
    const SChannelFormat* format = FindChannelFormat(typeCode, &audioSuite);
    if (format == nullptr || !IsTypeRegistered(typeCode)) return nullptr;
    return CAdaptorInstance::Create(*format, audioSuite, hostCookie, sampleRate, maxFrames);
  });
}
