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
// the bottom. A client area less than kRoomyClientHeight DIPs high gets the
// panel's compact arrangement, whose groups sit closer together; either
// keeps every control apart and inside the client area down to
// kSmallestClient. The printer list's rectangle includes its drop-down.
[[nodiscard]] PreviewLayout layoutPreviewWindow(int clientWidth, int clientHeight, int dpi);

// The height in DIPs from which the panel gets its full spacing.
inline constexpr int kRoomyClientHeight = 672;

// The height of the printer list while it is closed, at `dpi`: its selection
// field and borders.
[[nodiscard]] int printerListClosedHeight(int dpi);

// The y positions, in DIPs of a client area `clientHeight` DIPs high, of the
// three lines that divide the panel's groups: under the printer, under the
// paper information and above the print button.
[[nodiscard]] std::array<int, 3> panelSeparatorRows(int clientHeight);

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

struct ClientSize {
    int width;
    int height;

    friend bool operator==(const ClientSize&, const ClientSize&) = default;
};

// The preview window's size when it opens, in DIPs.
inline constexpr ClientSize kOpeningWindowSize{1120, 800};
// The smallest client area the layout holds at, in DIPs.
inline constexpr ClientSize kSmallestClient{900, 480};

// The smallest client area the window may be resized to, at `dpi`: 920 × 700
// DIPs, but no larger than `available`, the client area that fits the work
// area of the window's monitor, and no smaller than kSmallestClient.
[[nodiscard]] ClientSize minimumClientSize(int dpi, ClientSize available);

// `window` shrunk to fit `workArea` and moved as little as needed to lie
// inside it (its top-left corner first when it cannot).
[[nodiscard]] platform::LayoutRect fitInWorkArea(const platform::LayoutRect& window,
                                                 const platform::LayoutRect& workArea);

// The default push button for the control `focusedControlId` that has the
// keyboard focus (0: none): a focused push button is the default itself,
// otherwise the print button is.
[[nodiscard]] int defaultButtonFor(int focusedControlId);

}  // namespace ks::preview
