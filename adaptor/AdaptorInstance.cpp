#include "adaptor/AdaptorInstance.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "Helpers/ErrorReport.h"
#include "Helpers/KeyedChunk.h"
#include "Helpers/KivEffect.h"
#include "adaptor/ChunkHeader.h"
#include "adaptor/HostLibrary.h"
#include "widener/SpanoraFactory.h"

namespace {

// What the effect learns about its host when it asks (the adaptor is the
// VST host it sees).
constexpr const char* kAdaptorVendor = "Tarnwell Audio";
constexpr const char* kAdaptorProduct = "RTAS Adaptor";
constexpr std::int32_t kAdaptorVersion = 1000;
constexpr std::int32_t kVstVersion = 2400;

constexpr const char* kKeyBypass = "Bypass";  // in 'SpAc'
constexpr const char* kKeyMonoGain = "MonoGain";
constexpr const char* kKeyMasterBypass = "MasterBypass";  // in 'vstp', beside the effect's "Bypass"
constexpr const char* kKeyProgram = "Program";

float Clamp01(float v) { return std::isnan(v) ? 0.0f : std::min(1.0f, std::max(0.0f, v)); }

void CopyText(char* out, std::int32_t size, const char* text) {
  if (out != nullptr && size > 0) std::snprintf(out, static_cast<std::size_t>(size), "%s", text);
}

}  // namespace

CAdaptorInstance* CAdaptorInstance::Create(const SChannelFormat& format, bool audioSuite, void* hostCookie,
                                           double sampleRate, std::int32_t maxFrames) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<CAdaptorInstance*>(nullptr), [&]() -> CAdaptorInstance* {
    auto* instance = new CAdaptorInstance(format, audioSuite, hostCookie, sampleRate, maxFrames);
    if (instance->m_pEffect == nullptr || instance->m_pView == nullptr) {
      delete instance;
      return nullptr;
    }
    return instance;
  });
}

CAdaptorInstance::CAdaptorInstance(const SChannelFormat& format, bool audioSuite, void* hostCookie,
                                   double sampleRate, std::int32_t maxFrames)
    : m_Format(format),
      m_bAudioSuite(audioSuite),
      m_pHostCookie(hostCookie),
      m_dSampleRate(sampleRate > 0.0 ? sampleRate : 44100.0),
      m_nMaxFrames(maxFrames > 0 ? maxFrames : ADAPTOR_BLOCK_FRAMES) {
  m_TimeInfo.sampleRate = m_dSampleRate;
  CHostLibrary::Get().Attach();  // control notices need the host's services
  m_pEffect = CreateSpanoraEffect(&CAdaptorInstance::AudioMaster);
  if (m_pEffect == nullptr) return;
  m_pEffect->getAeffect()->user = this;
  m_pView = new (std::nothrow) CAdaptorView(m_pEffect);
  m_pEffect->setSampleRate(static_cast<float>(m_dSampleRate));
  m_pEffect->setBlockSize(std::min(m_nMaxFrames, ADAPTOR_BLOCK_FRAMES));
  m_pEffect->resume();
}

CAdaptorInstance::~CAdaptorInstance() {
  kiv::Guard(KIV_SIGNATURE, [&] {
    delete m_pView;
    m_pView = nullptr;
    if (m_pEffect) {
      m_pEffect->suspend();
      m_pEffect->getAeffect()->user = nullptr;
      delete m_pEffect;
      m_pEffect = nullptr;
    }
  });
}

// ---------------------------------------------------------------------------
// The effect's host

