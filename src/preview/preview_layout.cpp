#include "preview/preview_layout.h"

#include <algorithm>

namespace ks::preview {

using platform::LayoutRect;
using platform::mulDiv;
using platform::scaleForDpi;

PreviewLayout layoutPreviewWindow(int clientWidth, int clientHeight, int dpi) {
    // The table is in 96-DPI units relative to the client size in those units.
    const int w = mulDiv(clientWidth, 96, dpi);
    const int h = mulDiv(clientHeight, 96, dpi);
    const auto at = [dpi](int x, int y, int width, int height) {
        return LayoutRect{scaleForDpi(x, dpi), scaleForDpi(y, dpi), scaleForDpi(width, dpi), scaleForDpi(height, dpi)};
    };
    const int panel = w - 292;
    const int statusHeight = std::max(h - 578, 28);
    return {{
        {control::kPrinterHeading, at(panel, 28, 264, 24)},
        {control::kPrinterList, at(panel, 62, 264, 260)},  // the height includes the drop-down
        {control::kPaperHeading, at(panel, 160, 264, 24)},
        {control::kPaperLine, at(panel, 200, 264, 26)},
        {control::kQualityLine, at(panel, 238, 264, 26)},
        {control::kOrientationLine, at(panel, 276, 264, 26)},
        {control::kCopiesHeading, at(panel, 344, 264, 24)},
        {control::kCopies, at(panel, 382, 86, 36)},
        {control::kCopiesSpinner, at(w - 206, 382, 24, 36)},
        {control::kSettings, at(w - 166, 382, 138, 36)},
        {control::kStatus, at(panel, 438, 264, statusHeight)},
        {control::kPrint, at(panel, h - 124, 264, 48)},
        {control::kClose, at(panel, h - 60, 264, 40)},
        {control::kPreviousPage, at(24, h - 56, 68, 36)},
        {control::kPageCounter, at(100, h - 49, 78, 24)},
        {control::kNextPage, at(186, h - 56, 68, 36)},
        {control::kZoomOut, at(278, h - 56, 36, 36)},
        {control::kActualSize, at(322, h - 56, 64, 36)},
        {control::kZoomIn, at(394, h - 56, 36, 36)},
        {control::kFitToWindow, at(454, h - 56, 96, 36)},
    }};
}

LayoutRect rectOf(const PreviewLayout& layout, int id) {
    const auto found = std::find_if(layout.begin(), layout.end(), [id](const PlacedControl& c) { return c.id == id; });
    return found != layout.end() ? found->rect : LayoutRect{};
}

PreviewFontHeights previewFontHeights(int dpi) {
    return {-scaleForDpi(16, dpi), -scaleForDpi(13, dpi), -scaleForDpi(18, dpi), scaleForDpi(32, dpi)};
}

ClientSize minimumClientSize(int dpi) { return {scaleForDpi(920, dpi), scaleForDpi(700, dpi)}; }

}  // namespace ks::preview
