#pragma once

#include <cstdint>

#include "preview/preview_window_model.h"

namespace ks::preview {

// The paper's size in device dots at the view's resolution.
struct PaperDots {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Converts the view's paper millimetres at its resolution. Throws
// std::invalid_argument for a size that is not finite or negative or a
// resolution of 0, std::overflow_error past the signed 32-bit range.
[[nodiscard]] PaperDots paperDots(const PreviewView& view);

// The scale that fits the paper into a client area of the given pixels at
// `dpi`, leaving room for the side panel, the bottom bar and the page area's
// edges.
[[nodiscard]] double fitScale(int clientWidth, int clientHeight, int dpi, PaperDots paper);

// One step in or out from the current scale (the fit scale in fit mode),
// clamped to 0.05–8.0; the result is a fixed scale.
[[nodiscard]] PreviewZoom zoomedIn(const PreviewZoom& zoom, double fit);
[[nodiscard]] PreviewZoom zoomedOut(const PreviewZoom& zoom, double fit);

// Device-independent pixels per paper dot: the scale is in screen pixels per
// dot, and the drawing is in units of 1/96 inch.
[[nodiscard]] double zoomFactor(const PreviewZoom& zoom, double fit, int dpi);

}  // namespace ks::preview
