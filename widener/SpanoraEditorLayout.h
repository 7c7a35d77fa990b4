#pragma once
// The widener face's fixed layout: where each control sits, which image it
// draws, which parameter it drives, and how the read-out area maps the
// last-touched parameter to a label frame and a value strip. Kept as data so
// the editor builds from it and the tests check it without a display.
#include <span>

namespace spanora {

// Tag for controls that drive no parameter.
inline constexpr long TAG_NONE = 9999;
// Last-touched tags of the two meter read-out buttons.
inline constexpr long TAG_INPUT_PEAK = -2;
inline constexpr long TAG_OUTPUT_PEAK = -1;

enum class EFaceControl {
  STATIC_BITMAP,
  ON_OFF,
  KICK,
  KNOB,
  STATES,
  SLIDER,
  TEXT_EDIT,
};

// What the editor does with a control beyond binding it to its tag.
enum class EFaceRole {
  PLAIN,
  AB_SWITCH,
  COPY_A_TO_B,
  UNDO,
  REDO,
  PREVIOUS_PROGRAM,
  NEXT_PROGRAM,
  PRESET_BROWSER,
  PROGRAM_NAME,
  INPUT_METER,
  OUTPUT_METER,
  PHASE,
  AUTO_LEVEL,
  READOUT_LABEL,
  READOUT_VALUE,
};

struct SFaceControl {
  EFaceRole eRole;
  EFaceControl eKind;
  int nX, nY;            // top-left, relative to the table's origin
  int nRight, nBottom;   // sliders and text edits only (else 0)
  long nBitmap;          // the image
  long nBitmapAlt;       // -1 = none; the "Dynamics on" image, disabled undo/redo, copy B to A
  long nTag;
  int nFrames;           // knob frames / button states; 0 when not applicable
  int nReadoutKind;      // READOUT_VALUE only
};

// Top strip, origin (0, 0).
std::span<const SFaceControl> TopStripControls() noexcept;
// Everything below it, origin FACE_ORIGIN_X/Y.
inline constexpr int FACE_ORIGIN_X = 20;
inline constexpr int FACE_ORIGIN_Y = 33;
std::span<const SFaceControl> FaceControls() noexcept;

// The invisible buttons over the meters: the meter's rectangle two pixels
// higher, four lower, METER_BUTTON_WIDTH wide.
inline constexpr int METER_BUTTON_WIDTH = 43;

// Graphs (editor pixels, origin (0, 0)).
struct SRect {
  int left, top, right, bottom;
};
inline constexpr SRect WIDTH_GRAPH_RECT{56, 53, 584, 349};
inline constexpr SRect OVERLAY_RECT{56, 53, 584, 351};
inline constexpr SRect BALANCE_STRIP_RECT{44, 405, 594, 428};
inline constexpr int BALANCE_COMPANION_X = 289, BALANCE_COMPANION_Y = 407;
inline constexpr long BALANCE_COMPANION_BITMAP = 274;
inline constexpr int BALANCE_COMPANION_FRAMES = 201;
inline constexpr int RADIAL_DEPTH = 176;
inline constexpr int PIXELS_PER_POINT = 4;
inline constexpr long GRAPH_SPRITE_BITMAP = 224;
inline constexpr long BACKGROUND_BITMAP = 272;
inline constexpr long BACK_TITLE_BITMAP = 281;
inline constexpr long COPY_A_TO_B_BITMAP = 261;
inline constexpr long COPY_B_TO_A_BITMAP = 263;
inline constexpr SRect TITLE_RECT{400, 350, 620, 384};
inline constexpr int BACK_TITLE_TOP = 40;
inline constexpr int BACK_TITLE_BITMAP_SHIFT = 35;

// ---- Read-out area ----
struct SReadoutRow {
  int nLabelFrame;
  long nTag;
  int nKind;
};
inline constexpr int READOUT_LABEL_FRAMES = 33;
inline constexpr int READOUT_KINDS = 9;  // value strips 0..8
inline constexpr int READOUT_KIND_FREQUENCY = 2;
inline constexpr int READOUT_KIND_PHASE = 6;
inline constexpr int READOUT_KIND_PEAK = 8;
inline constexpr int READOUT_KIND_NONE = 9;  // the meters set their strip themselves

std::span<const SReadoutRow> ReadoutRows() noexcept;
// The row for a tag, or nullptr when the tag has no read-out.
const SReadoutRow* FindReadoutRow(long tag) noexcept;

}  // namespace spanora
