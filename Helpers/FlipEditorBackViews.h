#pragma once
// The back face's pages (the about page and the options page) are built by
// FlipEditor's back-page members; this header holds what they share: the
// texts, colours and layout of the pages.
#include "vstgui/Types.h"

namespace backviews {

constexpr const char* ABOUT_TECHNOLOGY_LINE = "AudioSuite and RTAS technology by Digidesign Inc.";
constexpr const char* RETURN_TEXT = "Click here to return to main interface";
constexpr const char* OPTIONS_TEXT = "Options";
constexpr const char* REQUIRES_REOPEN_TEXT = "(requires re-open)";
constexpr const char* CACHE_TEXTURES_LABEL = "Cache Textures";
constexpr const char* PROFILING_INFO_LABEL = "Profiling Info";

constexpr VSTGUI::EOGLFont PAGE_FONT = VSTGUI::kOGLFont11;
constexpr VSTGUI::CColor PAGE_TEXT_COLOUR = VSTGUI::kBlackCColor;
constexpr VSTGUI::CColor BUTTON_BACK_COLOUR{255, 128, 64, 255};
constexpr int LINE_SPACING = 15;
// An option row: label and button meet 2 pixels either side of the centre;
// the note starts 6 pixels after the button.
constexpr int OPTION_GAP = 2;
constexpr int OPTION_BUTTON_WIDTH = 30;
constexpr int NOTE_GAP = 6;
constexpr int TEXT_BUTTON_PADDING = 12;  // pixels either side of a text button's text

}  // namespace backviews
