// The widener face: the background, the top bar, knobs, buttons, meters and
// the read-out strips whose frames are the values as text.
#include <cmath>
#include <cstdio>
#include <string>

#include "tools/artgen/Artwork.h"
#include "tools/artgen/ArtStyle.h"
#include "tools/artgen/WidenerArtwork.h"

namespace artgen {
namespace {

using namespace style;

constexpr double PI = 3.14159265358979323846;

// The half-disc display the width graph draws into (editor pixels): the
// origin at the middle of the graph's bottom edge, the radial band from
// DISC_INNER to DISC_OUTER, sixty degrees either side of the centre line.
constexpr double DISC_CX = 320, DISC_CY = 349;
constexpr double DISC_OUTER = 296, DISC_INNER = 120;
constexpr double DISC_SPAN = PI / 3;
// The balance slider's handle centre at 0.5 (its rectangle 40..639, a 10-pixel handle).
constexpr double BALANCE_CENTRE = 339.5;

void Label(cairo_t* cr, const char* text, double x, double y, double w, int align = 0) {
  Text(cr, text, x, y, w, 10, 7.5, align, TEXT_DIM);
}

// ---- Background and panel ------------------------------------------------

void DiscPath(cairo_t* cr, double inner, double outer) {
  // Angles measured from straight up, clockwise; cairo's start at 3 o'clock.
  const double a0 = -PI / 2 - DISC_SPAN, a1 = -PI / 2 + DISC_SPAN;
  cairo_new_path(cr);
  cairo_arc(cr, DISC_CX, DISC_CY, outer, a0, a1);
  cairo_arc_negative(cr, DISC_CX, DISC_CY, inner, a1, a0);
  cairo_close_path(cr);
}

void DrawBackground(cairo_t* cr, int width, int height) {
  SetVerticalGradient(cr, height, PANEL_TOP, PANEL_BOTTOM);
  cairo_paint(cr);
  // A faint vignette keeps the eye on the display.
  cairo_pattern_t* v = cairo_pattern_create_radial(DISC_CX, 230, 60, DISC_CX, 230, 420);
  cairo_pattern_add_color_stop_rgba(v, 0, 1, 1, 1, 0.025);
  cairo_pattern_add_color_stop_rgba(v, 1, 0, 0, 0, 0.18);
  cairo_set_source(cr, v);
  cairo_paint(cr);
  cairo_pattern_destroy(v);

  // The display well: the half-disc band, recessed.
  DiscPath(cr, DISC_INNER - 2, DISC_OUTER + 2);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
  cairo_fill(cr);
  DiscPath(cr, DISC_INNER, DISC_OUTER);
  cairo_pattern_t* well = cairo_pattern_create_radial(DISC_CX, DISC_CY, DISC_INNER, DISC_CX, DISC_CY, DISC_OUTER);
  cairo_pattern_add_color_stop_rgb(well, 0, 0.035, 0.045, 0.060);
  cairo_pattern_add_color_stop_rgb(well, 1, 0.050, 0.062, 0.080);
  cairo_set_source(cr, well);
  cairo_fill(cr);
  cairo_pattern_destroy(well);
  // Grid: rings every 44 pixels of depth and spokes every 20 degrees.
  cairo_set_line_width(cr, 1);
  for (int i = 1; i < 4; ++i) {
    const double r = DISC_INNER + i * 44;
    cairo_arc(cr, DISC_CX, DISC_CY, r, -PI / 2 - DISC_SPAN, -PI / 2 + DISC_SPAN);
    cairo_set_source_rgba(cr, 0.55, 0.70, 0.85, 0.07);
    cairo_stroke(cr);
  }
  for (int s = -3; s <= 3; ++s) {
    const double a = -PI / 2 + s * DISC_SPAN / 3;
    cairo_move_to(cr, DISC_CX + std::cos(a) * DISC_INNER, DISC_CY + std::sin(a) * DISC_INNER);
    cairo_line_to(cr, DISC_CX + std::cos(a) * DISC_OUTER, DISC_CY + std::sin(a) * DISC_OUTER);
    cairo_set_source_rgba(cr, 0.55, 0.70, 0.85, s == 0 ? 0.16 : 0.06);
    cairo_stroke(cr);
  }
  DiscPath(cr, DISC_INNER, DISC_OUTER);
  cairo_set_source_rgba(cr, 0.6, 0.75, 0.9, 0.16);
  cairo_stroke(cr);
  // Side marks at the outer rim.
  const double lx = DISC_CX + std::cos(-PI / 2 - DISC_SPAN) * (DISC_OUTER + 10);
  const double ly = DISC_CY + std::sin(-PI / 2 - DISC_SPAN) * (DISC_OUTER + 10);
  Text(cr, "L", lx - 10, ly - 10, 10, 10, 9, 0, TEXT_DIM);
  Text(cr, "R", 2 * DISC_CX - lx, ly - 10, 10, 10, 9, 0, TEXT_DIM);

  // Labels beside the controls (editor pixels; the controls sit at their
  // fixed places).
  Label(cr, "SPEED", 100, 47, 40, -1);
  Label(cr, "DEPTH", 100, 78, 40, -1);
  Label(cr, "SHAPE", 14, 89, 30);
  Label(cr, "RESOLUTION", 4, 256, 72);
  Label(cr, "ACUITY", 499, 258, 60);
  Label(cr, "IN", 527, 86, 40);
  Label(cr, "OUT", 578, 86, 40);
  Label(cr, "PHASE", 567, 121, 40);
  Label(cr, "IID", 130, 283, 56);
  Label(cr, "ITD", 451, 283, 56);
  Label(cr, "WIDTH", 300, 338, 40);
  Label(cr, "OUTPUT BALANCE", BALANCE_CENTRE - 50, 442, 100);

  // Read-out line and the balance strip's well.
  Well(cr, 44, 405, 550, 23, 3);
  cairo_move_to(cr, DISC_CX + 0.5, 407);
  cairo_line_to(cr, DISC_CX + 0.5, 426);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.12);
  cairo_stroke(cr);
  // Balance groove along the slider's travel (40..639 less the handle), its
  // centre mark where the handle sits at 0.5.
  RoundedRect(cr, 45, 430, 589, 3, 1.5);
  cairo_set_source_rgb(cr, 0.02, 0.02, 0.025);
  cairo_fill(cr);
  cairo_move_to(cr, BALANCE_CENTRE, 428);
  cairo_line_to(cr, BALANCE_CENTRE, 436);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.2);
  cairo_stroke(cr);

