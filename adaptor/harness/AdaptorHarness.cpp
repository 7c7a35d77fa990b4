// Loads the plug-in module the way a Pro Tools-family host does on this
// platform and drives it through its entry points and routines only:
//
//   spanora_adaptor_harness HOST_LIBRARY MODULE   full session (host library first)
//   spanora_adaptor_harness --no-host MODULE      module alone: it must open itself
//
// Prints each failed check and exits non-zero if any failed.
#include <dlfcn.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Helpers/BigEndian.h"
#include "adaptor/PlugInAbi.h"
#include "adaptor/host/StandInHost.h"

namespace {

int g_failures = 0;

#define CHECK(cond)                                                        \
  do {                                                                     \
    if (!(cond)) {                                                         \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      ++g_failures;                                                        \
    }                                                                      \
  } while (0)

template <class F>
F Symbol(void* handle, const char* name) {
  void* symbol = dlsym(handle, name);
  if (symbol == nullptr) {
    std::fprintf(stderr, "missing symbol %s\n", name);
    ++g_failures;
  }
  return reinterpret_cast<F>(symbol);
}

// The stand-in host library's services, as the host process holds them.
struct Host {
  decltype(&StandIn_Reset) reset;
  decltype(&StandIn_GetPlugInOpenAndCloseProcs) getProcs;
  decltype(&StandIn_EffectTypeCount) typeCount;
  decltype(&StandIn_GetEffectType) getType;
  decltype(&StandIn_ResourceSwapperCount) swapperCount;
  decltype(&StandIn_GetResourceFile) resourceFile;
  decltype(&StandIn_SwapResource) swapResource;
  decltype(&StandIn_SetGestalt) setGestalt;
  decltype(&StandIn_ClearGestalt) clearGestalt;
  decltype(&StandIn_ControlChangeCount) changeCount;
  decltype(&StandIn_LastControlChange) lastChange;

  explicit Host(void* h)
      : reset(Symbol<decltype(reset)>(h, "StandIn_Reset")),
        getProcs(Symbol<decltype(getProcs)>(h, "StandIn_GetPlugInOpenAndCloseProcs")),
        typeCount(Symbol<decltype(typeCount)>(h, "StandIn_EffectTypeCount")),
        getType(Symbol<decltype(getType)>(h, "StandIn_GetEffectType")),
        swapperCount(Symbol<decltype(swapperCount)>(h, "StandIn_ResourceSwapperCount")),
        resourceFile(Symbol<decltype(resourceFile)>(h, "StandIn_GetResourceFile")),
        swapResource(Symbol<decltype(swapResource)>(h, "StandIn_SwapResource")),
        setGestalt(Symbol<decltype(setGestalt)>(h, "StandIn_SetGestalt")),
        clearGestalt(Symbol<decltype(clearGestalt)>(h, "StandIn_ClearGestalt")),
        changeCount(Symbol<decltype(changeCount)>(h, "StandIn_ControlChangeCount")),
        lastChange(Symbol<decltype(lastChange)>(h, "StandIn_LastControlChange")) {}
};

// The module's entry points and instance routines.
struct Module {
  PiWinPlugInOpenProc open;
  PiWinPlugInCloseProc close;
  PiNewPlugInProc newPlugIn;
  PiGetRoutineDescriptorProc routine;
  PiModuleOpenCountProc openCount = nullptr;
  PiCreateInstanceProc create = nullptr;
  PiDestroyInstanceProc destroy = nullptr;
  PiGetControlCountProc controlCount = nullptr;
  PiGetControlInfoProc controlInfo = nullptr;
  PiSetControlProc setControl = nullptr;
  PiGetControlProc getControl = nullptr;
  PiGetControlTextProc controlText = nullptr;
  PiProcessAudioSuiteProc processAS = nullptr;
  PiProcessRtasProc processRTAS = nullptr;
  PiGetChunkInfoProc chunkInfo = nullptr;
  PiGetChunkSizeProc chunkSize = nullptr;
  PiSaveChunkProc saveChunk = nullptr;
  PiRestoreChunkProc restoreChunk = nullptr;
  PiHostEventProc hostEvent = nullptr;
  PiGetDiagnosticsProc diagnostics = nullptr;

