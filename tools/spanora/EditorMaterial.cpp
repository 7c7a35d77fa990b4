#include "tools/spanora/EditorMaterial.h"

#include <utility>

#include "tools/spanora/DemoMaterial.h"

namespace spanora {

std::unique_ptr<IFrameSource> OpenEditorMaterial(const std::optional<std::string>& path, std::string* error) {
  if (!path) {
    SStereoBuffer material = SynthesiseDemoMaterial();
    return std::make_unique<CMemorySource>("built-in drums and pad", DEMO_SAMPLE_RATE, std::move(material.left),
                                           std::move(material.right));
  }
  auto file = std::make_unique<CSoundFileSource>();
  if (!file->Open(*path, error)) return nullptr;
  return file;
}

}  // namespace spanora
