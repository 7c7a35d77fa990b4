#pragma once
// What our host tells a plug-in through the audio-master callback, and what
// it records of the plug-in's calls: host identity, can-do answers, sample
// rate and block size, transport time, and the automation, edit gestures,
// IO changes and display updates the plug-in announces.
//
// Threads: the plug-in may call back from any thread, the audio thread
// included. Records are kept under a short mutex in storage reserved up
// front (no allocation while recording automation, up to EVENT_CAPACITY
// events; later ones are counted as dropped). That is fine for tests and
// offline tools, which is what this host is for; it is not a real-time host.
// Identity, can-do list and time info are set by the controlling thread
// between plug-in calls, not while the plug-in processes.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Helpers/Vst/AEffect.h"

namespace vsthost {

struct SHostEvent {
  enum class EKind { Automate, BeginEdit, EndEdit };
  EKind kind = EKind::Automate;
  std::int32_t index = 0;
  float value = 0.0f;  // Automate only
  std::thread::id thread;  // the thread the plug-in called back on
};

class CHostEnvironment {
 public:
  static constexpr std::int32_t HOST_VST_VERSION = 2400;
  static constexpr std::size_t EVENT_CAPACITY = 65536;

  CHostEnvironment();

  // Identity. Strings longer than the 63 characters the VST interface allots
  // are cut when handed to the plug-in.
  void SetVendorString(const std::string& vendor) noexcept;    // default "Tarnwell Audio"
  void SetProductString(const std::string& product) noexcept;  // default "spanora"
  void SetVendorVersion(std::int32_t version) noexcept;        // default 1000
  // The capabilities answered 1; everything else is answered 0 (unknown).
  void SetCanDo(const std::vector<std::string>& capabilities) noexcept;  // default acceptIOChanges, sendVstTimeInfo

  void SetSampleRate(float sampleRate) noexcept;  // also the time info's rate; default 44100
  float GetSampleRate() const noexcept;
  void SetBlockSize(std::int32_t blockSize) noexcept;  // default 1024
  std::int32_t GetBlockSize() const noexcept;

  // Transport. Default: stopped at 0, 120 BPM in 4/4, tempo, bars-beats and
  // signature valid. Without time info, audioMasterGetTime answers null.
  void SetTimeInfo(const vst::VstTimeInfo& timeInfo) noexcept;
  vst::VstTimeInfo GetTimeInfo() const noexcept;
  void SetTimeInfoAvailable(bool available) noexcept;
  // Moves a playing transport on by frames (position and quarter notes).
  void AdvanceTime(std::int32_t frames) noexcept;

  // Records.
  std::vector<SHostEvent> GetEvents() const noexcept;
  std::vector<SHostEvent> GetAutomation() const noexcept;  // the Automate events only
  std::vector<std::string> GetCanDoQueries() const noexcept;
  std::size_t GetDroppedEvents() const noexcept;
  int GetIOChangedCount() const noexcept;
  int GetUpdateDisplayCount() const noexcept;
  int GetTimeInfoRequests() const noexcept;
  void ClearRecords() noexcept;

  // The callback's answer to one plug-in request.
  std::intptr_t Answer(vst::AEffect* effect, std::int32_t opcode, std::int32_t index, std::intptr_t value,
                       void* ptr, float opt) noexcept;

 private:
  void Record(SHostEvent event);

  std::string m_sVendor = "Tarnwell Audio";
  std::string m_sProduct = "spanora";
  std::int32_t m_nVendorVersion = 1000;
  std::vector<std::string> m_canDo;
  std::atomic<float> m_fSampleRate{44100.0f};
  std::atomic<std::int32_t> m_nBlockSize{1024};
  vst::VstTimeInfo m_timeInfo{};
  bool m_bTimeInfoAvailable = true;

  mutable std::mutex m_recordMutex;
  std::vector<SHostEvent> m_events;  // capacity reserved at construction
  std::vector<std::string> m_canDoQueries;
  std::size_t m_nDroppedEvents = 0;
  std::atomic<int> m_nIOChanged{0};
  std::atomic<int> m_nUpdateDisplay{0};
  std::atomic<int> m_nTimeInfoRequests{0};
};

}  // namespace vsthost