  // Product name in the title area (a click there flips to the about page).
  const double nameWidth = TextWidth(cr, "Spanora", 21);
  Text(cr, "Spanora", 440, 350, nameWidth, 24, 21, -1, TEXT, 0.95, true);
  Text(cr, "3", 440 + nameWidth + 1, 350, 30, 24, 21, -1, ACCENT, 1.0, true);
  Text(cr, "STEREO IMAGE DESIGNER", 441, 371, 180, 12, 7, -1, TEXT_DIM);
  Text(cr, "TARNWELL AUDIO", 40, 368, 160, 12, 8, -1, TEXT_DIM, 0.8);

  (void)width;
}

// The top bar with the program-name field.
void DrawTopBar(cairo_t* cr, int width, int height) {
  SetVerticalGradient(cr, height, {0.19, 0.20, 0.23}, {0.12, 0.13, 0.15});
  cairo_rectangle(cr, 0, 0, width, height);
  cairo_fill(cr);
  cairo_set_line_width(cr, 1);
  cairo_move_to(cr, 0, 0.5);
  cairo_line_to(cr, width, 0.5);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.08);
  cairo_stroke(cr);
  cairo_move_to(cr, 0, height - 0.5);
  cairo_line_to(cr, width, height - 0.5);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.8);
  cairo_stroke(cr);
  Well(cr, 249, 7, 229, 17, 3);
}

// ---- Knobs ----------------------------------------------------------------

void DrawResolutionKnob(cairo_t* cr, int w, int h) {
  Filmstrip(cr, w, h, 10, [](cairo_t* c, int k, double fw, double fh) { Knob(c, fw, fh, k / 9.0, ACCENT, true, 10); });
}

