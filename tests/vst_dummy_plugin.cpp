// A minimal VST 2.x effect for testing our host: a stereo gain with a
// polarity switch, one program, and vendor-specific requests that
// report what it saw of the host or make it call the host back.
#include <cstdio>

#include "Helpers/Vst/AEffect.h"

namespace {

using vst::FourCC;

// Copies at most capacity - 1 characters and the NUL, cutting longer text.
void CopyText(void* ptr, const char* text, std::size_t capacity) {
  auto* out = static_cast<char*>(ptr);
  std::size_t i = 0;
  for (; i + 1 < capacity && text[i] != '\0'; ++i) out[i] = text[i];
  out[i] = '\0';
}

int g_liveInstances = 0;

const char* const kNames[2] = {"Gain", "Invert"};
const char* const kLabels[2] = {"x", ""};

struct DummyEffect {
  vst::AEffect effect{};
  vst::HostCallback host = nullptr;
  float values[2] = {0.5f, 0.0f};
  const char* programName = "Init";
  // What the host told the constructor.
  char hostSeen[512] = {};
  // What the plug-in was told since.
  bool opened = false;
  bool mainsOn = false;
  float sampleRate = 0.0f;
  std::intptr_t blockSize = 0;
  bool timeAnswered = false;
  double lastSamplePos = -1.0;
  double lastTempo = 0.0;

