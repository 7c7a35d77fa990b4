#include "tools/vsthost/HostEnvironment.h"

#include <algorithm>
#include <cstring>

#include "Helpers/ErrorReport.h"

namespace vsthost {
namespace {

// Copies text into a plug-in's buffer of the VST string size (64 bytes).
void CopyOut(const std::string& text, void* ptr) {
  if (!ptr) return;
  auto* out = static_cast<char*>(ptr);
  const std::size_t length = std::min<std::size_t>(text.size(), vst::kVstMaxVendorStrLen - 1);
  std::memcpy(out, text.data(), length);
  out[length] = '\0';
}

}  // namespace

CHostEnvironment::CHostEnvironment() {
  m_canDo = {"acceptIOChanges", "sendVstTimeInfo"};
  m_events.reserve(EVENT_CAPACITY);
  m_timeInfo.sampleRate = 44100.0;
  m_timeInfo.tempo = 120.0;
  m_timeInfo.timeSigNumerator = 4;
  m_timeInfo.timeSigDenominator = 4;
  m_timeInfo.flags = vst::kVstTempoValid | vst::kVstPpqPosValid | vst::kVstBarsValid | vst::kVstTimeSigValid;
}

void CHostEnvironment::SetVendorString(const std::string& vendor) noexcept {
  kiv::Guard(KIV_SIGNATURE, [&] { m_sVendor = vendor; });
}

void CHostEnvironment::SetProductString(const std::string& product) noexcept {
  kiv::Guard(KIV_SIGNATURE, [&] { m_sProduct = product; });
}

void CHostEnvironment::SetVendorVersion(std::int32_t version) noexcept { m_nVendorVersion = version; }

void CHostEnvironment::SetCanDo(const std::vector<std::string>& capabilities) noexcept {
  kiv::Guard(KIV_SIGNATURE, [&] { m_canDo = capabilities; });
}

void CHostEnvironment::SetSampleRate(float sampleRate) noexcept {
  m_fSampleRate = sampleRate;
  m_timeInfo.sampleRate = sampleRate;
}

float CHostEnvironment::GetSampleRate() const noexcept { return m_fSampleRate; }

void CHostEnvironment::SetBlockSize(std::int32_t blockSize) noexcept { m_nBlockSize = blockSize; }

std::int32_t CHostEnvironment::GetBlockSize() const noexcept { return m_nBlockSize; }

void CHostEnvironment::SetTimeInfo(const vst::VstTimeInfo& timeInfo) noexcept { m_timeInfo = timeInfo; }

vst::VstTimeInfo CHostEnvironment::GetTimeInfo() const noexcept { return m_timeInfo; }

void CHostEnvironment::SetTimeInfoAvailable(bool available) noexcept { m_bTimeInfoAvailable = available; }

void CHostEnvironment::AdvanceTime(std::int32_t frames) noexcept {
  if (!(m_timeInfo.flags & vst::kVstTransportPlaying) || frames <= 0) return;
  m_timeInfo.samplePos += frames;
  if (m_timeInfo.sampleRate > 0.0) m_timeInfo.ppqPos += frames / m_timeInfo.sampleRate * m_timeInfo.tempo / 60.0;
}

std::vector<SHostEvent> CHostEnvironment::GetEvents() const noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::vector<SHostEvent>{}, [&] {
    std::lock_guard lock(m_recordMutex);
    return m_events;
  });
}

std::vector<SHostEvent> CHostEnvironment::GetAutomation() const noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::vector<SHostEvent>{}, [&] {
    std::vector<SHostEvent> automation;
    std::lock_guard lock(m_recordMutex);
    std::copy_if(m_events.begin(), m_events.end(), std::back_inserter(automation),
                 [](const SHostEvent& e) { return e.kind == SHostEvent::EKind::Automate; });
    return automation;
  });
}

std::vector<std::string> CHostEnvironment::GetCanDoQueries() const noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::vector<std::string>{}, [&] {
    std::lock_guard lock(m_recordMutex);
    return m_canDoQueries;
  });
}

std::size_t CHostEnvironment::GetDroppedEvents() const noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::size_t{0}, [&] {
    std::lock_guard lock(m_recordMutex);
    return m_nDroppedEvents;
  });
}

int CHostEnvironment::GetIOChangedCount() const noexcept { return m_nIOChanged; }

int CHostEnvironment::GetUpdateDisplayCount() const noexcept { return m_nUpdateDisplay; }

int CHostEnvironment::GetTimeInfoRequests() const noexcept { return m_nTimeInfoRequests; }

void CHostEnvironment::ClearRecords() noexcept {
  kiv::Guard(KIV_SIGNATURE, [&] {
    std::lock_guard lock(m_recordMutex);
    m_events.clear();  // keeps the reserved capacity
    m_canDoQueries.clear();
    m_nDroppedEvents = 0;
    m_nIOChanged = 0;
    m_nUpdateDisplay = 0;
    m_nTimeInfoRequests = 0;
  });
}

void CHostEnvironment::Record(SHostEvent event) {
  event.thread = std::this_thread::get_id();
  std::lock_guard lock(m_recordMutex);
  if (m_events.size() < EVENT_CAPACITY) m_events.push_back(event);
  else ++m_nDroppedEvents;
}

std::intptr_t CHostEnvironment::Answer(vst::AEffect* /*effect*/, std::int32_t opcode, std::int32_t index,
                                       std::intptr_t /*value*/, void* ptr, float opt) noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::intptr_t{0}, [&]() -> std::intptr_t {
    switch (opcode) {
      case vst::audioMasterVersion: return HOST_VST_VERSION;
      case vst::audioMasterAutomate: Record({SHostEvent::EKind::Automate, index, opt, {}}); return 0;
      case vst::audioMasterBeginEdit: Record({SHostEvent::EKind::BeginEdit, index, 0.0f, {}}); return 1;
      case vst::audioMasterEndEdit: Record({SHostEvent::EKind::EndEdit, index, 0.0f, {}}); return 1;
      case vst::audioMasterIOChanged: ++m_nIOChanged; return 1;
      case vst::audioMasterUpdateDisplay: ++m_nUpdateDisplay; return 1;
      case vst::audioMasterGetTime:
        ++m_nTimeInfoRequests;
        return m_bTimeInfoAvailable ? reinterpret_cast<std::intptr_t>(&m_timeInfo) : 0;
      case vst::audioMasterGetSampleRate: return static_cast<std::intptr_t>(m_fSampleRate.load());
      case vst::audioMasterGetBlockSize: return m_nBlockSize;
      case vst::audioMasterGetVendorString: CopyOut(m_sVendor, ptr); return ptr ? 1 : 0;
      case vst::audioMasterGetProductString: CopyOut(m_sProduct, ptr); return ptr ? 1 : 0;
      case vst::audioMasterGetVendorVersion: return m_nVendorVersion;
      case vst::audioMasterCanDo: {
        if (!ptr) return 0;
        const std::string asked(static_cast<const char*>(ptr));
        {
          std::lock_guard lock(m_recordMutex);
          m_canDoQueries.push_back(asked);
        }
        return std::find(m_canDo.begin(), m_canDo.end(), asked) != m_canDo.end() ? 1 : 0;
      }
      default: return 0;
    }
  });
}

}  // namespace vsthost
