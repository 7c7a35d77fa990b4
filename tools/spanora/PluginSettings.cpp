#include "tools/spanora/PluginSettings.h"

#include <strings.h>

#include <cmath>
#include <cstdio>

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

bool RestoreKeyedState(vsthost::CVstHost& host, const std::vector<std::uint8_t>& data, std::string* problem) {
  CKeyedChunkDecoder decoder;
  if (decoder.Decode(data.data(), data.size()) == EChunkDecodeStatus::NoHeader) {
    *problem = "is not a saved state";
    return false;
  }
  std::vector<float> values;
  for (int index = 0; index < host.GetNumParams(); ++index) {
    std::string key = host.GetParameterKey(index);
    float value = 0.0f;
    const bool found = decoder.FindFloat(key.c_str(), &value);
    if (key.empty()) key = std::string("#").append(std::to_string(index));
    if (!found) {
      *problem = "has no value for '" + key + "'";
      return false;
    }
    if (!std::isfinite(value) || value < 0.0f || value > 1.0f) {
      char text[48];
      std::snprintf(text, sizeof text, "%g", value);
      *problem = "has value " + std::string(text) + " for '" + key + "', " +
                 (std::isfinite(value) ? "out of range 0..1" : "not a number");
      return false;
    }
    values.push_back(value);
  }
  for (int index = 0; index < static_cast<int>(values.size()); ++index)
    host.SetParameter(index, values[static_cast<std::size_t>(index)]);
  return true;
}

}  // namespace spanora
