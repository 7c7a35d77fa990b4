#include "tools/spanora/CommandLine.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <initializer_list>

namespace spanora {

bool ParseNumber(const std::string& text, double* value) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text.front()))) return false;
  errno = 0;
  char* end = nullptr;
  const double parsed = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || errno == ERANGE || !std::isfinite(parsed)) return false;
  *value = parsed;
  return true;
}

bool ParseNormalised(const std::string& key, const std::string& text, float* value, std::string* error) {
  double parsed = 0.0;
  if (!ParseNumber(text, &parsed)) {
    *error = "value '" + text + "' for '" + key + "' is not a number";
    return false;
  }
  if (parsed < 0.0 || parsed > 1.0) {
    *error = "value '" + text + "' for '" + key + "' is out of range 0..1";
    return false;
  }
  *value = static_cast<float>(parsed);
  return true;
}

bool ParseSetting(const std::string& text, SParameterSetting* setting, std::string* error) {
  const std::size_t equals = text.find('=');
  if (equals == std::string::npos || equals == 0) {
    *error = "'" + text + "' is not KEY=VALUE";
    return false;
  }
  setting->key = text.substr(0, equals);
  return ParseNormalised(setting->key, text.substr(equals + 1), &setting->value, error);
}

namespace {

bool ParseInteger(const std::string& option, const std::string& text, int low, int high, int* value,
                  std::string* error) {
  double parsed = 0.0;
  if (!ParseNumber(text, &parsed) || parsed != std::floor(parsed)) {
    *error = option + " '" + text + "' is not a whole number";
    return false;
  }
  if (parsed < low || parsed > high) {
    *error = option + " '" + text + "' is out of range " + std::to_string(low) + ".." + std::to_string(high);
    return false;
  }
  *value = static_cast<int>(parsed);
  return true;
}

struct SOption {
  std::string name;
  std::string value;  // empty for a flag
};

// Splits the words into positional ones and options: flags take no value,
// the others the next word or "=value".
bool SplitArguments(const Arguments& arguments, std::initializer_list<const char*> flags,
                    std::initializer_list<const char*> valued, std::vector<std::string>* positional,
                    std::vector<SOption>* options, std::string* error) {
  const auto known = [](std::initializer_list<const char*> names, const std::string& word) {
    for (const char* name : names)
      if (word == name) return true;
    return false;
  };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string word = arguments[i];
    if (word.size() < 2 || word[0] != '-') {
      positional->push_back(word);
      continue;
    }
    std::optional<std::string> inlineValue;
    if (const std::size_t equals = word.find('='); word.starts_with("--") && equals != std::string::npos) {
      inlineValue = word.substr(equals + 1);
      word.resize(equals);
    }
    if (known(flags, word)) {
      if (inlineValue) {
        *error = "option '" + word + "' takes no value";
        return false;
      }
      options->push_back({word, ""});
      continue;
    }
    if (!known(valued, word)) {
      *error = "unknown option '" + word + "'";
      return false;
    }
    if (!inlineValue && i + 1 >= arguments.size()) {
      *error = "option '" + word + "' needs a value";
      return false;
    }
    options->push_back({word, inlineValue ? *inlineValue : arguments[++i]});
  }
  return true;
}

// The options the editor commands share with process; false when the name
// is not one of them.
bool ParseEffectOption(const SOption& option, SEditorOptions* options, std::string* error, bool* failed) {
  if (option.name == "--preset") {
    options->preset = option.value;
  } else if (option.name == "--set") {
    SParameterSetting setting;
    if (!ParseSetting(option.value, &setting, error)) *failed = true;
    else options->settings.push_back(setting);
  } else if (option.name == "--state") {
    options->stateFile = option.value;
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool ParseProcessOptions(const Arguments& arguments, SProcessOptions* options, std::string* error) {
  std::vector<std::string> positional;
  std::vector<SOption> parsed;
  if (!SplitArguments(arguments, {"--quiet", "-q", "--no-preroll"},
                      {"--preset", "--set", "--state", "--save-state", "--block", "--tempo", "--format", "--plugin"},
                      &positional, &parsed, error))
    return false;
  for (const auto& [word, value] : parsed) {
    if (word == "--no-preroll") {
      options->preroll = false;
    } else if (word == "--quiet" || word == "-q") {
      options->quiet = true;
    } else if (word == "--preset") {
      options->preset = value;
    } else if (word == "--set") {
      SParameterSetting setting;
      if (!ParseSetting(value, &setting, error)) return false;
      options->settings.push_back(setting);
    } else if (word == "--state") {
      options->stateFile = value;
    } else if (word == "--save-state") {
      options->saveStateFile = value;
    } else if (word == "--block") {
      if (!ParseInteger("block size", value, 1, MAX_BLOCK_SIZE, &options->blockSize, error)) return false;
    } else if (word == "--tempo") {
      double tempo = 0.0;
      if (!ParseNumber(value, &tempo)) {
        *error = "tempo '" + value + "' is not a number";
        return false;
      }
      if (!(tempo > 0.0 && tempo <= MAX_TEMPO)) {
        *error = "tempo '" + value + "' is out of range (above 0, at most 999 BPM)";
        return false;
      }
      options->tempo = tempo;
    } else if (word == "--format") {
      options->format = value;
    } else {
      options->plugin = value;
    }
  }
  if (positional.size() < 2) {
    *error = positional.empty() ? "process needs an input and an output file" : "process needs an output file";
    return false;
  }
  if (positional.size() > 2) {
    *error = "unexpected argument '" + positional[2] + "'";
    return false;
  }
  options->input = positional[0];
  options->output = positional[1];
  return true;
}

bool ParseSnapshotOptions(const Arguments& arguments, SEditorOptions* options, std::string* error) {
  std::vector<std::string> positional;
  std::vector<SOption> parsed;
  if (!SplitArguments(arguments, {}, {"--preset", "--set", "--state", "--input", "--face"}, &positional, &parsed,
                      error))
    return false;
  for (const SOption& option : parsed) {
    bool failed = false;
    if (ParseEffectOption(option, options, error, &failed)) {
      if (failed) return false;
    } else if (option.name == "--input") {
      options->input = option.value;
    } else if (option.value == "front") {
      options->face = EEditorFace::FRONT;
    } else if (option.value == "about") {
      options->face = EEditorFace::ABOUT;
    } else if (option.value == "options") {
      options->face = EEditorFace::OPTIONS;
    } else {
      *error = "face '" + option.value + "' is not front, about or options";
      return false;
    }
  }
  if (positional.empty()) {
    *error = "snapshot needs an output file (OUT.png)";
    return false;
  }
  if (positional.size() > 1) {
    *error = "unexpected argument '" + positional[1] + "'";
    return false;
  }
  options->output = positional[0];
  return true;
}

bool ParseEditOptions(const Arguments& arguments, SEditorOptions* options, std::string* error) {
  std::vector<std::string> positional;
  std::vector<SOption> parsed;
  if (!SplitArguments(arguments, {}, {"--preset", "--set", "--state", "--plugin"}, &positional, &parsed, error))
    return false;
  for (const SOption& option : parsed) {
    bool failed = false;
    if (ParseEffectOption(option, options, error, &failed)) {
      if (failed) return false;
    } else {
      options->plugin = option.value;
    }
  }
  if (positional.size() > 1) {
    *error = "unexpected argument '" + positional[1] + "'";
    return false;
  }
  if (!positional.empty()) options->input = positional[0];
  return true;
}

}  // namespace spanora
