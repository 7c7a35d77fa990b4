#include "tests/support/FakeHost.h"

#include <cstring>

namespace {
FakeHost* g_current = nullptr;

std::intptr_t Dispatch(vst::AEffect*, std::int32_t opcode, std::int32_t index, std::intptr_t,
                       void* ptr, float opt) {
  FakeHost* host = g_current;
  if (host == nullptr) return 0;
  switch (opcode) {
    case vst::audioMasterVersion: return 2400;
    case vst::audioMasterAutomate: host->automated.emplace_back(index, opt); return 1;
    case vst::audioMasterBeginEdit: host->beginEdits.push_back(index); return 1;
    case vst::audioMasterEndEdit: host->endEdits.push_back(index); return 1;
    case vst::audioMasterIOChanged: ++host->ioChangedCount; return 1;
    case vst::audioMasterUpdateDisplay: ++host->updateDisplayCount; return 1;
    case vst::audioMasterGetVendorString: std::strcpy(static_cast<char*>(ptr), host->vendor.c_str()); return 1;
    case vst::audioMasterGetProductString: std::strcpy(static_cast<char*>(ptr), host->product.c_str()); return 1;
    case vst::audioMasterGetVendorVersion: return 1;
    case vst::audioMasterCanDo:
      return (host->acceptIOChanges && std::strcmp(static_cast<char*>(ptr), "acceptIOChanges") == 0) ? 1 : 0;
    case vst::audioMasterGetTime:
      return host->answerTimeInfo ? reinterpret_cast<std::intptr_t>(&host->timeInfo) : 0;
    default: return 0;
  }
}
}  // namespace

FakeHost::FakeHost() {
  timeInfo.sampleRate = 44100.0;
  timeInfo.tempo = 120.0;
  timeInfo.flags = vst::kVstTempoValid;
  g_current = this;
}

FakeHost::~FakeHost() {
  if (g_current == this) g_current = nullptr;
}

vst::HostCallback FakeHost::Callback() const { return &Dispatch; }

