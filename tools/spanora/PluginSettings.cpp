#include "tools/spanora/PluginSettings.h"

#include <strings.h>

#include "Helpers/KeyedChunk.h"
#include "tools/spanora/CommandLine.h"

namespace spanora {

int FindProgram(vsthost::CVstHost& host, const std::string& text) {
  const int count = host.GetNumPrograms();
  for (int index = 0; index < count; ++index) {
    std::string name;
    if (host.GetProgramNameIndexed(index, &name) && ::strcasecmp(name.c_str(), text.c_str()) == 0) return index;
  }
  double number = 0.0;
  if (text.find_first_not_of("0123456789") == std::string::npos && ParseNumber(text, &number) && number < count)
    return static_cast<int>(number);
  return -1;
}

int FindParameterKey(vsthost::CVstHost& host, const std::string& key) {
  int folded = -1;
  int foldedCount = 0;
  for (int index = 0; index < host.GetNumParams(); ++index) {
    const std::string candidate = host.GetParameterKey(index);
    if (candidate == key) return index;
    if (::strcasecmp(candidate.c_str(), key.c_str()) == 0) folded = index, ++foldedCount;
  }
  return foldedCount == 1 ? folded : -1;
}

std::vector<std::uint8_t> SaveKeyedState(vsthost::CVstHost& host) {
  CKeyedChunkEncoder encoder;
  for (int index = 0; index < host.GetNumParams(); ++index)
    encoder.AddFloat(host.GetParameterKey(index).c_str(), host.GetParameter(index));
  return std::vector<std::uint8_t>(encoder.Data(), encoder.Data() + encoder.Size());
}

std::string RestoreKeyedState(vsthost::CVstHost& host, const std::vector<std::uint8_t>& data, bool* valid) {
  CKeyedChunkDecoder decoder;
  *valid = decoder.Decode(data.data(), data.size()) != EChunkDecodeStatus::NoHeader;
  if (!*valid) return {};
  for (int index = 0; index < host.GetNumParams(); ++index) {
    const std::string key = host.GetParameterKey(index);
    float value = 0.0f;
    if (!decoder.FindFloat(key.c_str(), &value)) return key.empty() ? std::string("#").append(std::to_string(index)) : key;
    host.SetParameter(index, value);
  }
  return {};
}

}  // namespace spanora