std::intptr_t CAdaptorInstance::AudioMaster(vst::AEffect* effect, std::int32_t opcode, std::int32_t index,
                                            std::intptr_t, void* ptr, float opt) {
  return kiv::Guard(KIV_SIGNATURE, std::intptr_t{0}, [&]() -> std::intptr_t {
    switch (opcode) {
      case vst::audioMasterVersion: return kVstVersion;
      case vst::audioMasterGetVendorString:
        CopyText(static_cast<char*>(ptr), vst::kVstMaxVendorStrLen + 1, kAdaptorVendor);
        return ptr ? 1 : 0;
      case vst::audioMasterGetProductString:
        CopyText(static_cast<char*>(ptr), vst::kVstMaxProductStrLen + 1, kAdaptorProduct);
        return ptr ? 1 : 0;
      case vst::audioMasterGetVendorVersion: return kAdaptorVersion;
      default: break;
    }
    // Calls made while the effect is still being built find no instance yet.
    auto* self = effect ? static_cast<CAdaptorInstance*>(effect->user) : nullptr;
    return self ? self->AnswerEffect(opcode, index, ptr, opt) : 0;
  });
}

std::intptr_t CAdaptorInstance::AnswerEffect(std::int32_t opcode, std::int32_t index, void*, float opt) {
  switch (opcode) {
    case vst::audioMasterAutomate: NotifyHost(index, PI_CONTROL_VALUE, opt); return 1;
    case vst::audioMasterBeginEdit: NotifyHost(index, PI_CONTROL_BEGIN, 0.0f); return 1;
    case vst::audioMasterEndEdit: NotifyHost(index, PI_CONTROL_END, 0.0f); return 1;
    case vst::audioMasterUpdateDisplay: NotifyHost(-1, PI_CONTROL_DISPLAY, 0.0f); return 1;
    case vst::audioMasterGetTime: return reinterpret_cast<std::intptr_t>(TimeInfoForCaller());
    case vst::audioMasterGetSampleRate: return static_cast<std::intptr_t>(m_dSampleRate);
    case vst::audioMasterGetBlockSize: return m_nMaxFrames;
    // The channel format is fixed by the effect type: I/O changes are not taken.
    case vst::audioMasterIOChanged: return 0;
    default: return 0;
  }
}

vst::VstTimeInfo* CAdaptorInstance::TimeInfoForCaller() {
  if (std::this_thread::get_id() == m_ProcessThread.load(std::memory_order_relaxed)) return &m_TimeInfo;
  thread_local vst::VstTimeInfo copy;
  copy = vst::VstTimeInfo{};
  copy.sampleRate = m_dSampleRate;
  copy.samplePos = m_dPublishedPosition.load(std::memory_order_relaxed);
  copy.flags = m_nPublishedFlags.load(std::memory_order_relaxed);
  return &copy;
}

void CAdaptorInstance::NotifyHost(std::int32_t control, std::int32_t event, float value) {
  const SHostServices& host = CHostLibrary::Get().Services();
  if (host.controlChanged) host.controlChanged(m_pHostCookie, control, event, value);
}

// ---------------------------------------------------------------------------
// Controls

int CAdaptorInstance::ParameterCount() const { return m_pEffect->GetNumAutomatable(); }

std::int32_t CAdaptorInstance::GetControlCount() {
  return kiv::Guard(KIV_SIGNATURE, std::int32_t{0}, [&] { return ParameterCount() + NUM_ADAPTOR_CONTROLS; });
}

std::int32_t CAdaptorInstance::GetControlInfo(std::int32_t control, PiControlInfo* info) {
  return kiv::Guard(KIV_SIGNATURE, std::int32_t{PI_ERR_INTERNAL}, [&]() -> std::int32_t {
    const int n = ParameterCount();
    if (info == nullptr) return PI_ERR_BAD_ARGUMENT;
    if (control < 0 || control >= n + NUM_ADAPTOR_CONTROLS) return PI_ERR_BAD_CONTROL;
    *info = PiControlInfo{};
    info->minValue = 0.0f;
    info->maxValue = 1.0f;
    if (control < n) {
      char name[256] = {};
      m_pEffect->getParameterName(control, name);
      info->id = static_cast<std::uint32_t>(control + 1);
      info->defaultValue = m_pEffect->GetDefaultProgram().values[control];
      std::snprintf(info->name, sizeof info->name, "%s", name);
    } else if (control == n) {
      info->id = PI_CONTROL_ID_BYPASS;
      info->steps = 2;
      std::snprintf(info->name, sizeof info->name, "Master Bypass\nBypass");
    } else if (control == n + 1) {
      info->id = PI_CONTROL_ID_MONO_GAIN;
      info->defaultValue = 1.0f;
      std::snprintf(info->name, sizeof info->name, "Mono Gain\nGain\nGan");
    } else {
      info->id = PI_CONTROL_ID_PROGRAM;
      info->steps = NUM_PROGRAMS;
      std::snprintf(info->name, sizeof info->name, "Program");
    }
    return PI_NO_ERR;
  });
}

