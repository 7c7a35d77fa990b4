#pragma once
// The stereo-image widener effect.
#include <atomic>

#include "Helpers/KivEffect.h"
#include "widener/SpanoraParameters.h"

// Process-wide: the editor keeps decoded images as textures (taken from the
// "CacheTextures" setting when an effect is built).
extern std::atomic<bool> g_bCacheTextures;

class ASpanora : public KivEffect {
 public:
  explicit ASpanora(vst::HostCallback audioMaster);
  ~ASpanora() override;

  // --- VST interface -------------------------------------------------------
  void processReplacing(float** inputs, float** outputs, std::int32_t frames) override;
  void getParameterName(std::int32_t index, char* text) override;
  void getParameterLabel(std::int32_t index, char* text) override;
  void getParameterDisplay(std::int32_t index, char* text) override;
  bool getEffectName(char* text) override;
  bool getProductString(char* text) override;
  std::int32_t canDo(const char* text) override;

  // --- KivEffect -----------------------------------------------------------
  int CreateFactoryPrograms() override;
  void ParameterChanged(int index) override;
  const char* GetParameterKey(int index) override;

  // --- Widener -------------------------------------------------------------
  // The host tempo in beats per second: tempo / 60 when the host reports a
  // valid tempo, 2 when it reports none, 0 when the request fails.
  float GetBeatsPerSecond();
  // The IID band count processing currently uses (1..10).
  int GetResolutionCount() const { return m_nResolutionCount.load(std::memory_order_relaxed); }

 private:
  std::atomic<int> m_nResolutionCount{10};
};
