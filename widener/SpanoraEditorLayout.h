#pragma once
// The widener face's fixed layout: where each control sits, which image it
// draws, which parameter it drives, and how the read-out area maps the
// last-touched parameter to a label frame and a value strip. Kept as data so
// the editor builds from it and the tests check it without a display.

#include <cstddef>
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

struct SFaceControl {
  EFaceControl eKind;
  int nX, nY;         // top-left, relative to the table's origin
  int nRight, nBottom; // only for sliders and text edits (else 0)
  long nBitmap;       // 0 when the control draws no image
  long nTag;
  int nFrames;        // knob frames / button states; 0 when not applicable
  const char* pszRole;
};

struct SReadoutRow {
  int nLabelFrame;
  long nTag;
  int nKind;
};

// Value kinds of the read-out area.
inline constexpr int READOUT_KINDS = 9;
inline constexpr int READOUT_KIND_FREQUENCY = 2;
inline constexpr int READOUT_KIND_PHASE = 6;
inline constexpr int READOUT_KIND_PEAK = 8;
inline constexpr int READOUT_KIND_NONE = 9;

// Top strip, origin (0, 0).
std::span<const SFaceControl> TopStripControls() noexcept;
// Everything below it, origin FACE_ORIGIN_X/Y.
inline constexpr int FACE_ORIGIN_X = 20;
inline constexpr int FACE_ORIGIN_Y = 33;
std::span<const SFaceControl> FaceControls() noexcept;

std::span<const SReadoutRow> ReadoutRows() noexcept;
// The row for a tag, or nullptr when the tag has no read-out.
const SReadoutRow* FindReadoutRow(long tag) noexcept;

} // namespace spanora