std::int32_t CAdaptorInstance::SetControl(std::int32_t control, float value) {
  return kiv::Guard(KIV_SIGNATURE, std::int32_t{PI_ERR_INTERNAL}, [&]() -> std::int32_t {
    const int n = ParameterCount();
    if (control < 0 || control >= n + NUM_ADAPTOR_CONTROLS) return PI_ERR_BAD_CONTROL;
    value = Clamp01(value);
    if (control < n) m_pEffect->setParameter(control, value);  // host automation enters directly
    else if (control == n) m_bBypass.store(value >= 0.5f, std::memory_order_release);
    else if (control == n + 1) m_fMonoGain.store(value, std::memory_order_release);
    else m_pEffect->setProgram(static_cast<std::int32_t>(value * (NUM_PROGRAMS - 1) + 0.5f));
    return PI_NO_ERR;
  });
}

std::int32_t CAdaptorInstance::GetControl(std::int32_t control, float* value) {
  return kiv::Guard(KIV_SIGNATURE, std::int32_t{PI_ERR_INTERNAL}, [&]() -> std::int32_t {
    const int n = ParameterCount();
    if (value == nullptr) return PI_ERR_BAD_ARGUMENT;
    if (control < 0 || control >= n + NUM_ADAPTOR_CONTROLS) return PI_ERR_BAD_CONTROL;
    if (control < n) *value = m_pEffect->getParameter(control);
    else if (control == n) *value = m_bBypass.load(std::memory_order_acquire) ? 1.0f : 0.0f;
    else if (control == n + 1) *value = m_fMonoGain.load(std::memory_order_acquire);
    else *value = static_cast<float>(m_pEffect->getProgram()) / static_cast<float>(NUM_PROGRAMS - 1);
    return PI_NO_ERR;
  });
}

std::int32_t CAdaptorInstance::GetControlText(std::int32_t control, char* text, std::int32_t size) {
  return kiv::Guard(KIV_SIGNATURE, std::int32_t{PI_ERR_INTERNAL}, [&]() -> std::int32_t {
    const int n = ParameterCount();
    if (text == nullptr || size <= 0) return PI_ERR_BAD_ARGUMENT;
    if (control < 0 || control >= n + NUM_ADAPTOR_CONTROLS) return PI_ERR_BAD_CONTROL;
    char buffer[256] = {};
    if (control < n) {
      m_pEffect->getParameterDisplay(control, buffer);
    } else if (control == n) {
      std::snprintf(buffer, sizeof buffer, "%s", m_bBypass.load() ? "On" : "Off");
    } else if (control == n + 1) {
      const float gain = m_fMonoGain.load();
      if (gain <= 0.0f) std::snprintf(buffer, sizeof buffer, "-inf dB");
      else std::snprintf(buffer, sizeof buffer, "%.1f dB", 20.0 * std::log10(static_cast<double>(gain)));
    } else {
      m_pEffect->getProgramNameIndexed(0, m_pEffect->getProgram(), buffer);
    }
    CopyText(text, size, buffer);
    return PI_NO_ERR;
  });
}

// ---------------------------------------------------------------------------
// Audio

