#pragma once
// A pass-through effect with the demo face as its editor: the parameters
// the face's controls are bound to, nothing else.
#include <atomic>

#include "Helpers/Vst/AudioEffectX.h"
#include "tools/editordemo/DemoEditor.h"

namespace editordemo {

class CDemoEffect : public vst::AudioEffectX {
 public:
  explicit CDemoEffect(vst::HostCallback host);

  void processReplacing(float** inputs, float** outputs, std::int32_t frames) override;
  void setParameter(std::int32_t index, float value) override;
  float getParameter(std::int32_t index) override;
  void getParameterName(std::int32_t index, char* text) override;
  bool getEffectName(char* name) override;
  CDemoEditor* GetDemoEditor() const { return m_pDemoEditor; }

 private:
  std::atomic<float> m_fValues[CDemoEditor::NUM_PARAMS] = {};
  CDemoEditor* m_pDemoEditor;  // owned by the base
};

}  // namespace editordemo
