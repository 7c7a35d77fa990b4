#include "tools/vsthost/VstHost.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <utility>

#include "Helpers/ErrorReport.h"

namespace vsthost {
namespace {

// The callback learns which host a request belongs to from the effect
// pointer. While VSTPluginMain runs the effect is not known yet (and its
// constructor may already ask for the host's version or name, possibly from
// a thread it starts), so requests from unknown effects go to the host that
// is loading; loads are serialised to keep that unambiguous. The AEffect's
// own fields are left alone, so nothing is written that the plug-in's
// threads could be reading.
std::mutex g_loadMutex;
std::mutex g_routeMutex;
CHostEnvironment* g_pLoading = nullptr;
std::vector<std::pair<const vst::AEffect*, CHostEnvironment*>> g_routes;

CHostEnvironment* Route(const vst::AEffect* effect) {
  std::lock_guard lock(g_routeMutex);
  for (const auto& [known, host] : g_routes)
    if (known == effect) return host;
  return g_pLoading;
}

void SetLoading(CHostEnvironment* host) {
  std::lock_guard lock(g_routeMutex);
  g_pLoading = host;
}

void AddRoute(const vst::AEffect* effect, CHostEnvironment* host) {
  std::lock_guard lock(g_routeMutex);
  g_routes.emplace_back(effect, host);
}

void RemoveRoute(const vst::AEffect* effect) {
  std::lock_guard lock(g_routeMutex);
  std::erase_if(g_routes, [effect](const auto& route) { return route.first == effect; });
}

std::intptr_t HostCallback(vst::AEffect* effect, std::int32_t opcode, std::int32_t index, std::intptr_t value,
                           void* ptr, float opt) {
  return kiv::Guard(KIV_SIGNATURE, std::intptr_t{0}, [&]() -> std::intptr_t {
    if (CHostEnvironment* host = Route(effect)) return host->Answer(effect, opcode, index, value, ptr, opt);
    return opcode == vst::audioMasterVersion ? CHostEnvironment::HOST_VST_VERSION : 0;
  });
}

std::string Hex(std::int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(value));
  return text;
}

}  // namespace

CVstHost::~CVstHost() { Close(); }

bool CVstHost::Load(const std::string& path) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    Unload();
    m_sPath = path;
    m_sError.clear();
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
      const char* reason = ::dlerror();
      m_sError = "cannot load '" + path + "': " + (reason ? reason : "unknown error");
      return false;
    }
    ::dlerror();
    auto entry = reinterpret_cast<vst::PluginEntry>(::dlsym(module, "VSTPluginMain"));
    if (!entry) {
      ::dlclose(module);
      m_sError = "'" + path + "' has no VSTPluginMain entry point";
      return false;
    }
    bool foreignRecord = false;
    if (!Instantiate(entry, &foreignRecord)) {
      // Whatever came back cannot be closed safely, so its module stays loaded.
      if (!foreignRecord) ::dlclose(module);
      return false;
    }
    m_hModule = module;
    return true;
  });
}

bool CVstHost::Create(vst::PluginEntry entry, const std::string& name) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    Unload();
    m_sPath = name;
    m_sError.clear();
    bool foreignRecord = false;
    return Instantiate(entry, &foreignRecord);
  });
}

bool CVstHost::Instantiate(vst::PluginEntry entry, bool* foreignRecord) {
  vst::AEffect* effect = nullptr;
  {
    std::lock_guard loading(g_loadMutex);
    SetLoading(&m_host);
    effect = entry(&HostCallback);
    if (effect && effect->magic == vst::kEffectMagic) AddRoute(effect, &m_host);
    SetLoading(nullptr);
  }
  if (!effect) {
    m_sError = "'" + m_sPath + "': VSTPluginMain returned no effect";
    return false;
  }
  if (effect->magic != vst::kEffectMagic) {
    *foreignRecord = true;
    m_sError = "'" + m_sPath + "': VSTPluginMain returned a record without the VST magic (" + Hex(effect->magic) + ")";
    return false;
  }
  m_pEffect = effect;
  return true;
}

void CVstHost::Unload() {
  if (m_pEffect) {
    if (m_bMainsOn) Dispatch(vst::effMainsChanged, 0, 0);
    m_bMainsOn = false;
    Dispatch(vst::effClose);  // the effect deletes itself
    RemoveRoute(m_pEffect);
    m_pEffect = nullptr;
  }
  if (m_hModule) {
    ::dlclose(m_hModule);
    m_hModule = nullptr;
  }
}

void CVstHost::Close() noexcept { kiv::Guard(KIV_SIGNATURE, [&] { Unload(); }); }

void CVstHost::Open() noexcept { Dispatch(vst::effOpen); }

void CVstHost::SetSampleRate(float sampleRate) noexcept {
  m_host.SetSampleRate(sampleRate);
  Dispatch(vst::effSetSampleRate, 0, 0, nullptr, sampleRate);
}

void CVstHost::SetBlockSize(std::int32_t blockSize) noexcept {
  m_host.SetBlockSize(blockSize);
  Dispatch(vst::effSetBlockSize, 0, blockSize);
}

void CVstHost::SetMainsOn(bool on) noexcept {
  if (!m_pEffect) return;
  Dispatch(vst::effMainsChanged, 0, on ? 1 : 0);
  m_bMainsOn = on;
}

std::string CVstHost::DispatchString(std::int32_t opcode, std::int32_t index) {
  char text[STRING_BUFFER_SIZE] = {};
  Dispatch(opcode, index, 0, text);
  text[STRING_BUFFER_SIZE - 1] = '\0';
  return text;
}

