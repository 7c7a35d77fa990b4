// Modules that a host must refuse, one per build variant: no entry point,
// an entry point that creates nothing, and one that returns a record
// without the VST magic.
#include "Helpers/Vst/AEffect.h"

#if defined(BROKEN_RETURNS_NULL)
extern "C" __attribute__((visibility("default"))) vst::AEffect* VSTPluginMain(vst::HostCallback) {
  return nullptr;
}
#elif defined(BROKEN_BAD_MAGIC)
namespace {
vst::AEffect g_record{};
}
extern "C" __attribute__((visibility("default"))) vst::AEffect* VSTPluginMain(vst::HostCallback) {
  g_record.magic = vst::FourCC('N', 'o', 'p', 'e');
  return &g_record;
}
#else
extern "C" __attribute__((visibility("default"))) int NotAPlugin() { return 1; }
#endif
