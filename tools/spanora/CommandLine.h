#pragma once
// Parsing of the renderer's command line. Only the syntax is checked here;
// preset names and parameter keys are checked against the loaded plug-in.
// Every error message names the word at fault and is printed after
// "spanora: ".
#include <optional>
#include <string>
#include <vector>

#include "tools/spanora/Commands.h"

namespace spanora {

constexpr int DEFAULT_BLOCK_SIZE = 512;
constexpr int MAX_BLOCK_SIZE = 65536;
constexpr double MAX_TEMPO = 999.0;

struct SParameterSetting {
  std::string key;
  float value = 0.0f;
};

struct SProcessOptions {
  std::string input;
  std::string output;
  std::optional<std::string> preset;  // a program name or number
  std::vector<SParameterSetting> settings;  // in command-line order
  std::optional<std::string> stateFile;
  std::optional<std::string> saveStateFile;
  int blockSize = DEFAULT_BLOCK_SIZE;
  std::optional<double> tempo;  // beats per minute
  std::optional<std::string> format;
  std::optional<std::string> plugin;
  bool quiet = false;
  // Settle the effect on silence before the render, as a host has run it
  // long before a region starts; --no-preroll keeps the cold start.
  bool preroll = true;
};

// A finite number, the whole of text. False for anything else.
bool ParseNumber(const std::string& text, double* value);

// A normalised parameter value 0..1. False with the message set otherwise.
bool ParseNormalised(const std::string& key, const std::string& text, float* value, std::string* error);

// KEY=VALUE with a non-empty key and a normalised value.
bool ParseSetting(const std::string& text, SParameterSetting* setting, std::string* error);

// The arguments of `spanora process`: IN OUT and the options in any order;
// "--name value" and "--name=value" are both accepted.
bool ParseProcessOptions(const Arguments& arguments, SProcessOptions* options, std::string* error);

enum class EEditorFace { FRONT, ABOUT, OPTIONS };

// The arguments of `spanora snapshot OUT.png` and `spanora edit [FILE]`.
struct SEditorOptions {
  std::string output;                 // snapshot: the PNG to write
  std::optional<std::string> input;   // the material; the built-in demo material when absent
  std::optional<std::string> preset;
  std::vector<SParameterSetting> settings;  // in command-line order
  std::optional<std::string> stateFile;
  EEditorFace face = EEditorFace::FRONT;  // snapshot only
  std::optional<std::string> plugin;      // edit only
};

// OUT.png [--preset P] [--set K=V]... [--state FILE] [--input FILE] [--face F].
bool ParseSnapshotOptions(const Arguments& arguments, SEditorOptions* options, std::string* error);
// [FILE] [--preset P] [--set K=V]... [--state FILE] [--plugin PATH].
bool ParseEditOptions(const Arguments& arguments, SEditorOptions* options, std::string* error);

}  // namespace spanora