  std::intptr_t Call(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0, void* ptr = nullptr,
                     float opt = 0.0f) {
    return host(&effect, opcode, index, value, ptr, opt);
  }
};

std::intptr_t VendorSpecific(DummyEffect* self, std::int32_t index, std::intptr_t value, void* ptr, float opt) {
  if (index == FourCC('K', 'e', 'y', 'N')) {
    if (value != 0) return 0;  // only the gain has a key name
    CopyText(ptr, "GainKey", 64);
    return 1;
  }
  if (index == FourCC('H', 'o', 's', 't')) {
    CopyText(ptr, self->hostSeen, 512);
    return 1;
  }
  if (index == FourCC('A', 'u', 't', 'o')) {  // a gain gesture as an editor would send it
    self->values[0] = opt;
    self->Call(vst::audioMasterBeginEdit);
    self->Call(vst::audioMasterAutomate, 0, 0, nullptr, opt);
    self->Call(vst::audioMasterEndEdit);
    return 1;
  }
  if (index == FourCC('P', 'o', 'k', 'e')) {
    self->Call(vst::audioMasterIOChanged);
    self->Call(vst::audioMasterUpdateDisplay);
    auto* answers = static_cast<std::intptr_t*>(ptr);
    answers[0] = self->Call(vst::audioMasterGetSampleRate);
    answers[1] = self->Call(vst::audioMasterGetBlockSize);
    return 1;
  }
  if (index == FourCC('S', 't', 'a', 't')) {
    auto* state = static_cast<double*>(ptr);
    state[0] = self->opened;
    state[1] = self->mainsOn;
    state[2] = self->sampleRate;
    state[3] = static_cast<double>(self->blockSize);
    return 1;
  }
  if (index == FourCC('T', 'i', 'm', 'e')) {
    auto* time = static_cast<double*>(ptr);
    time[0] = self->lastSamplePos;
    time[1] = self->lastTempo;
    return self->timeAnswered ? 1 : 0;
  }
  if (index == FourCC('L', 'i', 'v', 'e')) return g_liveInstances;
  return 0;
}

DummyEffect* Self(vst::AEffect* effect) { return static_cast<DummyEffect*>(effect->object); }

std::intptr_t Dispatch(vst::AEffect* effect, std::int32_t opcode, std::int32_t index, std::intptr_t value, void* ptr,
                       float opt) {
  DummyEffect* self = Self(effect);
  switch (opcode) {
    case vst::effOpen: self->opened = true; return 0;
    case vst::effClose:
      delete self;
      --g_liveInstances;
      return 0;
    case vst::effSetSampleRate: self->sampleRate = opt; return 0;
    case vst::effSetBlockSize: self->blockSize = value; return 0;
    case vst::effMainsChanged: self->mainsOn = value != 0; return 0;
    case vst::effGetEffectName: CopyText(ptr, "Dummy Gain", vst::kVstMaxEffectNameLen); return 1;
    case vst::effGetVendorString: CopyText(ptr, "Test Vendor", vst::kVstMaxVendorStrLen); return 1;
    case vst::effGetProductString: CopyText(ptr, "Dummy Product", vst::kVstMaxProductStrLen); return 1;
    case vst::effGetVendorVersion: return 4321;
    case vst::effGetPlugCategory: return vst::kPlugCategEffect;
    case vst::effGetParamName:
      if (index >= 0 && index < 2) CopyText(ptr, kNames[index], vst::kVstMaxParamStrLen);
      return 0;
    case vst::effGetParamLabel:
      if (index >= 0 && index < 2) CopyText(ptr, kLabels[index], vst::kVstMaxParamStrLen);
      return 0;
    case vst::effGetParamDisplay:
      if (index == 0) std::snprintf(static_cast<char*>(ptr), 9, "%.2f", self->values[0] * 2.0f);
      if (index == 1) CopyText(ptr, self->values[1] != 0.0f ? "On" : "Off", 9);
      return 0;
    case vst::effGetProgramName: CopyText(ptr, self->programName, vst::kVstMaxProgNameLen + 1); return 0;
    case vst::effGetProgramNameIndexed:
      if (index != 0) return 0;
      CopyText(ptr, self->programName, vst::kVstMaxProgNameLen + 1);
      return 1;
    case vst::effVendorSpecific: return VendorSpecific(self, index, value, ptr, opt);
    default: return 0;
  }
}

void SetParameter(vst::AEffect* effect, std::int32_t index, float value) {
  if (index >= 0 && index < 2) Self(effect)->values[index] = value;
}

float GetParameter(vst::AEffect* effect, std::int32_t index) {
  return index >= 0 && index < 2 ? Self(effect)->values[index] : 0.0f;
}

void Process(vst::AEffect* effect, float** inputs, float** outputs, std::int32_t frames) {
  DummyEffect* self = Self(effect);
  const auto* time = reinterpret_cast<const vst::VstTimeInfo*>(self->Call(vst::audioMasterGetTime));
  self->timeAnswered = time != nullptr;
  if (time) {
    self->lastSamplePos = time->samplePos;
    self->lastTempo = (time->flags & vst::kVstTempoValid) ? time->tempo : 0.0;
  }
  const float gain = self->values[0] * 2.0f * (self->values[1] != 0.0f ? -1.0f : 1.0f);
  for (int channel = 0; channel < 2; ++channel)
    for (std::int32_t i = 0; i < frames; ++i) outputs[channel][i] = inputs[channel][i] * gain;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) vst::AEffect* VSTPluginMain(vst::HostCallback host) {
  if (!host) return nullptr;
  auto* self = new DummyEffect;
  ++g_liveInstances;
  self->host = host;
  vst::AEffect& effect = self->effect;
  effect.magic = vst::kEffectMagic;
  effect.object = self;
  effect.dispatcher = &Dispatch;
  effect.setParameter = &SetParameter;
  effect.getParameter = &GetParameter;
  effect.processReplacing = &Process;
  effect.numPrograms = 1;
  effect.numParams = 2;
  effect.numInputs = 2;
  effect.numOutputs = 2;
  effect.flags = vst::effFlagsCanReplacing | vst::effFlagsProgramChunks;
  effect.uniqueID = FourCC('D', 'm', 'G', 'n');
  effect.version = 7;
  effect.initialDelay = 3;

  // Like a real effect, identify the host while constructing (before the
  // host knows this effect).
  char vendor[256] = {};
  char product[256] = {};
  const std::intptr_t version = self->Call(vst::audioMasterVersion);
  self->Call(vst::audioMasterGetVendorString, 0, 0, vendor);
  self->Call(vst::audioMasterGetProductString, 0, 0, product);
  const std::intptr_t vendorVersion = self->Call(vst::audioMasterGetVendorVersion);
  char capability[] = "acceptIOChanges";
  const std::intptr_t canDo = self->Call(vst::audioMasterCanDo, 0, 0, capability);
  std::snprintf(self->hostSeen, sizeof self->hostSeen, "%ld|%s|%s|%ld|%ld", static_cast<long>(version), vendor,
                product, static_cast<long>(vendorVersion), static_cast<long>(canDo));
  return &effect;
}
