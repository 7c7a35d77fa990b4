#pragma once
// The widener face's images.
#include <span>

#include "tools/artgen/Artwork.h"
#include "tools/artgen/ReadoutTexts.h"

namespace artgen {

std::span<const SArtwork> WidenerArtwork();

}  // namespace artgen
