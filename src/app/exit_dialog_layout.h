#pragma once

// Geometry of the exit confirmation dialog, apart from any window so it can
// be checked by plain tests. Sizes are given at 96 DPI and scaled to the
// dialog's DPI the way MulDiv scales them.

#include "platform/dpi_scale.h"

namespace ks::app {

using platform::LayoutRect;
using platform::mulDiv;
using platform::scaleForDpi;

struct ExitDialogLayout {
    LayoutRect title;        // 1101 "Kestrune"
    LayoutRect heading;      // 1102 the question
    LayoutRect body;         // 1103 the explanation
    LayoutRect keepRunning;  // 2 "继续运行"
    LayoutRect exit;         // 1 "退出服务"
    LayoutRect accentBar;    // the coloured bar along the top edge
    LayoutRect icon;         // the product icon
};

// Positions for a client area of `clientWidth` × `clientHeight` pixels at `dpi`.
ExitDialogLayout layoutExitDialog(int clientWidth, int clientHeight, int dpi);

// Font heights (negative: character height) at `dpi`.
struct ExitDialogFontHeights {
    int regular;
    int heading;
    int title;
};
ExitDialogFontHeights exitDialogFontHeights(int dpi);

// The dialog's client size at 96 DPI.
inline constexpr int kExitDialogClientWidth = 480;
inline constexpr int kExitDialogClientHeight = 250;

// The top-left corner that centres a window of the given size in a work area.
LayoutRect centreInWorkArea(const LayoutRect& workArea, int windowWidth, int windowHeight);

// Control ids of the two buttons.
inline constexpr int kExitButtonId = 1;
inline constexpr int kKeepRunningButtonId = 2;

// The default button follows the focus: "退出服务" when it has the focus,
// "继续运行" otherwise.
int defaultButtonFor(int focusedControlId);

}  // namespace ks::app
