#include "adaptor/PlugInRoutines.h"

#include "Helpers/ErrorReport.h"
#include "adaptor/AdaptorInstance.h"
#include "adaptor/AdaptorModule.h"
#include "adaptor/PlugInAbi.h"

namespace {

CAdaptorInstance* Of(PiInstanceRef ref) { return reinterpret_cast<CAdaptorInstance*>(ref); }

// Each routine: PI_ERR_BAD_INSTANCE for a null instance, else the instance's answer.
template <class F>
std::int32_t With(PiInstanceRef ref, F&& body) {
  CAdaptorInstance* instance = Of(ref);
  return instance ? body(*instance) : PI_ERR_BAD_INSTANCE;
}

extern "C" {

int32_t ModuleOpenCount(void) { return CAdaptorModule::Get().OpenCount(); }

PiInstanceRef CreateInstance(uint32_t typeCode, void* hostCookie, double sampleRate, int32_t maxFrames) {
  return reinterpret_cast<PiInstanceRef>(
      CAdaptorModule::Get().CreateInstance(typeCode, hostCookie, sampleRate, maxFrames));
}

void DestroyInstance(PiInstanceRef instance) {
  kiv::Guard(KIV_SIGNATURE, [&] { delete Of(instance); });
}

int32_t GetControlCount(PiInstanceRef ref) {
  return With(ref, [](CAdaptorInstance& i) { return i.GetControlCount(); });
}

int32_t GetControlInfo(PiInstanceRef ref, int32_t control, PiControlInfo* info) {
  return With(ref, [&](CAdaptorInstance& i) { return i.GetControlInfo(control, info); });
}

int32_t SetControl(PiInstanceRef ref, int32_t control, float value) {
  return With(ref, [&](CAdaptorInstance& i) { return i.SetControl(control, value); });
}

int32_t GetControl(PiInstanceRef ref, int32_t control, float* value) {
  return With(ref, [&](CAdaptorInstance& i) { return i.GetControl(control, value); });
}

int32_t GetControlText(PiInstanceRef ref, int32_t control, char* text, int32_t size) {
  return With(ref, [&](CAdaptorInstance& i) { return i.GetControlText(control, text, size); });
}

int32_t ProcessAudioSuite(PiInstanceRef ref, const float* const* inputs, float* const* outputs, int32_t frames) {
  return With(ref, [&](CAdaptorInstance& i) { return i.ProcessAudioSuite(inputs, outputs, frames); });
}

int32_t ProcessRtas(PiInstanceRef ref, const float* const* inputs, float* const* outputs, int32_t frames,
                    int64_t samplePosition) {
  return With(ref, [&](CAdaptorInstance& i) { return i.ProcessRtas(inputs, outputs, frames, samplePosition); });
}

int32_t GetChunkInfo(PiInstanceRef ref, int32_t index, PiChunkInfo* info) {
  return With(ref, [&](CAdaptorInstance& i) { return i.GetChunkInfo(index, info); });
}

int32_t GetChunkSize(PiInstanceRef ref, uint32_t chunkId, uint32_t* size) {
  return With(ref, [&](CAdaptorInstance& i) { return i.GetChunkSize(chunkId, size); });
}

int32_t SaveChunk(PiInstanceRef ref, uint32_t chunkId, void* buffer, uint32_t capacity, uint32_t* written) {
  return With(ref, [&](CAdaptorInstance& i) { return i.SaveChunk(chunkId, buffer, capacity, written); });
}

int32_t RestoreChunk(PiInstanceRef ref, uint32_t chunkId, const void* data, uint32_t size) {
  return With(ref, [&](CAdaptorInstance& i) { return i.RestoreChunk(chunkId, data, size); });
}

int32_t HostEvent(PiInstanceRef ref, int32_t event) {
  return With(ref, [&](CAdaptorInstance& i) { return i.HostEvent(event); });
}

int32_t GetDiagnostics(PiInstanceRef ref, PiDiagnostics* diagnostics) {
  return With(ref, [&](CAdaptorInstance& i) { return i.GetDiagnostics(diagnostics); });
}

}  // extern "C"

// Checks at compile time that every routine has the type its selector promises.
template <class Proc>
void* Routine(Proc proc) {
  return reinterpret_cast<void*>(proc);
}

}  // namespace

void* GetPlugInRoutine(std::int32_t selector) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<void*>(nullptr), [&]() -> void* {
    switch (selector) {
      case PI_ROUTINE_MODULE_OPEN_COUNT: return Routine<PiModuleOpenCountProc>(&ModuleOpenCount);
      case PI_ROUTINE_CREATE_INSTANCE: return Routine<PiCreateInstanceProc>(&CreateInstance);
      case PI_ROUTINE_DESTROY_INSTANCE: return Routine<PiDestroyInstanceProc>(&DestroyInstance);
      case PI_ROUTINE_GET_CONTROL_COUNT: return Routine<PiGetControlCountProc>(&GetControlCount);
      case PI_ROUTINE_GET_CONTROL_INFO: return Routine<PiGetControlInfoProc>(&GetControlInfo);
      case PI_ROUTINE_SET_CONTROL: return Routine<PiSetControlProc>(&SetControl);
      case PI_ROUTINE_GET_CONTROL: return Routine<PiGetControlProc>(&GetControl);
      case PI_ROUTINE_GET_CONTROL_TEXT: return Routine<PiGetControlTextProc>(&GetControlText);
      case PI_ROUTINE_PROCESS_AUDIOSUITE: return Routine<PiProcessAudioSuiteProc>(&ProcessAudioSuite);
      case PI_ROUTINE_PROCESS_RTAS: return Routine<PiProcessRtasProc>(&ProcessRtas);
      case PI_ROUTINE_GET_CHUNK_INFO: return Routine<PiGetChunkInfoProc>(&GetChunkInfo);
      case PI_ROUTINE_GET_CHUNK_SIZE: return Routine<PiGetChunkSizeProc>(&GetChunkSize);
      case PI_ROUTINE_SAVE_CHUNK: return Routine<PiSaveChunkProc>(&SaveChunk);
      case PI_ROUTINE_RESTORE_CHUNK: return Routine<PiRestoreChunkProc>(&RestoreChunk);
      case PI_ROUTINE_HOST_EVENT: return Routine<PiHostEventProc>(&HostEvent);
      case PI_ROUTINE_GET_DIAGNOSTICS: return Routine<PiGetDiagnosticsProc>(&GetDiagnostics);
      default: return nullptr;
    }
  });
}
