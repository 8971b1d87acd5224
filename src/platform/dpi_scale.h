#pragma once

// Sizes given at 96 DPI, scaled to a window's DPI the way MulDiv scales
// them, and the rectangles that layout functions return. Portable, so that
// layouts are checked by plain tests without a window.

namespace ks::platform {

struct LayoutRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const LayoutRect&, const LayoutRect&) = default;
};

// MulDiv(value, numerator, denominator): the product divided with rounding
// half away from zero; -1 when the denominator is 0 or the result does not
// fit in an int.
int mulDiv(int value, int numerator, int denominator);

// A size at 96 DPI scaled to `dpi`.
inline int scaleForDpi(int value, int dpi) { return mulDiv(value, dpi, 96); }

}  // namespace ks::platform
