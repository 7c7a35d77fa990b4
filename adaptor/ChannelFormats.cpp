#include "adaptor/ChannelFormats.h"

#include "Helpers/ErrorReport.h"
#include "adaptor/PlugInAbi.h"

namespace {

// 5.1 and 6.0 continue the host's code sequence (Mono 0 ... 5.0 5).
constexpr SChannelFormat kFormats[] = {
    {"Mono", PI_FOURCC('A', 'S', 'a', 'a'), PI_FOURCC('R', 'T', 'a', 'a'), 0, 0, 1, 1},
    {"Mono to Stereo", PI_FOURCC('A', 'S', 'a', 'b'), PI_FOURCC('R', 'T', 'a', 'b'), 0, 1, 1, 2},
    {"Stereo", PI_FOURCC('A', 'S', 'a', 'c'), PI_FOURCC('R', 'T', 'a', 'c'), 1, 1, 2, 2},
    {"LCR", PI_FOURCC('A', 'S', 'a', 'd'), PI_FOURCC('R', 'T', 'a', 'd'), 2, 2, 3, 3},
    {"Quad", PI_FOURCC('A', 'S', 'a', 'e'), PI_FOURCC('R', 'T', 'a', 'e'), 3, 3, 4, 4},
    {"LCRS", PI_FOURCC('A', 'S', 'a', 'f'), PI_FOURCC('R', 'T', 'a', 'f'), 4, 4, 4, 4},
    {"5.0", PI_FOURCC('A', 'S', 'a', 'g'), PI_FOURCC('R', 'T', 'a', 'g'), 5, 5, 5, 5},
    {"5.1", PI_FOURCC('A', 'S', 'a', 'h'), PI_FOURCC('R', 'T', 'a', 'h'), 6, 6, 6, 6},
    {"6.0", PI_FOURCC('A', 'S', 'a', 'i'), PI_FOURCC('R', 'T', 'a', 'i'), 7, 7, 6, 6},
};

}  // namespace

std::span<const SChannelFormat> ChannelFormats() { return kFormats; }

bool IsFormatServed(const SChannelFormat& format, int effectInputs, int effectOutputs) {
  return format.inputChannels >= 1 && format.outputChannels >= 1 && format.inputChannels <= effectInputs &&
         format.outputChannels <= effectOutputs;
}

const SChannelFormat* FindChannelFormat(std::uint32_t typeCode, bool* isAudioSuite) {
  return kiv::Guard(KIV_SIGNATURE, static_cast<const SChannelFormat*>(nullptr), [&]() -> const SChannelFormat* {
    for (const SChannelFormat& format : kFormats) {
      if (format.audioSuiteType == typeCode || format.rtasType == typeCode) {
        if (isAudioSuite) *isAudioSuite = format.audioSuiteType == typeCode;
        return &format;
      }
    }
    return nullptr;
  });
}