void DrawAcuityKnob(cairo_t* cr, int w, int h) {
  Filmstrip(cr, w, h, 101, [](cairo_t* c, int k, double fw, double fh) { Knob(c, fw, fh, k / 100.0, ACCENT, true); });
}

void DrawDynamicsKnob(cairo_t* cr, int w, int h, bool on) {
  Filmstrip(cr, w, h, 101, [on](cairo_t* c, int k, double fw, double fh) { Knob(c, fw, fh, k / 100.0, AMBER, on); });
}
void DrawDynamicsKnobOn(cairo_t* cr, int w, int h) { DrawDynamicsKnob(cr, w, h, true); }
void DrawDynamicsKnobOff(cairo_t* cr, int w, int h) { DrawDynamicsKnob(cr, w, h, false); }

// Five waveform icons: sine, triangle, square and two random steps.
void DrawShape(cairo_t* cr, int w, int h, bool on) {
  Filmstrip(cr, w, h, 5, [on](cairo_t* c, int k, double fw, double fh) {
    Well(c, 0.5, 0.5, fw - 1, fh - 1, 3);
    const double x0 = 3, x1 = fw - 3, yc = fh / 2, amp = fh * 0.28;
    cairo_new_path(c);
    const int n = 24;
    static const double rnd1[] = {0.2, 0.9, -0.6, 0.4, -0.9, 0.7};
    static const double rnd2[] = {-0.3, 0.6, 0.1, -0.8, 0.9, -0.2};
    for (int i = 0; i <= n; ++i) {
      const double t = static_cast<double>(i) / n;
      double v = 0;
      switch (k) {
        case 0: v = std::sin(2 * PI * t); break;
        case 1: v = t < 0.25 ? 4 * t : t < 0.75 ? 2 - 4 * t : 4 * t - 4; break;
        case 2: v = t < 0.5 ? 1 : -1; break;
        case 3: v = rnd1[std::min(5, static_cast<int>(t * 6))]; break;
        default: v = rnd2[std::min(5, static_cast<int>(t * 6))]; break;
      }
      const double x = x0 + (x1 - x0) * t, y = yc - v * amp;
      if (i == 0) cairo_move_to(c, x, y);
      else cairo_line_to(c, x, y);
    }
    cairo_set_line_width(c, 1.3);
    cairo_set_line_join(c, CAIRO_LINE_JOIN_ROUND);
    SetColour(c, on ? AMBER : OFF_GREY);
    cairo_stroke(c);
  });
}
void DrawShapeOn(cairo_t* cr, int w, int h) { DrawShape(cr, w, h, true); }
void DrawShapeOff(cairo_t* cr, int w, int h) { DrawShape(cr, w, h, false); }

// The level meters: a ring of 29 segments lit up to the level (frame 0 dark),
// green to amber to red near full scale.
void DrawMeter(cairo_t* cr, int w, int h) {
  Filmstrip(cr, w, h, 30, [](cairo_t* c, int k, double fw, double fh) {
    const double cx = fw / 2, cy = fh / 2, r = std::min(fw, fh) / 2 - 3;
    cairo_arc(c, cx, cy, r - 4, 0, 2 * PI);
    cairo_set_source_rgb(c, 0.05, 0.055, 0.065);
    cairo_fill(c);
    const int segments = 29;
    cairo_set_line_width(c, 3.5);
    for (int s = 0; s < segments; ++s) {
      const double a0 = 0.75 * PI + 1.5 * PI * s / segments;
      const double a1 = a0 + 1.5 * PI / segments * 0.7;
      cairo_arc(c, cx, cy, r, a0, a1);
      const double f = static_cast<double>(s) / (segments - 1);
      const SColour col = f > 0.9 ? RED : f > 0.72 ? AMBER : GREEN;
      if (s < k) SetColour(c, col, 0.95);
      else cairo_set_source_rgba(c, col.r, col.g, col.b, 0.12);
      cairo_stroke(c);
    }
    // Level as a bar graph in the middle for a quick read.
    const double level = k / 29.0;
    cairo_arc(c, cx, cy, (r - 6) * level, 0, 2 * PI);
    cairo_set_source_rgba(c, 1, 1, 1, 0.04 + 0.06 * level);
    cairo_fill(c);
  });
}

