#pragma once
// The custom-view object of one plug-in instance: it holds the effect and
// turns the host events that concern the effect's memory into work for it.
// A transport stop asks for FlushWithSilence, so that playback started later,
// anywhere, never hears the tails of what played before. The flush itself
// runs on the audio thread at the start of the next block (RunPendingFlush),
// never beside processReplacing.
#include <atomic>
#include <cstdint>

class KivEffect;

class CAdaptorView {
 public:
  explicit CAdaptorView(KivEffect* effect) : m_pEffect(effect) {}

  // Any thread: PI_EVENT_TRANSPORT_START / _STOP. False for an unknown event.
  bool OnHostEvent(std::int32_t event);
  void RequestFlush();
  // Audio thread, before processing: runs a requested flush; true if it did.
  bool RunPendingFlush();
  std::int32_t FlushCount() const { return m_nFlushCount.load(std::memory_order_acquire); }
  bool IsTransportPlaying() const { return m_bPlaying.load(std::memory_order_acquire); }

 private:
  KivEffect* m_pEffect;
  std::atomic<bool> m_bFlushRequested{false};
  std::atomic<std::int32_t> m_nFlushCount{0};
  std::atomic<bool> m_bPlaying{false};
};
