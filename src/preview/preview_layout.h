#pragma once

// Geometry of the preview window's controls, apart from any window so it can
// be checked by plain tests. Sizes are given at 96 DPI and scaled to the
// window's DPI the way MulDiv scales them.

#include <array>

#include "platform/dpi_scale.h"

namespace ks::preview {

// Control ids of the preview window.
namespace control {
inline constexpr int kPrinterList = 101;
inline constexpr int kPaperLine = 102;
inline constexpr int kCopies = 103;
inline constexpr int kPreviousPage = 104;
inline constexpr int kNextPage = 105;
inline constexpr int kPageCounter = 106;
inline constexpr int kFitToWindow = 107;
inline constexpr int kActualSize = 108;
inline constexpr int kZoomOut = 109;
inline constexpr int kZoomIn = 110;
inline constexpr int kZoomLabel = 111;
inline constexpr int kPrint = 112;
inline constexpr int kClose = 113;
inline constexpr int kStatus = 114;
inline constexpr int kPrinterHeading = 115;
inline constexpr int kCopiesHeading = 116;
inline constexpr int kSettings = 117;
inline constexpr int kQualityLine = 118;
inline constexpr int kOrientationLine = 119;
inline constexpr int kPaperHeading = 120;
inline constexpr int kCopiesSpinner = 121;
}  // namespace control

struct PlacedControl {
    int id = 0;
    platform::LayoutRect rect;
};

// Every control but the hidden zoom label, in creation order.
using PreviewLayout = std::array<PlacedControl, 20>;

// Positions for a client area of `clientWidth` × `clientHeight` pixels at
// `dpi`: a side panel along the right edge and a paging and zoom bar along
// the bottom.
[[nodiscard]] PreviewLayout layoutPreviewWindow(int clientWidth, int clientHeight, int dpi);

// The rectangle of control `id` in `layout`; empty for a control without one.
[[nodiscard]] platform::LayoutRect rectOf(const PreviewLayout& layout, int id);

// Font heights in pixels (negative: character height) and the printer list's
// selection field height, at `dpi`.
struct PreviewFontHeights {
    int base;
    int small;
    int heading;
    int comboSelection;
};
[[nodiscard]] PreviewFontHeights previewFontHeights(int dpi);

// The smallest client area the window may be resized to, at `dpi`.
struct ClientSize {
    int width;
    int height;
};
[[nodiscard]] ClientSize minimumClientSize(int dpi);

}  // namespace ks::preview
