#include "widener/SpanoraFactory.h"

#include <new>

#include "Helpers/ErrorReport.h"
#include "widener/ASpanora.h"

KivEffect* CreateSpanoraEffect(vst::HostCallback audioMaster) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<KivEffect*>(nullptr), [&]() -> KivEffect* {
    DetectHost(audioMaster);
    return new ASpanora(audioMaster);
  });
}