bool CAdaptorInstance::CheckBuffers(const float* const* inputs, float* const* outputs, std::int32_t frames) const {
  if (inputs == nullptr || outputs == nullptr || frames < 0) return false;
  for (int c = 0; c < m_Format.inputChannels; ++c) {
    if (inputs[c] == nullptr) return false;
  }
  for (int c = 0; c < m_Format.outputChannels; ++c) {
    if (outputs[c] == nullptr) return false;
  }
  return true;
}

std::int32_t CAdaptorInstance::ProcessAudioSuite(const float* const* inputs, float* const* outputs,
                                                 std::int32_t frames) {
  return kiv::Guard(KIV_SIGNATURE, std::int32_t{PI_ERR_INTERNAL}, [&]() -> std::int32_t {
    if (!CheckBuffers(inputs, outputs, frames)) return PI_ERR_BAD_ARGUMENT;
    // Offline passes count their own position from the start of the render.
    Process(inputs, outputs, frames, false, m_nAudioSuitePosition);
    m_nAudioSuitePosition += frames;
    return PI_NO_ERR;
  });
}

std::int32_t CAdaptorInstance::ProcessRtas(const float* const* inputs, float* const* outputs, std::int32_t frames,
                                           std::int64_t samplePosition) {
  return kiv::Guard(KIV_SIGNATURE, std::int32_t{PI_ERR_INTERNAL}, [&]() -> std::int32_t {
    if (!CheckBuffers(inputs, outputs, frames)) return PI_ERR_BAD_ARGUMENT;
    Process(inputs, outputs, frames, true, samplePosition);
    return PI_NO_ERR;
  });
}

void CAdaptorInstance::Process(const float* const* inputs, float* const* outputs, std::int32_t frames, bool rtas,
                               std::int64_t samplePosition) {
  m_ProcessThread.store(std::this_thread::get_id(), std::memory_order_relaxed);
  m_pView->RunPendingFlush();
  m_TimeInfo.flags = m_pView->IsTransportPlaying() || !rtas ? vst::kVstTransportPlaying : 0;
  m_nPublishedFlags.store(m_TimeInfo.flags, std::memory_order_relaxed);
  for (std::int32_t offset = 0; offset < frames; offset += ADAPTOR_BLOCK_FRAMES) {
    const std::int32_t n = std::min(frames - offset, ADAPTOR_BLOCK_FRAMES);
    m_TimeInfo.samplePos = static_cast<double>(samplePosition + offset);
    m_dPublishedPosition.store(m_TimeInfo.samplePos, std::memory_order_relaxed);
    ProcessSlice(inputs, outputs, offset, n);
  }
  m_nFramesProcessed.fetch_add(frames, std::memory_order_relaxed);
}

void CAdaptorInstance::ProcessSlice(const float* const* inputs, float* const* outputs, std::int32_t offset,
                                    std::int32_t frames) {
  // The host's buffers may alias: the dry input is copied out before the
  // effect or the output stage can overwrite it.
  const int lastInput = m_Format.inputChannels - 1;
  for (int c = 0; c < 2; ++c) {
    std::memcpy(m_In[c], inputs[std::min(c, lastInput)] + offset, sizeof(float) * static_cast<std::size_t>(frames));
  }
  m_pEffect->processReplacing(m_pIn, m_pOut, frames);

  const float target = m_bBypass.load(std::memory_order_acquire) ? 1.0f : 0.0f;
  const float step = 1.0f / static_cast<float>(BYPASS_RAMP_FRAMES);
  const float gain = m_fMonoGain.load(std::memory_order_acquire);
  const bool monoOut = m_Format.outputChannels == 1;
  for (std::int32_t i = 0; i < frames; ++i) {
    if (m_fDryMix < target) m_fDryMix = std::min(target, m_fDryMix + step);
    else if (m_fDryMix > target) m_fDryMix = std::max(target, m_fDryMix - step);
    if (monoOut) {
      const float wet = gain * 0.5f * (m_Out[0][i] + m_Out[1][i]);
      outputs[0][offset + i] = (1.0f - m_fDryMix) * wet + m_fDryMix * m_In[0][i];
    } else {
      // Weighted so that a finished fade gives exactly the dry input.
      for (int c = 0; c < 2; ++c) {
        outputs[c][offset + i] = (1.0f - m_fDryMix) * m_Out[c][i] + m_fDryMix * m_In[c][i];
      }
    }
  }
}

