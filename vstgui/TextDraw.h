#pragma once
// Text for the controls: a string into a rectangle with an alignment, font
// and colour, and the width of a string in a font, from the frame's fonts.
#include "vstgui/Types.h"

namespace VSTGUI {

void DrawTextInRect(const CRect& rect, const char* text, CHoriTxtAlign align, EOGLFont font, const CColor& color);
int GetTextWidth(const char* text, EOGLFont font);

}  // namespace VSTGUI
