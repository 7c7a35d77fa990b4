// The module's VST entry point: the only symbol the plug-in exports.
#include "Helpers/ErrorReport.h"
#include "widener/SpanoraEditor.h"
#include "widener/SpanoraFactory.h"

extern "C" __attribute__((visibility("default"))) vst::AEffect* VSTPluginMain(vst::HostCallback audioMaster) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<vst::AEffect*>(nullptr), [&]() -> vst::AEffect* {
    if (audioMaster == nullptr || audioMaster(nullptr, vst::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) {
      return nullptr;
    }
    InstallSpanoraEditor();
    KivEffect* effect = CreateSpanoraEffect(audioMaster);
    return effect ? effect->getAeffect() : nullptr;
  });
}
