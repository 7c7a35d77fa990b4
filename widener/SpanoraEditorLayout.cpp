#include "widener/SpanoraEditorLayout.h"

namespace spanora {

namespace {

using R = EFaceRole;
using K = EFaceControl;

// Undo and redo: the enabled image, the disabled one as the alternative.
constexpr SFaceControl TOP_STRIP[] = {
    {R::PLAIN, K::STATIC_BITMAP, 0, 0, 0, 0, 271, -1, TAG_NONE, 0, 0},
    {R::PLAIN, K::ON_OFF, 19, 5, 0, 0, 264, -1, 6, 2, 0},
    {R::AB_SWITCH, K::ON_OFF, 526, 5, 0, 0, 262, -1, TAG_NONE, 2, 0},
    {R::COPY_A_TO_B, K::KICK, 577, 5, 0, 0, 261, 263, TAG_NONE, 2, 0},
    {R::UNDO, K::KICK, 127, 5, 0, 0, 259, 260, 10001, 2, 0},
    {R::REDO, K::KICK, 178, 5, 0, 0, 256, 257, 10002, 2, 0},
    {R::PREVIOUS_PROGRAM, K::KICK, 232, 8, 0, 0, 275, -1, TAG_NONE, 2, 0},
    {R::NEXT_PROGRAM, K::KICK, 480, 8, 0, 0, 276, -1, TAG_NONE, 2, 0},
    {R::PRESET_BROWSER, K::ON_OFF, 495, 7, 0, 0, 277, -1, TAG_NONE, 2, 0},
    {R::PROGRAM_NAME, K::TEXT_EDIT, 255, 10, 475, 21, -1, -1, TAG_NONE, 0, 0},
};

constexpr SFaceControl FACE[] = {
    {R::PLAIN, K::KNOB, 0, 181, 0, 0, 217, -1, 1, 10, 0},
    {R::PLAIN, K::KNOB, 489, 183, 0, 0, 270, -1, 18, 101, 0},
    {R::PLAIN, K::KNOB, 223, 239, 0, 0, 202, -1, 2, 201, 0},
    {R::INPUT_METER, K::KNOB, 507, 11, 0, 0, 220, -1, TAG_NONE, 30, 0},
    {R::OUTPUT_METER, K::KNOB, 558, 11, 0, 0, 220, -1, TAG_NONE, 30, 0},
    {R::PLAIN, K::KNOB, 50, 36, 0, 0, 227, 228, 23, 101, 0},
    {R::PLAIN, K::KNOB, 50, 5, 0, 0, 230, 226, 22, 101, 0},
    {R::PLAIN, K::KNOB, 0, 36, 0, 0, 236, 229, 24, 5, 0},
    {R::PHASE, K::KNOB, 557, 67, 0, 0, 237, -1, TAG_NONE, 102, 0},
    {R::PLAIN, K::ON_OFF, 289, 331, 0, 0, 204, -1, 9001, 2, 0},
    {R::PLAIN, K::ON_OFF, 110, 262, 0, 0, 209, -1, 13, 2, 0},
    {R::PLAIN, K::ON_OFF, 577, 70, 0, 0, 212, -1, 7, 2, 0},
    {R::AUTO_LEVEL, K::STATES, 526, 70, 0, 0, 205, -1, TAG_NONE, 5, 0},
    {R::PLAIN, K::ON_OFF, 244, 353, 0, 0, 208, -1, 8, 2, 0},
    {R::PLAIN, K::ON_OFF, 363, 353, 0, 0, 210, -1, 14, 2, 0},
    {R::PLAIN, K::ON_OFF, 20, 100, 0, 0, 207, -1, 5, 2, 0},
    {R::PLAIN, K::ON_OFF, 20, 40, 0, 0, 258, -1, 25, 2, 0},
    {R::PLAIN, K::ON_OFF, 289, 354, 0, 0, 211, -1, 21, 2, 0},
    {R::PLAIN, K::ON_OFF, 20, 405, 0, 0, 265, -1, 27, 2, 0},
    {R::PLAIN, K::ON_OFF, 601, 405, 0, 0, 266, -1, 28, 2, 0},
    {R::PLAIN, K::ON_OFF, 431, 262, 0, 0, 238, -1, 26, 2, 0},
    {R::PLAIN, K::SLIDER, 20, 393, 619, 404, 252, -1, 29, 0, 0},
    {R::READOUT_LABEL, K::KNOB, 24, 360, 0, 0, 241, -1, TAG_NONE, READOUT_LABEL_FRAMES, 0},
    {R::READOUT_VALUE, K::KNOB, 175, 360, 0, 0, 240, -1, TAG_NONE, 10, 0},
    {R::READOUT_VALUE, K::KNOB, 175, 360, 0, 0, 242, -1, TAG_NONE, 5, 1},
    {R::READOUT_VALUE, K::KNOB, 175, 360, 0, 0, 243, -1, TAG_NONE, 309, 2},
    {R::READOUT_VALUE, K::KNOB, 175, 360, 0, 0, 244, -1, TAG_NONE, 2, 3},
    {R::READOUT_VALUE, K::KNOB, 175, 360, 0, 0, 245, -1, TAG_NONE, 201, 4},
    {R::READOUT_VALUE, K::KNOB, 175, 360, 0, 0, 239, -1, TAG_NONE, 101, 5},
    {R::READOUT_VALUE, K::KNOB, 175, 360, 0, 0, 246, -1, TAG_NONE, 102, 6},
    {R::READOUT_VALUE, K::KNOB, 175, 360, 0, 0, 273, -1, TAG_NONE, 201, 7},
    {R::READOUT_VALUE, K::KNOB, 175, 360, 0, 0, 280, -1, TAG_NONE, 151, 8},
};

constexpr SReadoutRow READOUT[] = {
    {0, 8, 3},   {1, 9, 2},   {2, 10, 2},  {3, 13, 3},     {4, 11, 2},  {5, 1, 0},   {6, 12, 2},
    {7, 0, 5},   {8, 14, 3},  {9, 26, 3},  {10, 16, 2},    {11, 15, 2}, {12, 17, 5}, {13, 9001, 3},
    {14, 23, 5}, {15, 24, 1}, {16, 22, 5}, {17, 25, 3},    {18, -3, 3}, {19, 20, 3}, {20, -3, 3},
    {21, 2, 7},  {22, 21, 3}, {23, 7, 3},  {24, 5, 3},     {25, 4, 6},  {26, 27, 3}, {27, 28, 3},
    {28, 29, 4}, {29, 18, 5}, {30, 6, 3},  {31, -2, 9},    {32, -1, 9},
};

}  // namespace

std::span<const SFaceControl> TopStripControls() noexcept { return TOP_STRIP; }
std::span<const SFaceControl> FaceControls() noexcept { return FACE; }
std::span<const SReadoutRow> ReadoutRows() noexcept { return READOUT; }

const SReadoutRow* FindReadoutRow(long tag) noexcept {
  for (const SReadoutRow& row : READOUT)
    if (row.nTag == tag) return &row;
  return nullptr;
}

}  // namespace spanora