std::string CVstHost::GetEffectName() noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::string{}, [&] { return DispatchString(vst::effGetEffectName, 0); });
}

std::string CVstHost::GetVendorString() noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::string{}, [&] { return DispatchString(vst::effGetVendorString, 0); });
}

std::string CVstHost::GetProductString() noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::string{}, [&] { return DispatchString(vst::effGetProductString, 0); });
}

std::int32_t CVstHost::GetVendorVersion() noexcept {
  return static_cast<std::int32_t>(Dispatch(vst::effGetVendorVersion));
}

std::int32_t CVstHost::GetPlugCategory() noexcept {
  return static_cast<std::int32_t>(Dispatch(vst::effGetPlugCategory));
}

std::int32_t CVstHost::GetUniqueId() const noexcept { return m_pEffect ? m_pEffect->uniqueID : 0; }
std::int32_t CVstHost::GetVersion() const noexcept { return m_pEffect ? m_pEffect->version : 0; }
std::int32_t CVstHost::GetNumInputs() const noexcept { return m_pEffect ? m_pEffect->numInputs : 0; }
std::int32_t CVstHost::GetNumOutputs() const noexcept { return m_pEffect ? m_pEffect->numOutputs : 0; }
std::int32_t CVstHost::GetNumParams() const noexcept { return m_pEffect ? m_pEffect->numParams : 0; }
std::int32_t CVstHost::GetNumPrograms() const noexcept { return m_pEffect ? m_pEffect->numPrograms : 0; }
std::int32_t CVstHost::GetFlags() const noexcept { return m_pEffect ? m_pEffect->flags : 0; }
std::int32_t CVstHost::GetInitialDelay() const noexcept { return m_pEffect ? m_pEffect->initialDelay : 0; }

std::string CVstHost::GetParameterName(std::int32_t index) noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::string{}, [&] { return DispatchString(vst::effGetParamName, index); });
}

std::string CVstHost::GetParameterLabel(std::int32_t index) noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::string{}, [&] { return DispatchString(vst::effGetParamLabel, index); });
}

std::string CVstHost::GetParameterDisplay(std::int32_t index) noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::string{}, [&] { return DispatchString(vst::effGetParamDisplay, index); });
}

std::string CVstHost::GetParameterKey(std::int32_t index) noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::string{}, [&] {
    char key[KEY_BUFFER_SIZE] = {};
    if (Dispatch(vst::effVendorSpecific, KEY_NAME_REQUEST, index, key) != 1) return std::string{};
    key[KEY_BUFFER_SIZE - 1] = '\0';
    return std::string(key);
  });
}

float CVstHost::GetParameter(std::int32_t index) noexcept {
  return kiv::Guard(KIV_SIGNATURE, 0.0f, [&] {
    return m_pEffect && m_pEffect->getParameter ? m_pEffect->getParameter(m_pEffect, index) : 0.0f;
  });
}

void CVstHost::SetParameter(std::int32_t index, float value) noexcept {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_pEffect && m_pEffect->setParameter) m_pEffect->setParameter(m_pEffect, index, value);
  });
}

std::int32_t CVstHost::GetProgram() noexcept { return static_cast<std::int32_t>(Dispatch(vst::effGetProgram)); }

void CVstHost::SetProgram(std::int32_t program) noexcept { Dispatch(vst::effSetProgram, 0, program); }

std::string CVstHost::GetProgramName() noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::string{}, [&] { return DispatchString(vst::effGetProgramName, 0); });
}

void CVstHost::SetProgramName(const std::string& name) noexcept {
  kiv::Guard(KIV_SIGNATURE, [&] {
    std::string copy = name;  // the dispatcher takes a mutable pointer
    Dispatch(vst::effSetProgramName, 0, 0, copy.data());
  });
}

bool CVstHost::GetProgramNameIndexed(std::int32_t index, std::string* name) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    char text[STRING_BUFFER_SIZE] = {};
    const bool found = Dispatch(vst::effGetProgramNameIndexed, index, 0, text) != 0;
    text[STRING_BUFFER_SIZE - 1] = '\0';
    if (name) *name = found ? text : "";
    return found;
  });
}

void CVstHost::ProcessReplacing(float** inputs, float** outputs, std::int32_t frames) noexcept {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (!m_pEffect || !m_pEffect->processReplacing) return;
    m_pEffect->processReplacing(m_pEffect, inputs, outputs, frames);
    m_host.AdvanceTime(frames);
  });
}

std::vector<std::uint8_t> CVstHost::GetChunk(bool preset) noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::vector<std::uint8_t>{}, [&] {
    void* data = nullptr;
    const std::intptr_t size = Dispatch(vst::effGetChunk, preset ? 1 : 0, 0, &data);
    if (!data || size <= 0) return std::vector<std::uint8_t>{};
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
  });
}

std::intptr_t CVstHost::SetChunk(const std::vector<std::uint8_t>& chunk, bool preset) noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::intptr_t{0}, [&] {
    std::vector<std::uint8_t> copy = chunk;  // the dispatcher takes a mutable pointer
    return Dispatch(vst::effSetChunk, preset ? 1 : 0, static_cast<std::intptr_t>(copy.size()), copy.data());
  });
}

std::intptr_t CVstHost::Dispatch(std::int32_t opcode, std::int32_t index, std::intptr_t value, void* ptr,
                                 float opt) noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::intptr_t{0}, [&]() -> std::intptr_t {
    if (!m_pEffect || !m_pEffect->dispatcher) return 0;
    return m_pEffect->dispatcher(m_pEffect, opcode, index, value, ptr, opt);
  });
}

}  // namespace vsthost
