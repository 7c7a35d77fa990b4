#include "widener/SpanoraEditorLayout.h"

namespace spanora {

namespace {

constexpr SReadoutRow READOUT[] = {
  {0, 8, 3},     {1, 9, 2},     {2, 10, 2},   {3, 13, 3},   {4, 11, 2},
  {5, 1, 0},     {6, 12, 2},    {7, 0, 5},    {8, 14, 3},   {9, 26, 3},
  {10, 16, 2},   {11, 15, 2},   {12, 17, 5},  {13, 9001, 3}, {14, 23, 5},
  {15, 24, 1},   {16, 22, 5},   {17, 25, 3},  {18, -3, 3},  {19, 20, 3},
  {20, -3, 3},   {21, 2, 7},    {22, 21, 3},  {23, 7, 3},   {24, 5, 3},
  {25, 4, 6},    {26, 27, 3},   {27, 28, 3},  {28, 29, 4},  {29, 18, 5},
  {30, 6, 3},    {31, -2, 9},   {32, -1, 9},
};

} // namespace

std::span<const SReadoutRow> ReadoutRows() noexcept { return READOUT; }

const SReadoutRow* FindReadoutRow(long tag) noexcept
{
  for (const SReadoutRow& row : READOUT)
    if (row.nTag == tag)
      return &row;
  return nullptr;
}

std::span<const SFaceControl> TopStripControls() noexcept { return {}; }
std::span<const SFaceControl> FaceControls() noexcept { return {}; }

} // namespace spanora
