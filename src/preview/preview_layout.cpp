#include "preview/preview_layout.h"

#include <algorithm>

namespace ks::preview {

using platform::LayoutRect;
using platform::mulDiv;
using platform::scaleForDpi;

namespace {

// Where the panel's rows start, in DIPs from the top, and the lowest edge of
// the status box in DIPs above the bottom; the compact arrangement closes
// the gaps between the groups so that the status box keeps its minimum
// height on a short screen.
struct PanelRows {
    int printerHeading;
    int printerList;
    int paperHeading;
    int paperLine;
    int lineStep;
    int copiesHeading;
    int copiesRow;
    int status;
    int statusBottomGap;
    std::array<int, 3> separators;  // the last one above the bottom
};

constexpr PanelRows kRoomyRows{28, 62, 160, 200, 38, 344, 382, 438, 140, {132, 320, 244}};
constexpr PanelRows kCompactRows{16, 44, 102, 130, 28, 230, 260, 308, 136, {94, 222, 130}};
constexpr int kMinimumStatusHeight = 28;

const PanelRows& rowsFor(int clientHeight) { return clientHeight >= kRoomyClientHeight ? kRoomyRows : kCompactRows; }

}  // namespace

PreviewLayout layoutPreviewWindow(int clientWidth, int clientHeight, int dpi) {
    // The table is in 96-DPI units relative to the client size in those units.
    const int w = mulDiv(clientWidth, 96, dpi);
    const int h = mulDiv(clientHeight, 96, dpi);
    // Edges are scaled rather than sizes, so that controls that meet at 96
    // DPI still meet, and do not overlap by a rounded pixel, at any other.
    const auto at = [dpi](int x, int y, int width, int height) {
        const int left = scaleForDpi(x, dpi);
        const int top = scaleForDpi(y, dpi);
        return LayoutRect{left, top, scaleForDpi(x + width, dpi) - left, scaleForDpi(y + height, dpi) - top};
    };
    const PanelRows& rows = rowsFor(h);
    const int panel = w - 292;
    const int statusHeight = std::max(h - rows.statusBottomGap - rows.status, kMinimumStatusHeight);
    return {{
        {control::kPrinterHeading, at(panel, rows.printerHeading, 264, 24)},
        {control::kPrinterList, at(panel, rows.printerList, 264, 260)},  // the height includes the drop-down
        {control::kPaperHeading, at(panel, rows.paperHeading, 264, 24)},
        {control::kPaperLine, at(panel, rows.paperLine, 264, 26)},
        {control::kQualityLine, at(panel, rows.paperLine + rows.lineStep, 264, 26)},
        {control::kOrientationLine, at(panel, rows.paperLine + 2 * rows.lineStep, 264, 26)},
        {control::kCopiesHeading, at(panel, rows.copiesHeading, 264, 24)},
        {control::kCopies, at(panel, rows.copiesRow, 86, 36)},
        {control::kCopiesSpinner, at(w - 206, rows.copiesRow, 24, 36)},
        {control::kSettings, at(w - 166, rows.copiesRow, 138, 36)},
        {control::kStatus, at(panel, rows.status, 264, statusHeight)},
        {control::kPrint, at(panel, h - 124, 264, 48)},
        {control::kClose, at(panel, h - 60, 264, 40)},
        // The counter is wide enough for "200 / 200 页", the most pages a job has.
        {control::kPreviousPage, at(24, h - 56, 68, 36)},
        {control::kPageCounter, at(100, h - 49, 96, 24)},
        {control::kNextPage, at(204, h - 56, 68, 36)},
        {control::kZoomOut, at(296, h - 56, 36, 36)},
        {control::kActualSize, at(340, h - 56, 64, 36)},
        {control::kZoomIn, at(412, h - 56, 36, 36)},
        {control::kFitToWindow, at(472, h - 56, 96, 36)},
    }};
}

LayoutRect rectOf(const PreviewLayout& layout, int id) {
    const auto found = std::find_if(layout.begin(), layout.end(), [id](const PlacedControl& c) { return c.id == id; });
    return found != layout.end() ? found->rect : LayoutRect{};
}

int printerListClosedHeight(int dpi) { return previewFontHeights(dpi).comboSelection + scaleForDpi(6, dpi); }

std::array<int, 3> panelSeparatorRows(int clientHeight) {
    const std::array<int, 3>& rows = rowsFor(clientHeight).separators;
    return {rows[0], rows[1], clientHeight - rows[2]};
}

PreviewFontHeights previewFontHeights(int dpi) {
    return {-scaleForDpi(16, dpi), -scaleForDpi(13, dpi), -scaleForDpi(18, dpi), scaleForDpi(32, dpi)};
}

ClientSize minimumClientSize(int dpi, ClientSize available) {
    const auto limit = [dpi](int wanted, int fits, int smallest) {
        return std::max(scaleForDpi(smallest, dpi), std::min(scaleForDpi(wanted, dpi), fits));
    };
    return {limit(920, available.width, kSmallestClient.width), limit(700, available.height, kSmallestClient.height)};
}

LayoutRect fitInWorkArea(const LayoutRect& window, const LayoutRect& workArea) {
    const int width = std::min(window.width, workArea.width);
    const int height = std::min(window.height, workArea.height);
    const auto place = [](int at, int size, int areaStart, int areaSize) {
        return std::max(areaStart, std::min(at, areaStart + areaSize - size));
    };
    return {place(window.x, width, workArea.x, workArea.width), place(window.y, height, workArea.y, workArea.height),
            width, height};
}

int defaultButtonFor(int focusedControlId) {
    switch (focusedControlId) {
        case control::kSettings:
        case control::kPrint:
        case control::kClose:
        case control::kPreviousPage:
        case control::kNextPage:
        case control::kZoomOut:
        case control::kActualSize:
        case control::kZoomIn:
        case control::kFitToWindow: return focusedControlId;
        default: return control::kPrint;
    }
}

}  // namespace ks::preview
