// What every hand-written test plug-in repeats: a stereo AEffect with one
// program whose callbacks reach one object, and bounded text copies.
#pragma once

#include <cstddef>

#include "Helpers/Vst/AEffect.h"

namespace testplugin {

// Copies at most capacity - 1 characters and the NUL, cutting longer text.
inline void CopyText(void* ptr, const char* text, std::size_t capacity) {
  auto* out = static_cast<char*>(ptr);
  std::size_t i = 0;
  for (; i + 1 < capacity && text[i] != '\0'; ++i) out[i] = text[i];
  out[i] = '\0';
}

template <class Plugin>
Plugin* Self(vst::AEffect* effect) {
  return static_cast<Plugin*>(effect->object);
}

// Fills self->effect for a host and routes its callbacks to the functions
// Dispatch, SetParameter, GetParameter and Process taking a Plugin* first
// (found next to Plugin); its effClose is left to Dispatch.
template <class Plugin>
vst::AEffect* Connect(Plugin* self, vst::HostCallback host, std::int32_t numParams, std::int32_t flags,
                      std::int32_t uniqueId, std::int32_t version) {
  self->host = host;
  vst::AEffect& e = self->effect;
  e.magic = vst::kEffectMagic;
  e.dispatcher = [](vst::AEffect* effect, std::int32_t opcode, std::int32_t index, std::intptr_t value, void* ptr,
                    float opt) { return Dispatch(Self<Plugin>(effect), opcode, index, value, ptr, opt); };
  e.setParameter = [](vst::AEffect* effect, std::int32_t index, float value) {
    SetParameter(Self<Plugin>(effect), index, value);
  };
  e.getParameter = [](vst::AEffect* effect, std::int32_t index) { return GetParameter(Self<Plugin>(effect), index); };
  e.processReplacing = [](vst::AEffect* effect, float** inputs, float** outputs, std::int32_t frames) {
    Process(Self<Plugin>(effect), inputs, outputs, frames);
  };
  e.numPrograms = 1;
  e.numParams = numParams;
  e.numInputs = 2;
  e.numOutputs = 2;
  e.flags = flags;
  e.object = self;
  e.uniqueID = uniqueId;
  e.version = version;
  return &e;
}

}  // namespace testplugin
