#pragma once
// The view framework's value types: points, rectangles, colours, font and
// alignment indices. Pixels, origin top-left, y growing downwards.
#include <algorithm>
#include <cstdint>

namespace VSTGUI {

struct CPoint {
  int h = 0;  // x
  int v = 0;  // y

  constexpr CPoint() = default;
  constexpr CPoint(int x, int y) : h(x), v(y) {}
  constexpr CPoint& offset(int dx, int dy) { h += dx; v += dy; return *this; }
  constexpr bool operator==(const CPoint&) const = default;
};

struct CRect {
  int left = 0, top = 0, right = 0, bottom = 0;

  constexpr CRect() = default;
  constexpr CRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
  constexpr int width() const { return right - left; }
  constexpr int height() const { return bottom - top; }
  constexpr CRect& offset(int dx, int dy) {
    left += dx; right += dx; top += dy; bottom += dy;
    return *this;
  }
  constexpr CRect& moveTo(int x, int y) { return offset(x - left, y - top); }
  constexpr CRect& inset(int dx, int dy) {
    left += dx; right -= dx; top += dy; bottom -= dy;
    return *this;
  }
  // Half-open: the right and bottom edges are outside.
  constexpr bool pointInside(const CPoint& p) const {
    return p.h >= left && p.h < right && p.v >= top && p.v < bottom;
  }
  constexpr bool isEmpty() const { return right <= left || bottom <= top; }
  constexpr CRect& bound(const CRect& r) {
    left = std::max(left, r.left); top = std::max(top, r.top);
    right = std::max(left, std::min(right, r.right));
    bottom = std::max(top, std::min(bottom, r.bottom));
    return *this;
  }
  constexpr bool operator==(const CRect&) const = default;
};

struct CColor {
  std::uint8_t red = 0, green = 0, blue = 0, alpha = 255;
  constexpr bool operator==(const CColor&) const = default;
};

inline constexpr CColor kBlackCColor{0, 0, 0, 255};
inline constexpr CColor kWhiteCColor{255, 255, 255, 255};
inline constexpr CColor kTransparentCColor{0, 0, 0, 0};

// Font indices: 0..3 have glyphs (9, 11, 14 and 18 pixels high); higher
// indices draw with the nearest font that has glyphs.
enum EOGLFont : int { kOGLFont9 = 0, kOGLFont11 = 1, kOGLFont14 = 2, kOGLFont18 = 3, kNumOGLFonts = 4 };

enum CHoriTxtAlign : int { kLeftText = 0, kCenterText = 1, kRightText = 2 };

// Standard cursors; ids as the controls pass them (10 is the hand).
enum ECursorId : long { kCursorDefault = 0, kCursorWait = 1, kCursorHSize = 2, kCursorVSize = 3,
                        kCursorSizeAll = 4, kCursorIBeam = 5, kCursorCrosshair = 6, kCursorHand = 10 };

}  // namespace VSTGUI