// ---------------------------------------------------------------------------
// State

std::int32_t CAdaptorInstance::GetChunkInfo(std::int32_t index, PiChunkInfo* info) {
  return kiv::Guard(KIV_SIGNATURE, std::int32_t{PI_ERR_INTERNAL}, [&]() -> std::int32_t {
    if (info == nullptr || index < 0 || index > 1) return PI_ERR_BAD_ARGUMENT;
    *info = PiChunkInfo{};
    info->id = index == 0 ? PI_CHUNK_EFFECT : PI_CHUNK_ADAPTOR;
    std::snprintf(info->name, sizeof info->name, "%s", index == 0 ? EFFECT_CHUNK_NAME : ADAPTOR_CHUNK_NAME);
    return PI_NO_ERR;
  });
}

bool CAdaptorInstance::EncodeChunk(std::uint32_t chunkId, CKeyedChunkEncoder& encoder) {
  if (chunkId == PI_CHUNK_EFFECT) {
    if (!m_pEffect->SaveStateChunk(encoder)) return false;
    encoder.AddInt(kKeyProgram, m_pEffect->getProgram());
    encoder.AddFloat(kKeyMasterBypass, m_bBypass.load() ? 1.0f : 0.0f);
    encoder.AddFloat(kKeyMonoGain, m_fMonoGain.load());
    return true;
  }
  if (chunkId != PI_CHUNK_ADAPTOR) return false;
  encoder.Clear();
  encoder.AddFloat(kKeyBypass, m_bBypass.load() ? 1.0f : 0.0f);
  encoder.AddFloat(kKeyMonoGain, m_fMonoGain.load());
  return true;
}

std::int32_t CAdaptorInstance::GetChunkSize(std::uint32_t chunkId, std::uint32_t* size) {
  return kiv::Guard(KIV_SIGNATURE, std::int32_t{PI_ERR_INTERNAL}, [&]() -> std::int32_t {
    if (size == nullptr) return PI_ERR_BAD_ARGUMENT;
    CKeyedChunkEncoder encoder;
    if (!EncodeChunk(chunkId, encoder)) return PI_ERR_UNKNOWN_CHUNK;
    *size = static_cast<std::uint32_t>(encoder.Size() + CHUNK_HEADER_SIZE);
    return PI_NO_ERR;
  });
}

std::int32_t CAdaptorInstance::SaveChunk(std::uint32_t chunkId, void* buffer, std::uint32_t capacity,
                                         std::uint32_t* written) {
  return kiv::Guard(KIV_SIGNATURE, std::int32_t{PI_ERR_INTERNAL}, [&]() -> std::int32_t {
    if (written) *written = 0;
    if (buffer == nullptr) return PI_ERR_BAD_ARGUMENT;
    CKeyedChunkEncoder encoder;
    if (!EncodeChunk(chunkId, encoder)) return PI_ERR_UNKNOWN_CHUNK;
    const std::size_t total = encoder.Size() + CHUNK_HEADER_SIZE;
    if (total > capacity) return PI_ERR_BUFFER_TOO_SMALL;
    const char* name = chunkId == PI_CHUNK_EFFECT ? EFFECT_CHUNK_NAME : ADAPTOR_CHUNK_NAME;
    auto* out = static_cast<std::uint8_t*>(buffer);
    WriteChunkHeader(MakeChunkHeader(chunkId, name, encoder.Size()), out);
    std::memcpy(out + CHUNK_HEADER_SIZE, encoder.Data(), encoder.Size());
    if (written) *written = static_cast<std::uint32_t>(total);
    return PI_NO_ERR;
  });
}