  explicit Module(void* h)
      : open(Symbol<PiWinPlugInOpenProc>(h, "WinPlugInOpen")),
        close(Symbol<PiWinPlugInCloseProc>(h, "WinPlugInClose")),
        newPlugIn(Symbol<PiNewPlugInProc>(h, "NewPlugIn")),
        routine(Symbol<PiGetRoutineDescriptorProc>(h, "_PI_GetRoutineDescriptor")) {
    if (routine == nullptr) return;
    Load(openCount, PI_ROUTINE_MODULE_OPEN_COUNT);
    Load(create, PI_ROUTINE_CREATE_INSTANCE);
    Load(destroy, PI_ROUTINE_DESTROY_INSTANCE);
    Load(controlCount, PI_ROUTINE_GET_CONTROL_COUNT);
    Load(controlInfo, PI_ROUTINE_GET_CONTROL_INFO);
    Load(setControl, PI_ROUTINE_SET_CONTROL);
    Load(getControl, PI_ROUTINE_GET_CONTROL);
    Load(controlText, PI_ROUTINE_GET_CONTROL_TEXT);
    Load(processAS, PI_ROUTINE_PROCESS_AUDIOSUITE);
    Load(processRTAS, PI_ROUTINE_PROCESS_RTAS);
    Load(chunkInfo, PI_ROUTINE_GET_CHUNK_INFO);
    Load(chunkSize, PI_ROUTINE_GET_CHUNK_SIZE);
    Load(saveChunk, PI_ROUTINE_SAVE_CHUNK);
    Load(restoreChunk, PI_ROUTINE_RESTORE_CHUNK);
    Load(hostEvent, PI_ROUTINE_HOST_EVENT);
    Load(diagnostics, PI_ROUTINE_GET_DIAGNOSTICS);
  }
  bool Complete() const { return open && close && newPlugIn && routine && openCount && create && destroy; }

