#include "tools/editordemo/DemoEffect.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace editordemo {

CDemoEffect::CDemoEffect(vst::HostCallback host) : AudioEffectX(host, 1, CDemoEditor::NUM_PARAMS) {
  setNumInputs(2);
  setNumOutputs(2);
  setUniqueID(vst::FourCC('D', 'm', 'E', 'd'));
  canProcessReplacing(true);
  for (int i = 0; i < CDemoEditor::NUM_PARAMS; ++i) m_fValues[i] = 0.5f;
  m_pDemoEditor = new CDemoEditor(this);
  setEditor(m_pDemoEditor);
}

void CDemoEffect::processReplacing(float** inputs, float** outputs, std::int32_t frames) {
  if (!inputs || !outputs) return;
  for (int c = 0; c < 2; ++c)
    if (inputs[c] && outputs[c] && inputs[c] != outputs[c])
      std::memcpy(outputs[c], inputs[c], sizeof(float) * static_cast<std::size_t>(frames > 0 ? frames : 0));
}

void CDemoEffect::setParameter(std::int32_t index, float value) {
  if (index < 0 || index >= CDemoEditor::NUM_PARAMS || !std::isfinite(value)) return;
  m_fValues[index] = value;
  // From any thread: the editor only records it.
  if (m_pDemoEditor) m_pDemoEditor->UpdateParameter(index, value);
}

float CDemoEffect::getParameter(std::int32_t index) {
  return index >= 0 && index < CDemoEditor::NUM_PARAMS ? m_fValues[index].load() : 0.0f;
}

void CDemoEffect::getParameterName(std::int32_t index, char* text) { std::snprintf(text, 9, "Param%d", index); }

bool CDemoEffect::getEffectName(char* name) {
  std::snprintf(name, 32, "Editor Demo");
  return true;
}

}  // namespace editordemo