std::int32_t CAdaptorInstance::RestoreChunk(std::uint32_t chunkId, const void* data, std::uint32_t size) {
  return kiv::Guard(KIV_SIGNATURE, std::int32_t{PI_ERR_INTERNAL}, [&]() -> std::int32_t {
    if (data == nullptr) return PI_ERR_BAD_ARGUMENT;
    if (chunkId != PI_CHUNK_EFFECT && chunkId != PI_CHUNK_ADAPTOR) return PI_ERR_UNKNOWN_CHUNK;
    SChunkHeader header;
    if (!ReadChunkHeader(data, size, &header) || !ChunkHeaderFits(header, chunkId, size)) return PI_ERR_BAD_CHUNK;
    const auto* body = static_cast<const std::uint8_t*>(data) + CHUNK_HEADER_SIZE;
    const std::size_t bodySize = size - CHUNK_HEADER_SIZE;
    if (bodySize > MAX_STATE_CHUNK_BYTES) return PI_ERR_BAD_CHUNK;
    if (chunkId == PI_CHUNK_ADAPTOR) return RestoreAdaptorChunk(body, bodySize);
    return RestoreEffectChunk(body, bodySize);
  });
}

std::int32_t CAdaptorInstance::RestoreEffectChunk(const std::uint8_t* data, std::size_t size) {
  CKeyedChunkDecoder decoder;
  decoder.Decode(data, size);
  std::int32_t program = 0;
  if (decoder.FindInt(kKeyProgram, &program)) m_pEffect->AdoptProgramNumber(program);
  const int result = m_pEffect->RestoreStateChunk(data, size);
  float value = 0.0f;
  if (decoder.FindFloat(kKeyMasterBypass, &value)) m_bBypass.store(value >= 0.5f);
  if (decoder.FindFloat(kKeyMonoGain, &value)) m_fMonoGain.store(Clamp01(value));
  return result == 0 ? PI_NO_ERR : PI_ERR_CHUNK_KEY_MISSING;
}

std::int32_t CAdaptorInstance::RestoreAdaptorChunk(const std::uint8_t* data, std::size_t size) {
  CKeyedChunkDecoder decoder;
  decoder.Decode(data, size);
  float bypass = 0.0f;
  float gain = 1.0f;
  // Applied in order; the first absent key stops, the ones before it stay.
  if (!decoder.FindFloat(kKeyBypass, &bypass)) return PI_ERR_CHUNK_KEY_MISSING;
  m_bBypass.store(bypass >= 0.5f);
  if (!decoder.FindFloat(kKeyMonoGain, &gain)) return PI_ERR_CHUNK_KEY_MISSING;
  m_fMonoGain.store(Clamp01(gain));
  return PI_NO_ERR;
}

// ---------------------------------------------------------------------------
// Host events, diagnostics

std::int32_t CAdaptorInstance::HostEvent(std::int32_t event) {
  return kiv::Guard(KIV_SIGNATURE, std::int32_t{PI_ERR_INTERNAL}, [&]() -> std::int32_t {
    return m_pView->OnHostEvent(event) ? PI_NO_ERR : PI_ERR_BAD_ARGUMENT;
  });
}

std::int32_t CAdaptorInstance::GetDiagnostics(PiDiagnostics* diagnostics) {
  return kiv::Guard(KIV_SIGNATURE, std::int32_t{PI_ERR_INTERNAL}, [&]() -> std::int32_t {
    if (diagnostics == nullptr) return PI_ERR_BAD_ARGUMENT;
    *diagnostics = PiDiagnostics{};
    // Asked through the effect, so the answer is what its own getTimeInfo sees.
    if (const vst::VstTimeInfo* info = m_pEffect->getTimeInfo(0)) {
      diagnostics->timeInfoSamplePos = info->samplePos;
      diagnostics->timeInfoSampleRate = info->sampleRate;
      diagnostics->timeInfoValid = 1;
    }
    diagnostics->flushCount = m_pView->FlushCount();
    diagnostics->framesProcessed = m_nFramesProcessed.load(std::memory_order_relaxed);
    return PI_NO_ERR;
  });
}