 private:
  template <class F>
  void Load(F& slot, int selector) {
    slot = reinterpret_cast<F>(routine(selector));
    if (slot == nullptr) {
      std::fprintf(stderr, "routine %d missing\n", selector);
      ++g_failures;
    }
  }
};

std::vector<std::uint8_t> Save(const Module& m, PiInstanceRef instance, std::uint32_t id) {
  std::uint32_t size = 0;
  CHECK(m.chunkSize(instance, id, &size) == PI_NO_ERR);
  std::vector<std::uint8_t> data(size);
  std::uint32_t written = 0;
  CHECK(m.saveChunk(instance, id, data.data(), size, &written) == PI_NO_ERR);
  CHECK(written == size);
  data.resize(written);
  return data;
}


void CheckResourceSwap(const Host& host) {
  std::uint8_t thng[48];
  for (int i = 0; i < 48; ++i) thng[i] = static_cast<std::uint8_t>(i + 1);
  CHECK(host.swapResource(PI_FOURCC('t', 'h', 'n', 'g'), thng, sizeof thng) == 0);
  std::uint32_t first = 0;
  std::memcpy(&first, thng, 4);
  CHECK(first == 0x01020304u);  // host order now
  std::uint16_t id = 0;
  std::memcpy(&id, thng + 24, 2);  // first pair's 16-bit id
  CHECK(id == 0x191Au);
  CHECK(thng[44] == 45 && thng[47] == 48);  // past the swapped fields: untouched
}

void RunSession(const char* hostPath, const char* modulePath) {
  void* hostHandle = dlopen(hostPath, RTLD_NOW | RTLD_GLOBAL);
  if (hostHandle == nullptr) {
    std::fprintf(stderr, "cannot load host library: %s\n", dlerror());
    ++g_failures;
    return;
  }
  Host host(hostHandle);
  host.reset();
  CHECK(host.getProcs(nullptr, nullptr) == 0);

  void* moduleHandle = dlopen(modulePath, RTLD_NOW | RTLD_LOCAL);
  if (moduleHandle == nullptr) {
    std::fprintf(stderr, "cannot load module: %s\n", dlerror());
    ++g_failures;
    dlclose(hostHandle);
    return;
  }
  const Module m(moduleHandle);
  if (!m.Complete()) {
    dlclose(moduleHandle);
    dlclose(hostHandle);
    return;
  }

  // Attach handed the procedures over and did not open by itself.
  PiOpenProc openProc = nullptr;
  PiCloseProc closeProc = nullptr;
  CHECK(host.getProcs(&openProc, &closeProc) == 1);
  CHECK(m.openCount() == 0);
  CHECK(host.typeCount() == 0);

  // A wrong code leaves it closed; a failing group answers -7003 and leaves nothing behind.
  CHECK(m.open(12) == PI_ERR_WRONG_OPEN_CODE);
  CHECK(m.openCount() == 0);
  host.setGestalt(PI_GESTALT_TEST_FAIL_GROUP, 1);
  CHECK(m.open(PI_OPEN_CODE) == PI_ERR_CANNOT_CREATE_GROUP);
  CHECK(m.openCount() == 0);
  CHECK(host.typeCount() == 0);
  CHECK(host.swapperCount() == 0);
  CHECK(m.create(PI_FOURCC('R', 'T', 'a', 'c'), nullptr, 48000.0, 256) == nullptr);
  host.clearGestalt(PI_GESTALT_TEST_FAIL_GROUP);

  // Open for real; a second open through the host's procedure only counts.
  CHECK(m.open(PI_OPEN_CODE) == PI_NO_ERR);
  CHECK(openProc != nullptr && openProc() == PI_NO_ERR);
  CHECK(m.openCount() == 2);

  // The registered types.
  const int types = host.typeCount();
  CHECK(types == 6);
  bool sawStereoRtas = false;
  for (int i = 0; i < types; ++i) {
    PiEffectTypeInfo info{};
    CHECK(host.getType(i, &info) == 0);
    std::printf("type %c%c%c%c %-4s \"%s\" in %d out %d\n", static_cast<char>(info.typeCode >> 24),
                static_cast<char>(info.typeCode >> 16), static_cast<char>(info.typeCode >> 8),
                static_cast<char>(info.typeCode), info.kind == PI_KIND_RTAS ? "RTAS" : "AS", info.name,
                info.inputCode, info.outputCode);
    CHECK(std::strcmp(info.pageTable, "MonoPageTables") == 0);
    CHECK(std::strcmp(info.manufacturer, "Tarnwell Audio\nTarnwell\n") == 0);
    if (info.typeCode == PI_FOURCC('R', 'T', 'a', 'c')) {
      sawStereoRtas = true;
      CHECK(info.kind == PI_KIND_RTAS);
      CHECK(std::strcmp(info.name, "Tarnwell Spanora3 (Stereo)") == 0);
      CHECK(info.inputCode == 1 && info.outputCode == 1);
    }
  }
  CHECK(sawStereoRtas);

  // The byte-swap callback is registered for the module's resource file.
  CHECK(host.swapperCount() == 1);
  char resourceFile[1024] = {};
  CHECK(host.resourceFile(0, resourceFile, sizeof resourceFile) == 0);
  CHECK(std::string(resourceFile) == std::string(modulePath) + ".rsr");
  CheckResourceSwap(host);

  // An instance of the stereo RTAS type and its controls.
  int cookieA = 0;
  int cookieB = 0;
  PiInstanceRef a = m.create(PI_FOURCC('R', 'T', 'a', 'c'), &cookieA, 48000.0, 256);
  CHECK(a != nullptr);
  CHECK(m.create(PI_FOURCC('R', 'T', 'a', 'd'), &cookieB, 48000.0, 256) == nullptr);  // LCR: not served
  if (a == nullptr) return;
  const int controls = m.controlCount(a);
  CHECK(controls == 64 + 3);
  PiControlInfo info{};
  CHECK(m.controlInfo(a, 0, &info) == PI_NO_ERR && std::strcmp(info.name, "IID Width") == 0);
  CHECK(m.controlInfo(a, 64, &info) == PI_NO_ERR && info.id == PI_CONTROL_ID_BYPASS);
  CHECK(std::strcmp(info.name, "Master Bypass\nBypass") == 0);
  CHECK(m.controlInfo(a, 65, &info) == PI_NO_ERR && info.id == PI_CONTROL_ID_MONO_GAIN);
  CHECK(std::strcmp(info.name, "Mono Gain\nGain\nGan") == 0 && info.defaultValue == 1.0f);
  CHECK(m.controlInfo(a, 66, &info) == PI_NO_ERR && std::strcmp(info.name, "Program") == 0);
  CHECK(m.controlInfo(a, 67, &info) == PI_ERR_BAD_CONTROL);

  char text[64] = {};
  CHECK(m.controlText(a, 66, text, sizeof text) == PI_NO_ERR && std::strcmp(text, "Tickle my beats") == 0);
  // Choosing a program re-sends every parameter; the host hears of each.
  CHECK(m.setControl(a, 66, 12.0f / 59.0f) == PI_NO_ERR);
  CHECK(m.controlText(a, 66, text, sizeof text) == PI_NO_ERR && std::strcmp(text, "Analyser") == 0);
  CHECK(host.changeCount(&cookieA, PI_CONTROL_VALUE) >= 64);

  for (int i = 0; i < 64; ++i) CHECK(m.setControl(a, i, static_cast<float>((i * 37) % 64) / 64.0f) == PI_NO_ERR);
  float value = -1.0f;
  CHECK(m.getControl(a, 5, &value) == PI_NO_ERR && value == static_cast<float>((5 * 37) % 64) / 64.0f);
  CHECK(m.controlText(a, 0, text, sizeof text) == PI_NO_ERR && text[0] != '\0');
  CHECK(m.setControl(a, 65, 0.5f) == PI_NO_ERR);
  CHECK(m.controlText(a, 65, text, sizeof text) == PI_NO_ERR && std::strcmp(text, "-6.0 dB") == 0);

  // Audio with advancing sample positions; the effect's getTimeInfo follows them.
  constexpr int kFrames = 256;
  std::vector<float> left(kFrames), right(kFrames), outL(kFrames), outR(kFrames);
  const float* in[2] = {left.data(), right.data()};
  float* out[2] = {outL.data(), outR.data()};
  CHECK(m.hostEvent(a, PI_EVENT_TRANSPORT_START) == PI_NO_ERR);
  std::int64_t position = 96000;
  for (int block = 0; block < 8; ++block, position += kFrames) {
    for (int i = 0; i < kFrames; ++i) {
      left[static_cast<std::size_t>(i)] = std::sin(0.01f * static_cast<float>(position + i));
      right[static_cast<std::size_t>(i)] = 0.5f * left[static_cast<std::size_t>(i)];
    }
    CHECK(m.processRTAS(a, in, out, kFrames, position) == PI_NO_ERR);
    PiDiagnostics d{};
    CHECK(m.diagnostics(a, &d) == PI_NO_ERR);
    CHECK(d.timeInfoValid == 1 && d.timeInfoSamplePos == static_cast<double>(position));
    CHECK(d.timeInfoSampleRate == 48000.0);
    for (int i = 0; i < kFrames; ++i) CHECK(std::isfinite(outL[static_cast<std::size_t>(i)]));
  }
  CHECK(m.processAS(a, in, out, kFrames) == PI_NO_ERR);
  CHECK(m.processRTAS(a, nullptr, out, kFrames, 0) == PI_ERR_BAD_ARGUMENT);

  // State into a second instance.
  const std::vector<std::uint8_t> state = Save(m, a, PI_CHUNK_EFFECT);
  CHECK(state.size() > PI_CHUNK_HEADER_SIZE);
  CHECK(kiv::GetBig32(state.data()) == state.size());
  CHECK(kiv::GetBig32(state.data() + 8) == PI_CHUNK_EFFECT);
  PiChunkInfo chunk{};
  CHECK(m.chunkInfo(a, 0, &chunk) == PI_NO_ERR && chunk.id == PI_CHUNK_EFFECT);
  CHECK(std::strcmp(chunk.name, "Complete Controls State") == 0);

  PiInstanceRef b = m.create(PI_FOURCC('R', 'T', 'a', 'c'), &cookieB, 48000.0, 256);
  CHECK(b != nullptr);
  if (b != nullptr) {
    CHECK(m.restoreChunk(b, PI_CHUNK_EFFECT, state.data(), static_cast<std::uint32_t>(state.size())) == PI_NO_ERR);
    for (int i = 0; i < 64; ++i) {
      float va = -1.0f;
      float vb = -2.0f;
      CHECK(m.getControl(a, i, &va) == PI_NO_ERR && m.getControl(b, i, &vb) == PI_NO_ERR);
      if (va != vb) std::fprintf(stderr, "parameter %d: %g restored as %g\n", i, va, vb);
      CHECK(va == vb);
    }
    // The adaptor's own controls travel in their own chunk.
    const std::vector<std::uint8_t> adaptorState = Save(m, a, PI_CHUNK_ADAPTOR);
    CHECK(m.restoreChunk(b, PI_CHUNK_ADAPTOR, adaptorState.data(),
                         static_cast<std::uint32_t>(adaptorState.size())) == PI_NO_ERR);
    CHECK(m.getControl(b, 65, &value) == PI_NO_ERR && value == 0.5f);

    // Bad chunks: an error, no crash, the values before the fault kept.
    std::vector<std::uint8_t> bad = state;
    CHECK(m.restoreChunk(b, PI_CHUNK_EFFECT, bad.data(), 40) == PI_ERR_BAD_CHUNK);
    kiv::PutBig32(bad.data(), static_cast<std::uint32_t>(bad.size() + 4));
    CHECK(m.restoreChunk(b, PI_CHUNK_EFFECT, bad.data(), static_cast<std::uint32_t>(bad.size())) == PI_ERR_BAD_CHUNK);
    CHECK(m.restoreChunk(b, PI_FOURCC('x', 'y', 'z', 'w'), state.data(), static_cast<std::uint32_t>(state.size())) ==
          PI_ERR_UNKNOWN_CHUNK);
    // Cut inside the entries, with a header that agrees: a missing key.
    bad.assign(state.begin(), state.begin() + PI_CHUNK_HEADER_SIZE + 100);
    kiv::PutBig32(bad.data(), static_cast<std::uint32_t>(bad.size()));
    CHECK(m.setControl(b, 0, 0.75f) == PI_NO_ERR);
    CHECK(m.restoreChunk(b, PI_CHUNK_EFFECT, bad.data(), static_cast<std::uint32_t>(bad.size())) ==
          PI_ERR_CHUNK_KEY_MISSING);
    float first = -1.0f;
    float original = -2.0f;
    CHECK(m.getControl(b, 0, &first) == PI_NO_ERR && m.getControl(a, 0, &original) == PI_NO_ERR);
    CHECK(first == original);  // applied before the cut
  }

  // A transport stop flushes the effect before its next block.
  PiDiagnostics d{};
  CHECK(m.diagnostics(a, &d) == PI_NO_ERR && d.flushCount == 0);
  CHECK(m.hostEvent(a, PI_EVENT_TRANSPORT_STOP) == PI_NO_ERR);
  CHECK(m.processRTAS(a, in, out, kFrames, position) == PI_NO_ERR);
  CHECK(m.diagnostics(a, &d) == PI_NO_ERR && d.flushCount == 1);

  m.destroy(b);
  m.destroy(a);

  // Two opens, three closes: the first close keeps it open, the third is harmless.
  m.close();
  CHECK(m.openCount() == 1);
  CHECK(host.typeCount() == 6);
  closeProc();
  CHECK(m.openCount() == 0);
  CHECK(host.typeCount() == 0);
  CHECK(host.swapperCount() == 0);
  m.close();
  CHECK(m.openCount() == 0);

  dlclose(moduleHandle);
  CHECK(host.getProcs(nullptr, nullptr) == 0);  // taken back at unload
  dlclose(hostHandle);
}

void RunWithoutHost(const char* modulePath) {
  void* moduleHandle = dlopen(modulePath, RTLD_NOW | RTLD_LOCAL);
  if (moduleHandle == nullptr) {
    std::fprintf(stderr, "cannot load module: %s\n", dlerror());
    ++g_failures;
    return;
  }
  const Module m(moduleHandle);
  if (m.Complete()) {
    CHECK(m.openCount() == 1);  // no host library: it opened at once
    PiInstanceRef instance = m.create(PI_FOURCC('A', 'S', 'a', 'c'), nullptr, 44100.0, 512);
    CHECK(instance != nullptr);
    m.destroy(instance);
    m.close();
    CHECK(m.openCount() == 0);
    CHECK(m.create(PI_FOURCC('A', 'S', 'a', 'c'), nullptr, 44100.0, 512) == nullptr);
  }
  dlclose(moduleHandle);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--no-host") == 0) {
    RunWithoutHost(argv[2]);
  } else if (argc == 3) {
    RunSession(argv[1], argv[2]);
  } else {
    std::fprintf(stderr, "usage: %s HOST_LIBRARY MODULE | --no-host MODULE\n", argv[0]);
    return 2;
  }
  if (g_failures != 0) {
    std::fprintf(stderr, "%d check(s) failed\n", g_failures);
    return 1;
  }
  std::printf("all checks passed\n");
  return 0;
}
