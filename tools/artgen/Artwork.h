#pragma once
// The images the editor draws, described as drawing functions. Each set is
// one table; adding an image is one drawing function and one entry.
#include <cairo.h>

#include <span>

namespace artgen {

// Draws one image into a cleared (fully transparent) ARGB surface of the
// entry's size.
using DrawFunction = void (*)(cairo_t* cr, int width, int height);

struct SArtwork {
  int id;  // the resource id the editor asks for
  int width;
  int height;
  DrawFunction draw;
  // Written with damaged bytes on purpose (tests of the placeholder path).
  bool corrupt = false;
};

// The plug-in module's images.
std::span<const SArtwork> PluginArtwork();
// Images only the tests see (ids 1000 and up).
std::span<const SArtwork> TestArtwork();

}  // namespace artgen
