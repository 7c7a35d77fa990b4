// The stand-in host library: fixed tables behind one mutex. Nothing here is
// on an audio path; control notices may come from any thread.
#include "adaptor/host/StandInHost.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "Helpers/ErrorReport.h"

namespace {

constexpr int kMaxTypes = 64;
constexpr int kMaxSwappers = 8;
constexpr int kMaxGestalts = 16;
constexpr int kMaxNotices = 4096;

struct SSwapper {
  int32_t handle;
  char file[1024];
  PiResourceSwapProc swap;
};

struct SGestalt {
  uint32_t selector;
  int32_t value;
};

struct SNotice {
  void* cookie;
  int32_t control;
  int32_t event;
  float value;
};

struct SHostState {
  std::mutex lock;
  PiOpenProc open = nullptr;
  PiCloseProc close = nullptr;
  PiEffectTypeInfo types[kMaxTypes] = {};
  int typeCount = 0;
  SSwapper swappers[kMaxSwappers] = {};
  int swapperCount = 0;
  int32_t nextSwapperHandle = 1;
  SGestalt gestalts[kMaxGestalts] = {};
  int gestaltCount = 0;
  SNotice notices[kMaxNotices] = {};
  int noticeCount = 0;  // the oldest are dropped once the table is full
};

SHostState& State() {
  static SHostState state;
  return state;
}

}  // namespace

extern "C" {

void SetPlugInOpenAndCloseProcs(PiOpenProc open, PiCloseProc close) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    std::lock_guard<std::mutex> hold(State().lock);
    State().open = open;
    State().close = close;
  });
}

int32_t DAE_RegisterEffectType(const PiEffectTypeInfo* info) {
  return kiv::Guard(KIV_SIGNATURE, int32_t{-1}, [&]() -> int32_t {
    SHostState& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    if (info == nullptr || s.typeCount == kMaxTypes) return -1;
    for (int i = 0; i < s.typeCount; ++i) {
      if (s.types[i].typeCode == info->typeCode) return -1;
    }
    s.types[s.typeCount++] = *info;
    return 0;
  });
}

int32_t DAE_UnregisterEffectType(uint32_t typeCode) {
  return kiv::Guard(KIV_SIGNATURE, int32_t{-1}, [&]() -> int32_t {
    SHostState& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    for (int i = 0; i < s.typeCount; ++i) {
      if (s.types[i].typeCode == typeCode) {
        for (int j = i + 1; j < s.typeCount; ++j) s.types[j - 1] = s.types[j];
        --s.typeCount;
        return 0;
      }
    }
    return -1;
  });
}

int32_t DAE_Gestalt(uint32_t selector, int32_t* response) {
  return kiv::Guard(KIV_SIGNATURE, int32_t{-1}, [&]() -> int32_t {
    SHostState& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    for (int i = 0; i < s.gestaltCount; ++i) {
      if (s.gestalts[i].selector == selector) {
        if (response) *response = s.gestalts[i].value;
        return 0;
      }
    }
    return -1;
  });
}

void DAE_ControlChanged(void* hostCookie, int32_t control, int32_t event, float value) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    SHostState& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    if (s.noticeCount == kMaxNotices) {
      std::memmove(s.notices, s.notices + 1, sizeof(SNotice) * (kMaxNotices - 1));
      --s.noticeCount;
    }
    s.notices[s.noticeCount++] = SNotice{hostCookie, control, event, value};
  });
}

int32_t DigiExt_RegisterResourceSwapper(const char* resourceFile, PiResourceSwapProc swap) {
  return kiv::Guard(KIV_SIGNATURE, int32_t{-1}, [&]() -> int32_t {
    SHostState& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    if (resourceFile == nullptr || swap == nullptr || s.swapperCount == kMaxSwappers) return -1;
    SSwapper& entry = s.swappers[s.swapperCount++];
    entry.handle = s.nextSwapperHandle++;
    std::snprintf(entry.file, sizeof entry.file, "%s", resourceFile);
    entry.swap = swap;
    return entry.handle;
  });
}

int32_t DigiExt_UnregisterResourceSwapper(int32_t handle) {
  return kiv::Guard(KIV_SIGNATURE, int32_t{-1}, [&]() -> int32_t {
    SHostState& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    for (int i = 0; i < s.swapperCount; ++i) {
      if (s.swappers[i].handle == handle) {
        for (int j = i + 1; j < s.swapperCount; ++j) s.swappers[j - 1] = s.swappers[j];
        --s.swapperCount;
        return 0;
      }
    }
    return -1;
  });
}

