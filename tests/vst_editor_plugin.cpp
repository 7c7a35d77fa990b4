// A VST 2.x module whose effect has an editor: the stock-control demo face.
// The editor tests load it through our own host, as a host would.
#include "Helpers/Vst/AEffect.h"
#include "tools/editordemo/DemoEffect.h"

extern "C" __attribute__((visibility("default"))) vst::AEffect* VSTPluginMain(vst::HostCallback host) {
  if (host == nullptr || host(nullptr, vst::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
  auto* effect = new editordemo::CDemoEffect(host);
  return effect->getAeffect();
}