// The phase knob: 0 and 101 are the inverted ends (marked red), the
// positions between are the shift.
void DrawPhaseKnob(cairo_t* cr, int w, int h) {
  Filmstrip(cr, w, h, 102, [](cairo_t* c, int k, double fw, double fh) {
    const bool inverted = k == 0 || k == 101;
    Knob(c, fw, fh, k / 101.0, inverted ? RED : ACCENT, true);
  });
}

// The linear-width gauge: a half ring around the display's centre, filled
// from mono on the left to the width, 100% straight up.
void DrawWidthGauge(cairo_t* cr, int w, int h) {
  Filmstrip(cr, w, h, 201, [](cairo_t* c, int k, double fw, double fh) {
    const double cx = fw / 2, cy = fh, R = fw / 2 - 2;
    const double v = k / 200.0;
    const double a = PI + PI * v;
    cairo_set_line_cap(c, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_width(c, 6);
    cairo_arc(c, cx, cy, R - 3, PI, 2 * PI);
    cairo_set_source_rgba(c, 0, 0, 0, 0.6);
    cairo_stroke(c);
    if (k > 0) {
      cairo_arc(c, cx, cy, R - 3, PI, a);
      cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, fw, 0);
      cairo_pattern_add_color_stop_rgba(g, 0, ACCENT.r, ACCENT.g, ACCENT.b, 0.35);
      cairo_pattern_add_color_stop_rgba(g, 1, ACCENT.r, ACCENT.g, ACCENT.b, 1.0);
      cairo_set_source(c, g);
      cairo_stroke(c);
      cairo_pattern_destroy(g);
    }
    // Unity mark.
    cairo_set_line_width(c, 1);
    cairo_move_to(c, cx + 0.5, cy - R - 3);
    cairo_line_to(c, cx + 0.5, cy - R + 7);
    cairo_set_source_rgba(c, 1, 1, 1, 0.35);
    cairo_stroke(c);
    // Hub and needle.
    cairo_arc(c, cx, cy, 22, PI, 2 * PI);
    cairo_close_path(c);
    cairo_pattern_t* hub = cairo_pattern_create_radial(cx - 6, cy - 14, 2, cx, cy, 24);
    cairo_pattern_add_color_stop_rgb(hub, 0, 0.36, 0.38, 0.42);
    cairo_pattern_add_color_stop_rgb(hub, 1, 0.12, 0.13, 0.15);
    cairo_set_source(c, hub);
    cairo_fill(c);
    cairo_set_line_cap(c, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(c, 2);
    cairo_move_to(c, cx + std::cos(a) * 14, cy + std::sin(a) * 14);
    cairo_line_to(c, cx + std::cos(a) * (R - 10), cy + std::sin(a) * (R - 10));
    cairo_set_source_rgba(c, 0.95, 0.96, 0.98, 0.95);
    cairo_stroke(c);
  });
}

// The balance strip's companion: the smoothed balance as text, L100..0..R100.
void DrawBalanceCompanion(cairo_t* cr, int w, int h) {
  Filmstrip(cr, w, h, 201, [](cairo_t* c, int k, double fw, double fh) {
    Text(c, BalanceText(k / 200.0).c_str(), 0, 0, fw, fh, 8, 0, TEXT, 0.75);
  });
}

// ---- Buttons --------------------------------------------------------------

void DrawBypass(cairo_t* cr, int w, int h) { OnOffStack(cr, w, h, "BYPASS", RED, true); }
void DrawAB(cairo_t* cr, int w, int h) {
  Filmstrip(cr, w, h, 2, [](cairo_t* c, int k, double fw, double fh) {
    Button(c, fw, fh, "", false, ACCENT, false);
    Text(c, "A", 4, 0, fw / 2 - 4, fh, 9, 0, k == 0 ? ACCENT : TEXT_DIM);
    Text(c, "B", fw / 2, 0, fw / 2 - 4, fh, 9, 0, k == 1 ? ACCENT : TEXT_DIM);
  });
}
void DrawCopy(cairo_t* cr, int w, int h, const char* label) {
  Filmstrip(cr, w, h, 2, [label](cairo_t* c, int k, double fw, double fh) {
    Button(c, fw, fh, label, k == 1, ACCENT, false);
  });
}
void DrawCopyAtoB(cairo_t* cr, int w, int h) { DrawCopy(cr, w, h, "A \xE2\x86\x92 B"); }
void DrawCopyBtoA(cairo_t* cr, int w, int h) { DrawCopy(cr, w, h, "B \xE2\x86\x92 A"); }

void DrawHistory(cairo_t* cr, int w, int h, const char* label, bool enabled) {
  Filmstrip(cr, w, h, 2, [label, enabled](cairo_t* c, int k, double fw, double fh) {
    Button(c, fw, fh, "", k == 1 && enabled, ACCENT, false);
    Text(c, label, 0, 0, fw, fh, 8, 0, enabled ? (k == 1 ? SColour{1, 1, 1} : TEXT) : SColour{0.30, 0.32, 0.35});
  });
}
void DrawUndo(cairo_t* cr, int w, int h) { DrawHistory(cr, w, h, "UNDO", true); }
void DrawUndoDisabled(cairo_t* cr, int w, int h) { DrawHistory(cr, w, h, "UNDO", false); }
void DrawRedo(cairo_t* cr, int w, int h) { DrawHistory(cr, w, h, "REDO", true); }
void DrawRedoDisabled(cairo_t* cr, int w, int h) { DrawHistory(cr, w, h, "REDO", false); }

void DrawArrow(cairo_t* cr, int w, int h, int direction) {
  Filmstrip(cr, w, h, 2, [direction](cairo_t* c, int k, double fw, double fh) {
    const double cx = fw / 2, cy = fh / 2, s = std::min(fw, fh) * 0.28;
    cairo_move_to(c, cx - direction * s * 0.8, cy - s);
    cairo_line_to(c, cx + direction * s * 0.8, cy);
    cairo_line_to(c, cx - direction * s * 0.8, cy + s);
    cairo_close_path(c);
    if (k == 1) SetColour(c, ACCENT);
    else SetColour(c, TEXT, 0.8);
    cairo_fill(c);
  });
}
void DrawPrevious(cairo_t* cr, int w, int h) { DrawArrow(cr, w, h, -1); }
void DrawNext(cairo_t* cr, int w, int h) { DrawArrow(cr, w, h, 1); }

// The preset browser toggle: a small grid of presets.
void DrawBrowserButton(cairo_t* cr, int w, int h) {
  Filmstrip(cr, w, h, 2, [](cairo_t* c, int k, double fw, double fh) {
    Button(c, fw, fh, "", k == 1, ACCENT, false);
    for (int row = 0; row < 3; ++row)
      for (int col = 0; col < 3; ++col) {
        cairo_rectangle(c, fw / 2 - 6 + col * 4.5, fh / 2 - 6 + row * 4.5, 3, 3);
        SetColour(c, k == 1 ? SColour{1, 1, 1} : TEXT, k == 1 ? 1.0 : 0.7);
        cairo_fill(c);
      }
  });
}

void DrawAnalysis(cairo_t* cr, int w, int h) {
  Filmstrip(cr, w, h, 2, [](cairo_t* c, int k, double fw, double fh) {
    Button(c, fw, fh, "", k == 1, ACCENT, false);
    // A small spectrum.
    static const double bars[] = {0.4, 0.75, 0.55, 0.9, 0.35};
    for (int i = 0; i < 5; ++i) {
      const double bh = (fh - 7) * bars[i];
      cairo_rectangle(c, 4 + i * 3, fh - 3.5 - bh, 2, bh);
      SetColour(c, k == 1 ? SColour{1, 1, 1} : TEXT_DIM);
      cairo_fill(c);
    }
  });
}

void DrawLink(cairo_t* cr, int w, int h) {
  Filmstrip(cr, w, h, 2, [](cairo_t* c, int k, double fw, double fh) {
    Button(c, fw, fh, "", k == 1, ACCENT, false);
    cairo_set_line_width(c, 1.4);
    SetColour(c, k == 1 ? SColour{1, 1, 1} : TEXT_DIM);
    RoundedRect(c, fw / 2 - 7.5, fh / 2 - 2.5, 8, 5, 2.5);
    cairo_stroke(c);
    RoundedRect(c, fw / 2 - 0.5, fh / 2 - 2.5, 8, 5, 2.5);
    cairo_stroke(c);
  });
}

void DrawIidInvert(cairo_t* cr, int w, int h) { OnOffStack(cr, w, h, "INVERT", ACCENT, true); }
void DrawItdFill(cairo_t* cr, int w, int h) { OnOffStack(cr, w, h, "FILL", ACCENT, true); }
void DrawMono(cairo_t* cr, int w, int h) { OnOffStack(cr, w, h, "MONO", AMBER, true, 7.5); }
void DrawIidEnabled(cairo_t* cr, int w, int h) { OnOffStack(cr, w, h, "IID", ACCENT, true); }
void DrawItdEnabled(cairo_t* cr, int w, int h) { OnOffStack(cr, w, h, "ITD", ACCENT, true); }
void DrawDynamics(cairo_t* cr, int w, int h) { OnOffStack(cr, w, h, "DYNAMICS", AMBER, true, 7.5); }
void DrawTempoSync(cairo_t* cr, int w, int h) { OnOffStack(cr, w, h, "SYNC", AMBER, false, 7); }
void DrawSoloLeft(cairo_t* cr, int w, int h) { OnOffStack(cr, w, h, "L", AMBER, false, 8); }
void DrawSoloRight(cairo_t* cr, int w, int h) { OnOffStack(cr, w, h, "R", AMBER, false, 8); }

// Auto level: off, on, then the countdown 1, 2, 3 (states 2..4).
void DrawAutoLevel(cairo_t* cr, int w, int h) {
  Filmstrip(cr, w, h, 5, [](cairo_t* c, int k, double fw, double fh) {
    if (k < 2) {
      Button(c, fw, fh, "AUTO", k == 1, GREEN, false, 7.5);
      return;
    }
    Button(c, fw, fh, "", true, AMBER, false);
    char digit[2] = {static_cast<char>('0' + (k - 1)), 0};
    Text(c, digit, 0, 0, fw, fh, 9.5, 0, SColour{1, 1, 1});
  });
}

void DrawSliderHandle(cairo_t* cr, int w, int h) {
  RoundedRect(cr, 0.5, 0.5, w - 1, h - 1, 2);
  FillRaised(cr, h, SColour{0.80, 0.82, 0.86}, SColour{0.48, 0.50, 0.55});
  cairo_move_to(cr, w / 2.0, 3);
  cairo_line_to(cr, w / 2.0, h - 3);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
  cairo_stroke(cr);
}

// ---- Graph images -----------------------------------------------------------

// The trail sprite: a soft round glow (premultiplied by the editor on open).
void DrawSprite(cairo_t* cr, int w, int h) {
  cairo_pattern_t* p = cairo_pattern_create_radial(w / 2.0, h / 2.0, 0, w / 2.0, h / 2.0, w / 2.0);
  cairo_pattern_add_color_stop_rgba(p, 0, 1, 1, 1, 1);
  cairo_pattern_add_color_stop_rgba(p, 0.35, 1, 1, 1, 0.55);
  cairo_pattern_add_color_stop_rgba(p, 1, 1, 1, 1, 0);
  cairo_set_source(cr, p);
  cairo_paint(cr);
  cairo_pattern_destroy(p);
}

// Handle images: a ring with a bright core; the hovered one is larger and lit.
void DrawHandle(cairo_t* cr, int w, int h, bool hovered) {
  const double cx = w / 2.0, cy = h / 2.0, r = w / 2.0;
  cairo_pattern_t* glow = cairo_pattern_create_radial(cx, cy, 0, cx, cy, r);
  cairo_pattern_add_color_stop_rgba(glow, 0, 1, 1, 1, hovered ? 0.5 : 0.25);
  cairo_pattern_add_color_stop_rgba(glow, 1, 1, 1, 1, 0);
  cairo_set_source(cr, glow);
  cairo_paint(cr);
  cairo_pattern_destroy(glow);
  cairo_arc(cr, cx, cy, r * (hovered ? 0.36 : 0.3), 0, 2 * PI);
  cairo_set_source_rgba(cr, 1, 1, 1, 1);
  cairo_set_line_width(cr, hovered ? 2.0 : 1.5);
  cairo_stroke(cr);
  cairo_arc(cr, cx, cy, r * 0.12, 0, 2 * PI);
  cairo_fill(cr);
}
void DrawHandleNormal(cairo_t* cr, int w, int h) { DrawHandle(cr, w, h, false); }
void DrawHandleHovered(cairo_t* cr, int w, int h) { DrawHandle(cr, w, h, true); }

// The band texture: bright in the middle of its thickness, fading out.
void DrawBandTexture(cairo_t* cr, int w, int h) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, h);
  cairo_pattern_add_color_stop_rgba(p, 0, 1, 1, 1, 0);
  cairo_pattern_add_color_stop_rgba(p, 0.5, 1, 1, 1, 1);
  cairo_pattern_add_color_stop_rgba(p, 1, 1, 1, 1, 0);
  cairo_set_source(cr, p);
  cairo_paint(cr);
  cairo_pattern_destroy(p);
  (void)w;
}