void StandIn_Reset(void) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    SHostState& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    s.open = nullptr;
    s.close = nullptr;
    s.typeCount = 0;
    s.swapperCount = 0;
    s.gestaltCount = 0;
    s.noticeCount = 0;
  });
}

int32_t StandIn_GetPlugInOpenAndCloseProcs(PiOpenProc* open, PiCloseProc* close) {
  return kiv::Guard(KIV_SIGNATURE, int32_t{0}, [&]() -> int32_t {
    SHostState& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    if (open) *open = s.open;
    if (close) *close = s.close;
    return (s.open != nullptr && s.close != nullptr) ? 1 : 0;
  });
}

int32_t StandIn_EffectTypeCount(void) {
  return kiv::Guard(KIV_SIGNATURE, int32_t{0}, [&]() -> int32_t {
    std::lock_guard<std::mutex> hold(State().lock);
    return State().typeCount;
  });
}

int32_t StandIn_GetEffectType(int32_t index, PiEffectTypeInfo* info) {
  return kiv::Guard(KIV_SIGNATURE, int32_t{-1}, [&]() -> int32_t {
    SHostState& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    if (info == nullptr || index < 0 || index >= s.typeCount) return -1;
    *info = s.types[index];
    return 0;
  });
}

int32_t StandIn_ResourceSwapperCount(void) {
  return kiv::Guard(KIV_SIGNATURE, int32_t{0}, [&]() -> int32_t {
    std::lock_guard<std::mutex> hold(State().lock);
    return State().swapperCount;
  });
}

int32_t StandIn_GetResourceFile(int32_t index, char* text, int32_t size) {
  return kiv::Guard(KIV_SIGNATURE, int32_t{-1}, [&]() -> int32_t {
    SHostState& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    if (text == nullptr || size <= 0 || index < 0 || index >= s.swapperCount) return -1;
    std::snprintf(text, static_cast<std::size_t>(size), "%s", s.swappers[index].file);
    return 0;
  });
}

int32_t StandIn_SwapResource(uint32_t type, void* data, uint32_t size) {
  return kiv::Guard(KIV_SIGNATURE, int32_t{-1}, [&]() -> int32_t {
    PiResourceSwapProc swap = nullptr;
    {
      std::lock_guard<std::mutex> hold(State().lock);
      if (State().swapperCount > 0) swap = State().swappers[0].swap;
    }
    if (swap == nullptr) return -1;
    swap(type, data, size);
    return 0;
  });
}

void StandIn_SetGestalt(uint32_t selector, int32_t value) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    SHostState& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    for (int i = 0; i < s.gestaltCount; ++i) {
      if (s.gestalts[i].selector == selector) {
        s.gestalts[i].value = value;
        return;
      }
    }
    if (s.gestaltCount < kMaxGestalts) s.gestalts[s.gestaltCount++] = SGestalt{selector, value};
  });
}

void StandIn_ClearGestalt(uint32_t selector) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    SHostState& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    for (int i = 0; i < s.gestaltCount; ++i) {
      if (s.gestalts[i].selector == selector) {
        s.gestalts[i] = s.gestalts[--s.gestaltCount];
        return;
      }
    }
  });
}

int32_t StandIn_ControlChangeCount(void* hostCookie, int32_t event) {
  return kiv::Guard(KIV_SIGNATURE, int32_t{0}, [&]() -> int32_t {
    SHostState& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    int32_t count = 0;
    for (int i = 0; i < s.noticeCount; ++i) {
      if (s.notices[i].cookie == hostCookie && s.notices[i].event == event) ++count;
    }
    return count;
  });
}

int32_t StandIn_LastControlChange(void* hostCookie, int32_t event, int32_t* control, float* value) {
  return kiv::Guard(KIV_SIGNATURE, int32_t{-1}, [&]() -> int32_t {
    SHostState& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    for (int i = s.noticeCount - 1; i >= 0; --i) {
      const SNotice& n = s.notices[i];
      if (n.cookie == hostCookie && n.event == event) {
        if (control) *control = n.control;
        if (value) *value = n.value;
        return 0;
      }
    }
    return -1;
  });
}

}  // extern "C"
