// The plug-in's own images. The editor's artwork joins this table as it is
// drawn: write a DrawFunction and add {id, width, height, function}.
#include "tools/artgen/Artwork.h"

namespace artgen {

std::span<const SArtwork> PluginArtwork() {
  return {};
}

}  // namespace artgen