// ---- Read-out strips ------------------------------------------------------

void Readout(cairo_t* cr, int w, int h, int frames, std::string (*text)(int)) {
  Filmstrip(cr, w, h, frames, [text](cairo_t* c, int k, double fw, double fh) {
    Text(c, text(k).c_str(), 0, 0, fw, fh, 8.5, -1, ACCENT);
  });
}

void DrawReadoutLabel(cairo_t* cr, int w, int h) {
  Filmstrip(cr, w, h, READOUT_LABELS, [](cairo_t* c, int k, double fw, double fh) {
    Text(c, ReadoutLabel(k), 0, 0, fw - 6, fh, 7.5, 1, TEXT_DIM);
  });
}
void DrawReadoutResolution(cairo_t* cr, int w, int h) { Readout(cr, w, h, 10, ResolutionText); }
void DrawReadoutShape(cairo_t* cr, int w, int h) { Readout(cr, w, h, 5, ShapeText); }
void DrawReadoutFrequency(cairo_t* cr, int w, int h) { Readout(cr, w, h, 309, FrequencyFrameText); }
void DrawReadoutOnOff(cairo_t* cr, int w, int h) { Readout(cr, w, h, 2, OnOffText); }
void DrawReadoutBalance(cairo_t* cr, int w, int h) {
  Readout(cr, w, h, 201, [](int k) { return BalanceText(k / 200.0); });
}
void DrawReadoutPercent(cairo_t* cr, int w, int h) { Readout(cr, w, h, 101, PercentText); }
void DrawReadoutPhase(cairo_t* cr, int w, int h) { Readout(cr, w, h, 102, PhaseText); }
void DrawReadoutWidth(cairo_t* cr, int w, int h) { Readout(cr, w, h, 201, LinearWidthText); }
void DrawReadoutPeak(cairo_t* cr, int w, int h) { Readout(cr, w, h, 151, PeakText); }

