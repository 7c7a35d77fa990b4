#include "tools/spanora/PluginSession.h"

#include <cstdio>
#include <filesystem>

#include "platform/Environment.h"

namespace spanora {

std::string ResolvePluginPath(const std::optional<std::string>& given) {
  // dlopen searches the library path for a bare file name; a file that is
  // here is meant.
  if (given) return given->find('/') == std::string::npos && std::filesystem::exists(*given) ? "./" + *given : *given;
  if (auto fromEnvironment = platform::GetEnvironment(PLUGIN_ENV); fromEnvironment && !fromEnvironment->empty())
    return *fromEnvironment;
  // The build puts this executable in <build>/tools and the plug-in in <build>.
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return PLUGIN_FILE;
  return (self.parent_path().parent_path() / PLUGIN_FILE).lexically_normal().string();
}

bool StartSession(vsthost::CVstHost& host, const std::string& path, float sampleRate, int blockSize) {
  if (!host.Load(path)) {
    std::fprintf(stderr, "spanora: %s\n", host.GetError().c_str());
    return false;
  }
  host.Open();
  host.SetSampleRate(sampleRate);
  host.SetBlockSize(blockSize);
  host.SetMainsOn(true);
  return true;
}

void StartTransport(vsthost::CVstHost& host, double tempo) {
  vst::VstTimeInfo info = host.Host().GetTimeInfo();
  info.samplePos = 0.0;
  info.ppqPos = 0.0;
  info.barStartPos = 0.0;
  info.tempo = tempo;
  info.flags |= vst::kVstTempoValid | vst::kVstTransportPlaying;
  host.Host().SetTimeInfo(info);
  host.Host().SetTimeInfoAvailable(true);
}

std::string FourCCText(int code) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const int c = (static_cast<unsigned>(code) >> shift) & 0xff;
    text.push_back(c >= 0x20 && c < 0x7f ? static_cast<char>(c) : '?');
  }
  return text;
}

}  // namespace spanora
