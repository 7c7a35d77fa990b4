#pragma once
// The module's open/close life cycle. The open procedure is reference
// counted: only the first open acts (registers the resource byte-swap
// callback for the module's ".rsr" file, then creates the plug-in group
// through NewPlugIn, undoing the registration if that fails); only the last
// close releases the group and the registration. Closing more often than
// opening does nothing.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "adaptor/PlugInGroup.h"
#include "adaptor/host/StandInHost.h"

class CAdaptorModule {
 public:
  // The process-wide module.
  static CAdaptorModule& Get();
  CAdaptorModule() = default;
  ~CAdaptorModule();
  CAdaptorModule(const CAdaptorModule&) = delete;
  CAdaptorModule& operator=(const CAdaptorModule&) = delete;

  // Load time: hands the procedures to the host library when the process has
  // one, else opens at once. True when the host took them.
  bool OnLoad(PiOpenProc open, PiCloseProc close);
  // At unload: takes the procedures back from the host.
  void OnUnload();

  // PI_ERR_WRONG_OPEN_CODE unless code is PI_OPEN_CODE; else Open().
  std::int16_t WinPlugInOpen(std::int32_t code);
  std::int16_t Open();
  void Close();
  // Creates the group if there is none: PI_ERR_CANNOT_CREATE_GROUP, or the
  // group's initialisation result with its low 16 bits cleared.
  std::int32_t NewPlugIn();

  std::int32_t OpenCount() const;
  bool HasGroup() const;
  std::int32_t TypeCount() const;
  std::string ResourceFile() const;
  CAdaptorInstance* CreateInstance(std::uint32_t typeCode, void* hostCookie, double sampleRate,
                                   std::int32_t maxFrames);

 private:
  std::int32_t NewPlugInLocked();
  void ReleaseLocked();

  mutable std::mutex m_Lock;
  std::int32_t m_nOpenCount = 0;
  std::int32_t m_nSwapperHandle = 0;
  std::unique_ptr<CPlugInGroup> m_pGroup;
  std::string m_ResourceFile;
};

// The module's own file, as the loader knows it (empty if unknown).
std::string ModuleFileName();
