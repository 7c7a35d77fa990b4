#pragma once
// The widener face's visual language: one palette and the few drawing
// primitives every image is built from (panels, knobs, lit buttons, text
// strips), so all images share one look.
#include <cairo.h>

#include <functional>

namespace artgen::style {

struct SColour {
  double r, g, b;
};

// Palette: a dark blue-grey panel, light grey text, one cyan accent for the
// stereo controls and an amber one for dynamics.
inline constexpr SColour PANEL_TOP{0.125, 0.137, 0.160};
inline constexpr SColour PANEL_BOTTOM{0.075, 0.082, 0.098};
inline constexpr SColour WELL{0.040, 0.045, 0.055};
inline constexpr SColour TEXT{0.80, 0.82, 0.86};
inline constexpr SColour TEXT_DIM{0.50, 0.53, 0.58};
inline constexpr SColour ACCENT{0.27, 0.78, 0.92};
inline constexpr SColour AMBER{0.98, 0.66, 0.22};
inline constexpr SColour RED{0.93, 0.30, 0.27};
inline constexpr SColour GREEN{0.36, 0.86, 0.45};
inline constexpr SColour OFF_GREY{0.36, 0.38, 0.42};

void SetColour(cairo_t* cr, const SColour& c, double alpha = 1.0);
void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double radius);
// Sets the source to a vertical gradient from top (y 0) to bottom (y h).
void SetVerticalGradient(cairo_t* cr, double h, const SColour& top, const SColour& bottom);
// Fills the current path with a vertical gradient from top to bottom over
// height h, then outlines it in a one-pixel dark line; the path is consumed.
void FillRaised(cairo_t* cr, double h, const SColour& top, const SColour& bottom);

// Text in the face's sans font, placed in a box: align -1 left, 0 centre, 1 right;
// vertically centred on the box.
void Text(cairo_t* cr, const char* text, double x, double y, double w, double h, double size, int align,
          const SColour& colour, double alpha = 1.0, bool bold = true);

// The advance width of a text in the face's bold sans font.
double TextWidth(cairo_t* cr, const char* text, double size);

// Draws `frames` equal frames stacked top to bottom; draw gets the frame's
// index and the frame's width and height, with the origin at its top left.
void Filmstrip(cairo_t* cr, int width, int height, int frames,
               const std::function<void(cairo_t*, int, double, double)>& draw);

// A recessed well (displays, read-outs, the name field).
void Well(cairo_t* cr, double x, double y, double w, double h, double radius);

// A rotary knob filling a w x h box: body, value arc in the accent from the
// 7 o'clock start to the position (0..1), pointer. Dimmed when disabled.
void Knob(cairo_t* cr, double w, double h, double position, const SColour& accent, bool enabled,
          int ticks = 0);

// A push button face: raised (off) or lit (on) in the accent; the label in
// the middle, an LED at the left when led is set.
void Button(cairo_t* cr, double w, double h, const char* label, bool on, const SColour& accent, bool led,
            double textSize = 8.0);

// A two-state stack: the off state above the on state.
void OnOffStack(cairo_t* cr, int width, int height, const char* label, const SColour& accent, bool led,
                double textSize = 8.0);

}  // namespace artgen::style
