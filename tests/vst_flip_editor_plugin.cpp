// A VST 2.x module of the widener effect with the tests' small flip editor in
// place of the widener's face, so that the flip editor's base, its derived
// controls and its back pages run in a real host window.
#include "resources/TestResources.h"
#include "tests/support/TestFlipEditor.h"
#include "widener/ASpanora.h"
#include "widener/SpanoraFactory.h"

extern "C" __attribute__((visibility("default"))) vst::AEffect* VSTPluginMain(vst::HostCallback host) {
  if (host == nullptr || host(nullptr, vst::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
  static const bool images = resources::AddResourceTable(&resources::kTestResources);
  if (!images) return nullptr;
  SetSpanoraEditorFactory([](ASpanora* effect) -> CKivEditorInterface* { return new CTestFlipEditor(effect); });
  KivEffect* effect = CreateSpanoraEffect(host);
  return effect ? effect->getAeffect() : nullptr;
}