// ---- About page title -----------------------------------------------------

void DrawAboutTitle(cairo_t* cr, int w, int h) {
  const double nameWidth = TextWidth(cr, "Spanora", 22), digitWidth = TextWidth(cr, "3", 22);
  const double left = (w - nameWidth - digitWidth - 1) / 2;
  Text(cr, "Spanora", left, 0, nameWidth, h - 8, 22, -1, SColour{0.10, 0.11, 0.13});
  Text(cr, "3", left + nameWidth + 1, 0, digitWidth + 2, h - 8, 22, -1, SColour{0.05, 0.45, 0.60});
  Text(cr, "STEREO IMAGE DESIGNER", 0, h - 10, w, 10, 7, 0, SColour{0.25, 0.27, 0.30});
}

constexpr int KNOB = 40, SMALL_KNOB = 28;
constexpr int READOUT_H = 12, LABEL_W = 150, VALUE_W = 68;

const SArtwork kWidener[] = {
    {202, 154, 77 * 201, DrawWidthGauge},
    {204, 22, 18 * 2, DrawAnalysis},
    {205, 28, 14 * 5, DrawAutoLevel},
    {207, 62, 14 * 2, DrawDynamics},
    {208, 42, 14 * 2, DrawIidEnabled},
    {209, 56, 14 * 2, DrawIidInvert},
    {210, 42, 14 * 2, DrawItdEnabled},
    {211, 22, 14 * 2, DrawLink},
    {212, 38, 14 * 2, DrawMono},
    {217, KNOB, KNOB * 10, DrawResolutionKnob},
    {220, KNOB, KNOB * 30, DrawMeter},
    {224, 16, 16, DrawSprite},
    {226, SMALL_KNOB, SMALL_KNOB * 101, DrawDynamicsKnobOn},
    {227, SMALL_KNOB, SMALL_KNOB * 101, DrawDynamicsKnobOff},
    {228, SMALL_KNOB, SMALL_KNOB * 101, DrawDynamicsKnobOn},
    {229, 18, 18 * 5, DrawShapeOn},
    {230, SMALL_KNOB, SMALL_KNOB * 101, DrawDynamicsKnobOff},
    {236, 18, 18 * 5, DrawShapeOff},
    {237, 20, 20 * 102, DrawPhaseKnob},
    {238, 56, 14 * 2, DrawItdFill},
    {239, VALUE_W, READOUT_H * 101, DrawReadoutPercent},
    {240, VALUE_W, READOUT_H * 10, DrawReadoutResolution},
    {241, LABEL_W, READOUT_H * READOUT_LABELS, DrawReadoutLabel},
    {242, VALUE_W, READOUT_H * 5, DrawReadoutShape},
    {243, VALUE_W, READOUT_H * 309, DrawReadoutFrequency},
    {244, VALUE_W, READOUT_H * 2, DrawReadoutOnOff},
    {245, VALUE_W, READOUT_H * 201, DrawReadoutBalance},
    {246, VALUE_W, READOUT_H * 102, DrawReadoutPhase},
    {252, 10, 11, DrawSliderHandle},
    {256, 48, 20 * 2, DrawRedo},
    {257, 48, 20 * 2, DrawRedoDisabled},
    {258, 26, 12 * 2, DrawTempoSync},
    {259, 48, 20 * 2, DrawUndo},
    {260, 48, 20 * 2, DrawUndoDisabled},
    {261, 48, 20 * 2, DrawCopyAtoB},
    {262, 48, 20 * 2, DrawAB},
    {263, 48, 20 * 2, DrawCopyBtoA},
    {264, 56, 20 * 2, DrawBypass},
    {265, 18, 14 * 2, DrawSoloLeft},
    {266, 18, 14 * 2, DrawSoloRight},
    {267, 24, 24, DrawHandleNormal},
    {268, 24, 24, DrawHandleHovered},
    {269, 16, 16, DrawBandTexture},
    {270, KNOB, KNOB * 101, DrawAcuityKnob},
    {271, 640, 30, DrawTopBar},
    {272, 640, 460, DrawBackground},
    {273, VALUE_W, READOUT_H * 201, DrawReadoutWidth},
    {274, 62, 18 * 201, DrawBalanceCompanion},
    {275, 14, 16 * 2, DrawPrevious},
    {276, 14, 16 * 2, DrawNext},
    {277, 28, 16 * 2, DrawBrowserButton},
    {280, VALUE_W, READOUT_H * 151, DrawReadoutPeak},
    {281, 220, 36, DrawAboutTitle},
};

}  // namespace

std::span<const SArtwork> WidenerArtwork() { return kWidener; }

}  // namespace artgen
