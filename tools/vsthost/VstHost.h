#pragma once
// Our own VST 2.x host: loads one plug-in module, creates its effect through
// VSTPluginMain and drives it through the dispatcher and the AEffect's
// parameter and processing pointers only, as any host would. Closes the
// effect and unloads the module on destruction.
//
// Every operation is safe to call without a loaded effect (it then does
// nothing and answers 0, false or an empty string).
#include <cstdint>
#include <string>
#include <vector>

#include "Helpers/Vst/AEffect.h"
#include "tools/vsthost/HostEnvironment.h"

namespace vsthost {

class CVstHost {
 public:
  // The vendor-specific request (effVendorSpecific, index 'KeyN') for a
  // parameter's key name: value = parameter index, ptr = KEY_BUFFER_SIZE
  // bytes; the plug-in answers 1 when it wrote a key.
  static constexpr std::int32_t KEY_NAME_REQUEST = vst::FourCC('K', 'e', 'y', 'N');
  static constexpr std::size_t KEY_BUFFER_SIZE = 64;
  static constexpr std::size_t STRING_BUFFER_SIZE = 256;

  CVstHost() = default;
  ~CVstHost();
  CVstHost(const CVstHost&) = delete;
  CVstHost& operator=(const CVstHost&) = delete;

  // Loads the module (dlopen, RTLD_NOW | RTLD_LOCAL) and creates its effect;
  // a previously loaded one is closed first. False with GetError() set when
  // the file cannot be loaded, has no VSTPluginMain, or that returns null or
  // a record without the VST magic.
  bool Load(const std::string& path) noexcept;
  // Creates the effect through an entry point linked into this program, for
  // tools that also need the effect's own objects (an editor drawn
  // offscreen); name stands in for the module's path in messages. The same
  // checks as Load apply.
  bool Create(vst::PluginEntry entry, const std::string& name) noexcept;
  bool IsLoaded() const noexcept { return m_pEffect != nullptr; }
  const std::string& GetError() const noexcept { return m_sError; }
  const std::string& GetPath() const noexcept { return m_sPath; }
  CHostEnvironment& Host() noexcept { return m_host; }
  vst::AEffect* GetEffect() const noexcept { return m_pEffect; }

  // Life cycle.
  void Open() noexcept;                        // effOpen
  void SetSampleRate(float sampleRate) noexcept;  // tells the host environment too
  void SetBlockSize(std::int32_t blockSize) noexcept;
  void SetMainsOn(bool on) noexcept;           // effMainsChanged: resume / suspend
  bool IsMainsOn() const noexcept { return m_bMainsOn; }
  void Close() noexcept;                       // mains off, effClose, unload

  // Identity: the dispatcher's strings and the AEffect record's fields.
  std::string GetEffectName() noexcept;
  std::string GetVendorString() noexcept;
  std::string GetProductString() noexcept;
  std::int32_t GetVendorVersion() noexcept;
  std::int32_t GetPlugCategory() noexcept;
  std::int32_t GetUniqueId() const noexcept;
  std::int32_t GetVersion() const noexcept;
  std::int32_t GetNumInputs() const noexcept;
  std::int32_t GetNumOutputs() const noexcept;
  std::int32_t GetNumParams() const noexcept;
  std::int32_t GetNumPrograms() const noexcept;
  std::int32_t GetFlags() const noexcept;
  std::int32_t GetInitialDelay() const noexcept;

  // Parameters.
  std::string GetParameterName(std::int32_t index) noexcept;
  std::string GetParameterLabel(std::int32_t index) noexcept;
  std::string GetParameterDisplay(std::int32_t index) noexcept;
  std::string GetParameterKey(std::int32_t index) noexcept;  // empty when the plug-in has none
  float GetParameter(std::int32_t index) noexcept;
  void SetParameter(std::int32_t index, float value) noexcept;

  // Programs.
  std::int32_t GetProgram() noexcept;
  void SetProgram(std::int32_t program) noexcept;
  std::string GetProgramName() noexcept;
  void SetProgramName(const std::string& name) noexcept;
  bool GetProgramNameIndexed(std::int32_t index, std::string* name) noexcept;

  // Audio: channel arrays of GetNumInputs() / GetNumOutputs() buffers.
  // A playing transport moves on by frames after the block.
  void ProcessReplacing(float** inputs, float** outputs, std::int32_t frames) noexcept;

  // State: the chunk of the whole bank (preset = false) or of one program.
  std::vector<std::uint8_t> GetChunk(bool preset) noexcept;
  std::intptr_t SetChunk(const std::vector<std::uint8_t>& chunk, bool preset) noexcept;

  // Any other dispatcher request, passed through unchanged.
  std::intptr_t Dispatch(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0,
                         void* ptr = nullptr, float opt = 0.0f) noexcept;

 private:
  std::string DispatchString(std::int32_t opcode, std::int32_t index);
  // Runs the entry point as the host being loaded; false with m_sError set,
  // and *foreignRecord when it returned a record without the VST magic.
  bool Instantiate(vst::PluginEntry entry, bool* foreignRecord);
  void Unload();

  CHostEnvironment m_host;
  std::string m_sPath;
  std::string m_sError;
  void* m_hModule = nullptr;
  vst::AEffect* m_pEffect = nullptr;
  bool m_bMainsOn = false;
};

}  // namespace vsthost
