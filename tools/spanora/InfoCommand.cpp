// spanora info: what a host learns about a plug-in when it inserts it.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "Helpers/Vst/AEffect.h"
#include "tools/spanora/Commands.h"
#include "tools/spanora/PluginSession.h"
#include "tools/vsthost/VstHost.h"

namespace spanora {
namespace {

std::string CategoryText(int category) {
  static const char* const kNames[] = {"unknown",     "effect",  "synth",    "analysis",
                                       "mastering",   "spacializer", "room fx", "surround",
                                       "restoration", "offline", "shell",    "generator"};
  if (category >= 0 && category < static_cast<int>(std::size(kNames)))
    return std::to_string(category) + " (" + kNames[category] + ")";
  return std::to_string(category);
}

std::string FlagsText(int flags) {
  static const struct {
    int flag;
    const char* name;
  } kFlags[] = {{vst::effFlagsHasEditor, "has-editor"},
                {vst::effFlagsCanReplacing, "can-replacing"},
                {vst::effFlagsProgramChunks, "program-chunks"},
                {vst::effFlagsIsSynth, "is-synth"},
                {vst::effFlagsNoSoundInStop, "no-sound-in-stop"},
                {vst::effFlagsCanDoubleReplacing, "can-double-replacing"}};
  std::string text;
  for (const auto& entry : kFlags)
    if (flags & entry.flag) text += std::string(entry.name) + " ";
  char hex[16];
  std::snprintf(hex, sizeof hex, "(0x%08x)", static_cast<unsigned>(flags));
  return text + hex;
}

void PrintField(const char* name, const std::string& value) { std::printf("%-16s%s\n", name, value.c_str()); }

// Columns sized to their widest cell, so names of any length line up.
void PrintTable(const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()));
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      std::string cell = row[c];
      if (c == 0) cell.insert(0, widths[c] - cell.size(), ' ');  // numbers right-aligned
      else if (c + 1 < row.size()) cell.resize(widths[c], ' ');
      line += cell;
      if (c + 1 < row.size()) line += "  ";
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::printf("%s\n", line.c_str());
  }
}

}  // namespace

int RunInfo(const Arguments& arguments) {
  if (arguments.size() > 1) {
    std::fprintf(stderr, "spanora: info takes at most one plug-in path\n");
    return EXIT_USAGE;
  }
  const std::string path = ResolvePluginPath(arguments.empty() ? std::nullopt : std::optional(arguments[0]));
  vsthost::CVstHost host;
  if (!StartSession(host, path)) return EXIT_LOAD_FAILED;

  char uniqueId[32];
  std::snprintf(uniqueId, sizeof uniqueId, "%s (0x%08x)", FourCCText(host.GetUniqueId()).c_str(),
                static_cast<unsigned>(host.GetUniqueId()));
  PrintField("Plug-in", path);
  PrintField("Effect name", host.GetEffectName());
  PrintField("Vendor", host.GetVendorString());
  PrintField("Product", host.GetProductString());
  PrintField("Vendor version", std::to_string(host.GetVendorVersion()));
  PrintField("Unique id", uniqueId);
  PrintField("Version", std::to_string(host.GetVersion()));
  PrintField("Category", CategoryText(host.GetPlugCategory()));
  PrintField("Inputs", std::to_string(host.GetNumInputs()));
  PrintField("Outputs", std::to_string(host.GetNumOutputs()));
  PrintField("Parameters", std::to_string(host.GetNumParams()));
  PrintField("Programs", std::to_string(host.GetNumPrograms()));
  PrintField("Flags", FlagsText(host.GetFlags()));
  PrintField("Initial delay", std::to_string(host.GetInitialDelay()));

  std::printf("\nParameters\n");
  std::vector<std::vector<std::string>> rows = {{"Index", "Name", "Key", "Label", "Display"}};
  for (int index = 0; index < host.GetNumParams(); ++index)
    rows.push_back({std::to_string(index), host.GetParameterName(index), host.GetParameterKey(index),
                    host.GetParameterLabel(index), host.GetParameterDisplay(index)});
  PrintTable(rows);

  std::printf("\nPrograms\n");
  rows = {{"Index", "Name"}};
  for (int index = 0; index < host.GetNumPrograms(); ++index) {
    std::string name;
    if (!host.GetProgramNameIndexed(index, &name)) name = "(no name)";
    rows.push_back({std::to_string(index), name});
  }
  PrintTable(rows);
  return EXIT_OK;
}

}  // namespace spanora
