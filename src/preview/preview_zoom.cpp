#include "preview/preview_zoom.h"

#include <algorithm>

#include "platform/dpi_scale.h"
#include "printing/mm_to_dots.h"

namespace ks::preview {
namespace {

constexpr double kMinimumScale = 0.05;
constexpr double kMaximumScale = 8.0;

PreviewZoom zoomedBy(const PreviewZoom& zoom, double fit, double factor) {
    const double start = zoom.fit ? fit : zoom.scale;
    return {false, std::clamp(start * factor, kMinimumScale, kMaximumScale)};
}

}  // namespace

PaperDots paperDots(const PreviewView& view) {
    return {printing::mmToDots(view.paperWidthMm, view.dpiX), printing::mmToDots(view.paperHeightMm, view.dpiY)};
}

double fitScale(int clientWidth, int clientHeight, int dpi, PaperDots paper) {
    const double width = clientWidth - platform::scaleForDpi(464, dpi);
    const double height = clientHeight - platform::scaleForDpi(188, dpi);
    return std::min(width / paper.width, height / paper.height);
}

PreviewZoom zoomedIn(const PreviewZoom& zoom, double fit) { return zoomedBy(zoom, fit, 1.25); }

PreviewZoom zoomedOut(const PreviewZoom& zoom, double fit) { return zoomedBy(zoom, fit, 0.8); }

double zoomFactor(const PreviewZoom& zoom, double fit, int dpi) { return (zoom.fit ? fit : zoom.scale) * 96.0 / dpi; }

}  // namespace ks::preview
