#include "vstgui/TextDraw.h"

#include <cstring>

namespace VSTGUI {

void DrawTextInRect(const CRect&, const char*, CHoriTxtAlign, EOGLFont, const CColor&) {}
int GetTextWidth(const char* text, EOGLFont) { return text ? 6 * static_cast<int>(std::strlen(text)) : 0; }

}  // namespace VSTGUI
