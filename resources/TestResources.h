#pragma once
// Images only tests link: ids 1000 and up, drawn by tools/artgen's test set.
#include "resources/Resources.h"

namespace resources {

extern const SResourceTable kTestResources;

enum ETestImage : int {
  TEST_IMAGE_QUADRANTS = 1000,   // 64x32, red/green/blue/white quadrants clockwise from top left
  TEST_IMAGE_MARKERS = 1001,     // 37x21, blue; red 6x4 top left, green 6x4 bottom right, white column x 16..20 at alpha 0.5
  TEST_IMAGE_KNOB_STRIP = 1002,  // 5 frames of 32x32 stacked; frame k grey 40*(k+1)
  TEST_IMAGE_CORRUPT = 1003,     // a damaged PNG
  TEST_IMAGE_EDITOR_BACKGROUND = 1004,   // 500x440 slate (51, 64, 77), orange title band (150, 10)-(350, 40)
  TEST_IMAGE_BUTTON = 1006,              // 20x40: dark grey off above, yellow on below
  TEST_IMAGE_BUTTON_DISABLED = 1007,     // 20x40 mid grey
  TEST_IMAGE_MISSING = 1099,     // no image has this id
};

}  // namespace resources
