#pragma once
// The plug-in group: announces the effect types of every channel format the
// widener serves (one AudioSuite, one RTAS type each) and builds instances
// of them.
#include <cstdint>
#include <vector>

#include "adaptor/ChannelFormats.h"

class CAdaptorInstance;

constexpr const char* PLUGIN_NAME = "Tarnwell Spanora3";  // the effect's getEffectName
constexpr const char* PLUGIN_PAGE_TABLE = "MonoPageTables";
constexpr const char* PLUGIN_MANUFACTURER = "Tarnwell Audio\nTarnwell\n";
constexpr int EFFECT_INPUTS = 2;  // the widener's AEffect counts
constexpr int EFFECT_OUTPUTS = 2;

class CPlugInGroup {
 public:
  CPlugInGroup() = default;
  ~CPlugInGroup();
  CPlugInGroup(const CPlugInGroup&) = delete;
  CPlugInGroup& operator=(const CPlugInGroup&) = delete;

  // Registers the types with the host (when there is one). 0, or a negative
  // code with nothing left registered.
  std::int32_t Initialize();
  // Withdraws every type from the host.
  void Release();
  std::int32_t TypeCount() const { return static_cast<std::int32_t>(m_Types.size()); }
  bool IsTypeRegistered(std::uint32_t typeCode) const;
  // Null for a type this group did not register or when the effect cannot be built.
  CAdaptorInstance* CreateInstance(std::uint32_t typeCode, void* hostCookie, double sampleRate,
                                   std::int32_t maxFrames);

 private:
  std::vector<std::uint32_t> m_Types;
  std::vector<std::uint32_t> m_HostTypes;  // the subset the host accepted
};
