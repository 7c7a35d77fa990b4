#pragma once
// The channel formats a Pro Tools-family host offers and the effect types the
// plug-in group registers for them (one AudioSuite, one RTAS type each).
#include <cstdint>
#include <span>

struct SChannelFormat {
  const char* name;
  std::uint32_t audioSuiteType;
  std::uint32_t rtasType;
  std::int32_t inputCode;  // the host's stream-format codes
  std::int32_t outputCode;
  std::int32_t inputChannels;
  std::int32_t outputChannels;
};

std::span<const SChannelFormat> ChannelFormats();

// A format is served when the effect can take each of its input channels and
// feed each of its outputs: inputs and outputs both within the effect's own
// counts. The stereo widener therefore serves "Mono" (the mono source feeds
// both effect inputs and the output folds down), "Mono to Stereo" and
// "Stereo"; the surround formats would leave channels the effect cannot
// process, so they are not offered.
bool IsFormatServed(const SChannelFormat& format, int effectInputs, int effectOutputs);

// The format registered under an AudioSuite or RTAS type code; null if none.
const SChannelFormat* FindChannelFormat(std::uint32_t typeCode, bool* isAudioSuite);
