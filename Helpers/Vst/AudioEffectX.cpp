#include "Helpers/Vst/AudioEffectX.h"

#include <cstring>

#include "Helpers/ErrorReport.h"

namespace vst {

AudioEffect::AudioEffect(HostCallback master, std::int32_t programs, std::int32_t params)
    : audioMaster(master), numPrograms(programs), numParams(params) {
  cEffect.magic = kEffectMagic;
  cEffect.dispatcher = &AudioEffect::DispatchEffect;
  cEffect.process = &AudioEffect::ProcessEffect;
  cEffect.setParameter = &AudioEffect::SetParameterEffect;
  cEffect.getParameter = &AudioEffect::GetParameterEffect;
  cEffect.numPrograms = programs;
  cEffect.numParams = params;
  cEffect.numInputs = 1;
  cEffect.numOutputs = 2;
  cEffect.ioRatio = 1.0f;
  cEffect.object = this;
  cEffect.uniqueID = FourCC('N', 'o', 'E', 'f');
  cEffect.version = 1;
  cEffect.processReplacing = &AudioEffect::ProcessReplacingEffect;
}

AudioEffect::~AudioEffect() { delete editor; }

void AudioEffect::setEditor(AEffEditor* newEditor) {
  editor = newEditor;
  if (editor) cEffect.flags |= effFlagsHasEditor;
  else cEffect.flags &= ~effFlagsHasEditor;
}

void AudioEffect::canProcessReplacing(bool state) {
  if (state) cEffect.flags |= effFlagsCanReplacing;
  else cEffect.flags &= ~effFlagsCanReplacing;
}

std::intptr_t AudioEffect::callHost(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                    void* ptr, float opt) {
  return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

void AudioEffect::setParameterAutomated(std::int32_t index, float value) {
  setParameter(index, value);
  if (audioMaster && isAutomationReported(index)) callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::setSampleRate(float rate) {
  if (IsAcceptedSampleRate(rate)) sampleRate = rate;
}

void AudioEffect::setBlockSize(std::int32_t size) {
  if (size > 0) blockSize = size;
}

bool AudioEffect::HasAudioBuffers(float* const* inputs, float* const* outputs, std::int32_t frames) const {
  if (frames <= 0 || inputs == nullptr || outputs == nullptr) return false;
  for (std::int32_t c = 0; c < cEffect.numInputs; ++c) {
    if (inputs[c] == nullptr) return false;
  }
  for (std::int32_t c = 0; c < cEffect.numOutputs; ++c) {
    if (outputs[c] == nullptr) return false;
  }
  return true;
}

void AudioEffect::process(float** inputs, float** outputs, std::int32_t frames) {
  if (HasAudioBuffers(inputs, outputs, frames)) processReplacing(inputs, outputs, frames);
}

std::int32_t AudioEffect::getChunk(void** data, bool) {
  if (data) *data = nullptr;
  return 0;
}

std::int32_t AudioEffect::setChunk(void*, std::int32_t, bool) { return 0; }

std::intptr_t AudioEffect::dispatcher(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                      void* ptr, float opt) {
  char* text = static_cast<char*>(ptr);
  switch (opcode) {
    case effOpen: open(); return 0;
    case effClose: close(); delete this; return 1;
    case effSetProgram:
      // Compared at full width: a 64-bit value must not become a valid
      // number by losing its upper half.
      if (value >= 0 && value < numPrograms) setProgram(static_cast<std::int32_t>(value));
      return 0;
    case effGetProgram: return getProgram();
    case effSetProgramName: if (text) setProgramName(text); return 0;
    case effGetProgramName: if (text) getProgramName(text); return 0;
    case effGetParamLabel: if (text) getParameterLabel(index, text); return 0;
    case effGetParamDisplay: if (text) getParameterDisplay(index, text); return 0;
    case effGetParamName: if (text) getParameterName(index, text); return 0;
    case effSetSampleRate: setSampleRate(opt); return 0;
    case effSetBlockSize:
    case effSetBlockSizeAndSampleRate:
      if (value > 0 && value <= INT32_MAX) setBlockSize(static_cast<std::int32_t>(value));
      if (opcode == effSetBlockSizeAndSampleRate) setSampleRate(opt);
      return 0;
    case effMainsChanged:
      if (value) resume();
      else suspend();
      return 0;
    case effEditGetRect: return (editor && ptr) ? editor->getRect(static_cast<ERect**>(ptr)) : 0;
    case effEditOpen: return editor ? editor->open(ptr) : 0;
    case effEditClose: if (editor) editor->close(); return 0;
    case effEditIdle: if (editor) editor->idle(); return 0;
    case effGetChunk: return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk: return setChunk(ptr, static_cast<std::int32_t>(value), index != 0);
    default: return 0;
  }
}

std::intptr_t AudioEffect::DispatchEffect(AEffect* e, std::int32_t opcode, std::int32_t index,
                                          std::intptr_t value, void* ptr, float opt) {
  // The last line of defence: nothing thrown inside the effect reaches the host.
  return kiv::Guard(KIV_SIGNATURE, std::intptr_t{0}, [&]() -> std::intptr_t {
    auto* self = static_cast<AudioEffect*>(e->object);
    return self ? self->dispatcher(opcode, index, value, ptr, opt) : 0;
  });
}

void AudioEffect::ProcessEffect(AEffect* e, float** in, float** out, std::int32_t frames) {
  kiv::Guard(KIV_SIGNATURE, [&] { static_cast<AudioEffect*>(e->object)->process(in, out, frames); });
}

void AudioEffect::ProcessReplacingEffect(AEffect* e, float** in, float** out, std::int32_t frames) {
  kiv::Guard(KIV_SIGNATURE,
             [&] { static_cast<AudioEffect*>(e->object)->processReplacing(in, out, frames); });
}

void AudioEffect::SetParameterEffect(AEffect* e, std::int32_t index, float value) {
  kiv::Guard(KIV_SIGNATURE, [&] { static_cast<AudioEffect*>(e->object)->setParameter(index, value); });
}

float AudioEffect::GetParameterEffect(AEffect* e, std::int32_t index) {
  return kiv::Guard(KIV_SIGNATURE, 0.0f,
                    [&] { return static_cast<AudioEffect*>(e->object)->getParameter(index); });
}

std::intptr_t AudioEffectX::dispatcher(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                       void* ptr, float opt) {
  char* text = static_cast<char*>(ptr);
  switch (opcode) {
    case effCanBeAutomated: return canParameterBeAutomated(index) ? 1 : 0;
    case effGetProgramNameIndexed:
      return text ? (getProgramNameIndexed(static_cast<std::int32_t>(value), index, text) ? 1 : 0) : 0;
    case effGetPlugCategory: return getPlugCategory();
    case effSetBypass: return setBypass(value != 0) ? 1 : 0;
    case effGetEffectName: return text ? (getEffectName(text) ? 1 : 0) : 0;
    case effGetVendorString: return text ? (getVendorString(text) ? 1 : 0) : 0;
    case effGetProductString: return text ? (getProductString(text) ? 1 : 0) : 0;
    case effGetVendorVersion: return getVendorVersion();
    case effVendorSpecific: return vendorSpecific(index, value, ptr, opt);
    case effCanDo: return text ? canDo(text) : 0;
    case effGetTailSize: return getTailSize();
    case effIdle: return fxIdle();
    case effGetVstVersion: return getVstVersion();
    case effBeginSetProgram: return beginSetProgram() ? 1 : 0;
    case effEndSetProgram: return endSetProgram() ? 1 : 0;
    default: return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
  }
}

VstTimeInfo* AudioEffectX::getTimeInfo(std::int32_t filter) {
  return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

bool AudioEffectX::ioChanged() { return callHost(audioMasterIOChanged) != 0; }
bool AudioEffectX::updateDisplay() { return callHost(audioMasterUpdateDisplay) != 0; }
bool AudioEffectX::beginEdit(std::int32_t index) { return callHost(audioMasterBeginEdit, index) != 0; }
bool AudioEffectX::endEdit(std::int32_t index) { return callHost(audioMasterEndEdit, index) != 0; }

bool AudioEffectX::canHostDo(const char* text) {
  return callHost(audioMasterCanDo, 0, 0, const_cast<char*>(text)) == 1;
}

bool AudioEffectX::getHostVendorString(char* text) {
  return callHost(audioMasterGetVendorString, 0, 0, text) != 0;
}

bool AudioEffectX::getHostProductString(char* text) {
  return callHost(audioMasterGetProductString, 0, 0, text) != 0;
}

std::int32_t AudioEffectX::getHostVendorVersion() {
  return static_cast<std::int32_t>(callHost(audioMasterGetVendorVersion));
}

}  // namespace vst
