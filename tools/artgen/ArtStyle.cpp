#include "tools/artgen/ArtStyle.h"

#include <algorithm>
#include <cmath>

namespace artgen::style {

namespace {
constexpr double PI = 3.14159265358979323846;
// The knobs sweep 270 degrees, from 7:30 to 4:30 on a clock face.
constexpr double KNOB_START = 0.75 * PI;
constexpr double KNOB_SWEEP = 1.5 * PI;
}  // namespace

void SetColour(cairo_t* cr, const SColour& c, double alpha) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double radius) {
  const double r = std::min({radius, w / 2, h / 2});
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, PI / 2, PI);
  cairo_arc(cr, x + r, y + r, r, PI, 1.5 * PI);
  cairo_close_path(cr);
}

void SetVerticalGradient(cairo_t* cr, double h, const SColour& top, const SColour& bottom) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, h);
  cairo_pattern_add_color_stop_rgb(p, 0, top.r, top.g, top.b);
  cairo_pattern_add_color_stop_rgb(p, 1, bottom.r, bottom.g, bottom.b);
  cairo_set_source(cr, p);  // the context keeps its own reference
  cairo_pattern_destroy(p);
}

void FillRaised(cairo_t* cr, double h, const SColour& top, const SColour& bottom) {
  SetVerticalGradient(cr, h, top, bottom);
  cairo_fill_preserve(cr);
  cairo_set_line_width(cr, 1);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.7);
  cairo_stroke(cr);
}

void Text(cairo_t* cr, const char* text, double x, double y, double w, double h, double size, int align,
          const SColour& colour, double alpha, bool bold) {
  cairo_save(cr);
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
  cairo_text_extents_t ext;
  cairo_text_extents(cr, text, &ext);
  cairo_font_extents_t fext;
  cairo_font_extents(cr, &fext);
  double tx = x;
  if (align == 0) tx = x + (w - ext.x_advance) / 2;
  if (align > 0) tx = x + w - ext.x_advance;
  // Centre on the cap height so capitals and digits sit in the middle.
  const double ty = std::round(y + h / 2 + (fext.ascent - fext.descent) / 2 - 0.5);
  cairo_move_to(cr, std::round(tx), ty);
  SetColour(cr, colour, alpha);
  cairo_show_text(cr, text);
  cairo_restore(cr);
}

double TextWidth(cairo_t* cr, const char* text, double size) {
  cairo_save(cr);
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, size);
  cairo_text_extents_t ext;
  cairo_text_extents(cr, text, &ext);
  cairo_restore(cr);
  return ext.x_advance;
}

void Filmstrip(cairo_t* cr, int width, int height, int frames,
               const std::function<void(cairo_t*, int, double, double)>& draw) {
  const double fh = static_cast<double>(height) / frames;
  for (int k = 0; k < frames; ++k) {
    cairo_save(cr);
    cairo_translate(cr, 0, k * fh);
    cairo_rectangle(cr, 0, 0, width, fh);
    cairo_clip(cr);
    draw(cr, k, width, fh);
    cairo_restore(cr);
  }
}

void Well(cairo_t* cr, double x, double y, double w, double h, double radius) {
  RoundedRect(cr, x, y, w, h, radius);
  cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + h);
  cairo_pattern_add_color_stop_rgba(p, 0, 0.020, 0.022, 0.028, 1);
  cairo_pattern_add_color_stop_rgba(p, 1, WELL.r, WELL.g, WELL.b, 1);
  cairo_set_source(cr, p);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(p);
  cairo_set_line_width(cr, 1);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
  cairo_stroke(cr);
  // Light catches the lower lip.
  cairo_move_to(cr, x + radius, y + h + 0.5);
  cairo_line_to(cr, x + w - radius, y + h + 0.5);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.07);
  cairo_stroke(cr);
}

