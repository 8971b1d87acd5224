#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "preview/preview_window_model.h"
#include "preview/preview_zoom.h"
#include "raster/raster_page.h"

namespace ks::preview {

// Rectangles and lines in device-independent pixels of the render target.
struct RectF {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;

    [[nodiscard]] double width() const { return right - left; }
    [[nodiscard]] double height() const { return bottom - top; }
    friend bool operator==(const RectF&, const RectF&) = default;
};

struct LineF {
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;

    friend bool operator==(const LineF&, const LineF&) = default;
};

// Where everything of one preview frame lands on a render target.
struct PreviewScene {
    RectF sidePanel;
    RectF bottomBar;
    RectF viewport;   // the page area; drawing of the paper is clipped to it
    RectF paper;      // may reach beyond the viewport
    RectF printable;  // the paper inset by the margins
    // The page scaled into the printable area with its aspect ratio kept;
    // none when the margins leave no printable area.
    std::optional<RectF> image;
    // Between the panel and the page area, above the bottom bar, and three
    // across the panel between its groups.
    std::array<LineF, 5> separators;
};

// Lays out a frame on a target of `targetWidth` × `targetHeight` DIPs, with
// `zoom` DIPs per paper dot, for a page of `pageWidth` × `pageHeight` pixels.
[[nodiscard]] PreviewScene composePreviewScene(double targetWidth, double targetHeight, double zoom, PaperDots paper,
                                               const PreviewMargins& margins, std::uint32_t pageWidth,
                                               std::uint32_t pageHeight);

// Whether `page` can become a bitmap: a non-zero size, a width of at most
// 0x3FFFFFFF and exactly width × height × 4 bytes of pixels.
[[nodiscard]] bool hasDrawablePixels(const raster::RasterPage& page);

}  // namespace ks::preview
