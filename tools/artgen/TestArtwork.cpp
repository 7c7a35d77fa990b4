// Images for the tests of the bitmap path. Their patterns are asymmetric so
// a flipped, shifted or mis-scaled drawing shows up as wrong pixels.
#include "tools/artgen/Artwork.h"

#include <cmath>

namespace artgen {
namespace {

void Fill(cairo_t* cr, double x, double y, double w, double h, double r, double g, double b, double a) {
  cairo_set_source_rgba(cr, r, g, b, a);
  cairo_rectangle(cr, x, y, w, h);
  cairo_fill(cr);
}

// 64x32: four opaque quadrants, red, green, blue and white clockwise from
// the top left.
void DrawQuadrants(cairo_t* cr, int width, int height) {
  const double w = width / 2.0, h = height / 2.0;
  Fill(cr, 0, 0, w, h, 1, 0, 0, 1);
  Fill(cr, w, 0, w, h, 0, 1, 0, 1);
  Fill(cr, w, h, w, h, 0, 0, 1, 1);
  Fill(cr, 0, h, w, h, 1, 1, 1, 1);
}

// 37x21, not a power of two: opaque blue with a red 6x4 block in the top
// left corner, a green 6x4 block in the bottom right corner, and a white
// column (x 16..20) at half opacity.
void DrawMarkers(cairo_t* cr, int width, int height) {
  Fill(cr, 0, 0, width, height, 0, 0, 1, 1);
  Fill(cr, 0, 0, 6, 4, 1, 0, 0, 1);
  Fill(cr, width - 6, height - 4, 6, 4, 0, 1, 0, 1);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);  // replace, so the column keeps alpha 0.5
  Fill(cr, 16, 0, 5, height, 1, 1, 1, 0.5);
}

// A knob filmstrip: 5 frames of 32x32 stacked vertically. Frame k has an
// opaque background of grey level 40 * (k + 1) and a white pointer turning
// with k, on transparent corners.
void DrawKnobStrip(cairo_t* cr, int width, int height) {
  const int frames = height / width;
  for (int k = 0; k < frames; ++k) {
    const double cx = width / 2.0, cy = k * width + width / 2.0, r = width / 2.0 - 1;
    const double grey = 40.0 * (k + 1) / 255.0;
    cairo_set_source_rgba(cr, grey, grey, grey, 1);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    cairo_fill(cr);
    const double angle = (-225.0 + 270.0 * k / (frames - 1)) * M_PI / 180.0;
    cairo_set_source_rgba(cr, 1, 1, 1, 1);
    cairo_set_line_width(cr, 2);
    cairo_move_to(cr, cx, cy);
    cairo_line_to(cr, cx + r * std::cos(angle), cy + r * std::sin(angle));
    cairo_stroke(cr);
  }
}

// An editor background: slate grey with an orange title band at
// (150, 10)-(350, 40), so tests can tell the title from the rest.
void DrawEditorBackground(cairo_t* cr, int width, int height) {
  Fill(cr, 0, 0, width, height, 0.2, 0.25, 0.3, 1);
  Fill(cr, 150, 10, 200, 30, 1, 0.5, 0, 1);
}

// A button of two states stacked: dark grey off above, yellow on below.
void DrawButton(cairo_t* cr, int width, int height) {
  Fill(cr, 0, 0, width, height / 2.0, 0.25, 0.25, 0.25, 1);
  Fill(cr, 0, height / 2.0, width, height / 2.0, 1, 1, 0, 1);
}

// The same button greyed out: both states mid grey.
void DrawDisabledButton(cairo_t* cr, int width, int height) {
  Fill(cr, 0, 0, width, height, 0.5, 0.5, 0.5, 1);
}

const SArtwork kTestArtwork[] = {
    {1000, 64, 32, DrawQuadrants},
    {1001, 37, 21, DrawMarkers},
    {1002, 32, 5 * 32, DrawKnobStrip},
    {1003, 16, 16, DrawQuadrants, true},
    {1004, 500, 440, DrawEditorBackground},
    {1006, 20, 40, DrawButton},
    {1007, 20, 40, DrawDisabledButton},
};

}  // namespace

std::span<const SArtwork> TestArtwork() {
  return kTestArtwork;
}

}  // namespace artgen