void Knob(cairo_t* cr, double w, double h, double position, const SColour& accent, bool enabled, int ticks) {
  const double cx = w / 2, cy = h / 2;
  const double R = std::min(w, h) / 2 - 0.5;
  const double arcWidth = std::max(1.5, R * 0.16);
  const double arcR = R - arcWidth / 2;
  const double bodyR = R - arcWidth - std::max(1.0, R * 0.08);
  const double dim = enabled ? 1.0 : 0.45;
  const double angle = KNOB_START + KNOB_SWEEP * std::clamp(position, 0.0, 1.0);

  // Value track and arc.
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  cairo_set_line_width(cr, arcWidth);
  cairo_arc(cr, cx, cy, arcR, KNOB_START, KNOB_START + KNOB_SWEEP);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
  cairo_stroke(cr);
  if (position > 0.0005) {
    cairo_arc(cr, cx, cy, arcR, KNOB_START, angle);
    SetColour(cr, accent, 0.95 * dim);
    cairo_stroke(cr);
  }
  // Step marks for stepped knobs.
  for (int t = 0; t < ticks; ++t) {
    const double a = KNOB_START + KNOB_SWEEP * t / std::max(1, ticks - 1);
    cairo_arc(cr, cx + std::cos(a) * arcR, cy + std::sin(a) * arcR, arcWidth * 0.22, 0, 2 * PI);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.25);
    cairo_fill(cr);
  }

  // Body: a dark dome lit from the top left, with a soft drop shadow.
  cairo_arc(cr, cx, cy + 1, bodyR + 0.8, 0, 2 * PI);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
  cairo_fill(cr);
  cairo_pattern_t* body = cairo_pattern_create_radial(cx - bodyR * 0.35, cy - bodyR * 0.45, bodyR * 0.1, cx, cy,
                                                      bodyR * 1.05);
  cairo_pattern_add_color_stop_rgb(body, 0, 0.34 * dim + 0.05, 0.36 * dim + 0.05, 0.40 * dim + 0.05);
  cairo_pattern_add_color_stop_rgb(body, 1, 0.12, 0.13, 0.15);
  cairo_arc(cr, cx, cy, bodyR, 0, 2 * PI);
  cairo_set_source(cr, body);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(body);
  cairo_set_line_width(cr, 1);
  cairo_pattern_t* rim = cairo_pattern_create_linear(0, cy - bodyR, 0, cy + bodyR);
  cairo_pattern_add_color_stop_rgba(rim, 0, 1, 1, 1, 0.28);
  cairo_pattern_add_color_stop_rgba(rim, 1, 1, 1, 1, 0.02);
  cairo_set_source(cr, rim);
  cairo_stroke(cr);
  cairo_pattern_destroy(rim);

  // Pointer.
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_width(cr, std::max(1.4, bodyR * 0.17));
  cairo_move_to(cr, cx + std::cos(angle) * bodyR * 0.25, cy + std::sin(angle) * bodyR * 0.25);
  cairo_line_to(cr, cx + std::cos(angle) * bodyR * 0.85, cy + std::sin(angle) * bodyR * 0.85);
  cairo_set_source_rgba(cr, 0.95, 0.96, 0.98, enabled ? 0.95 : 0.5);
  cairo_stroke(cr);
}

void Button(cairo_t* cr, double w, double h, const char* label, bool on, const SColour& accent, bool led,
            double textSize) {
  const double x = 0.5, y = 0.5, bw = w - 1, bh = h - 1;
  RoundedRect(cr, x, y, bw, bh, 3);
  if (on && !led)
    FillRaised(cr, h, SColour{accent.r * 0.55 + 0.08, accent.g * 0.55 + 0.08, accent.b * 0.55 + 0.08},
               SColour{accent.r * 0.32, accent.g * 0.32, accent.b * 0.32});
  else
    FillRaised(cr, h, SColour{0.235, 0.250, 0.280}, SColour{0.150, 0.160, 0.180});
  // Top highlight.
  cairo_move_to(cr, x + 3, y + 1);
  cairo_line_to(cr, x + bw - 3, y + 1);
  cairo_set_source_rgba(cr, 1, 1, 1, on && !led ? 0.25 : 0.12);
  cairo_stroke(cr);

  double textX = 0, textW = w;
  if (led) {
    const double r = std::min(2.6, h * 0.2);
    const double lx = 4 + r, ly = h / 2;
    if (on) {
      cairo_pattern_t* glow = cairo_pattern_create_radial(lx, ly, 0, lx, ly, r * 2.6);
      cairo_pattern_add_color_stop_rgba(glow, 0, accent.r, accent.g, accent.b, 0.6);
      cairo_pattern_add_color_stop_rgba(glow, 1, accent.r, accent.g, accent.b, 0);
      cairo_set_source(cr, glow);
      cairo_arc(cr, lx, ly, r * 2.6, 0, 2 * PI);
      cairo_fill(cr);
      cairo_pattern_destroy(glow);
    }
    cairo_arc(cr, lx, ly, r, 0, 2 * PI);
    if (on) SetColour(cr, accent);
    else cairo_set_source_rgb(cr, 0.08, 0.09, 0.10);
    cairo_fill(cr);
    textX = lx + r + 1;
    textW = w - textX - 2;
  }
  if (label && *label) {
    const SColour& c = on ? (led ? TEXT : SColour{0.96, 0.98, 1.0}) : TEXT_DIM;
    Text(cr, label, textX, 0, textW, h, textSize, 0, c);
  }
}

void OnOffStack(cairo_t* cr, int width, int height, const char* label, const SColour& accent, bool led,
                double textSize) {
  Filmstrip(cr, width, height, 2, [&](cairo_t* c, int k, double w, double h) {
    Button(c, w, h, label, k == 1, accent, led, textSize);
  });
}

}  // namespace artgen::style
