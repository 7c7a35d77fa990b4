// The plug-in's own images. Each set joins this table: write a DrawFunction
// and add {id, width, height, function} to the set's table.
#include "tools/artgen/WidenerArtwork.h"

namespace artgen {

std::span<const SArtwork> PluginArtwork() { return WidenerArtwork(); }

}  // namespace artgen
