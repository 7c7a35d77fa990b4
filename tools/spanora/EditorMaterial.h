#pragma once
// The material the editor commands feed the effect: the file named, or the
// built-in demo material.
#include <memory>
#include <optional>
#include <string>

#include "tools/spanora/AudioFiles.h"

namespace spanora {

// Null with the message set when the file cannot be read.
std::unique_ptr<IFrameSource> OpenEditorMaterial(const std::optional<std::string>& path, std::string* error);

}  // namespace spanora
