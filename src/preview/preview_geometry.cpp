#include "preview/preview_geometry.h"

#include <cmath>

#include "preview/preview_layout.h"
#include "printing/page_fit.h"

namespace ks::preview {
namespace {

constexpr double kPanelWidth = 320;
constexpr double kBarHeight = 76;
constexpr double kViewportInset = 32;
constexpr double kPanelInset = 28;

}  // namespace

PreviewScene composePreviewScene(double targetWidth, double targetHeight, double zoom, PaperDots paper,
                                 const PreviewMargins& margins, std::uint32_t pageWidth, std::uint32_t pageHeight) {
    const double w = targetWidth;
    const double h = targetHeight;
    const double panelLeft = w - kPanelWidth;
    const double barTop = h - kBarHeight;
    PreviewScene scene;
    scene.sidePanel = {panelLeft, 0, w, h};
    scene.bottomBar = {0, barTop, panelLeft, h};
    scene.viewport = {kViewportInset, kViewportInset, panelLeft - kViewportInset, barTop - kViewportInset};

    const double paperWidth = paper.width * zoom;
    const double paperHeight = paper.height * zoom;
    const double x0 = kViewportInset + (scene.viewport.width() - paperWidth) * 0.5;
    const double y0 = kViewportInset + (scene.viewport.height() - paperHeight) * 0.5;
    scene.paper = {x0, y0, x0 + paperWidth, y0 + paperHeight};
    scene.printable = {x0 + margins.left * zoom, y0 + margins.top * zoom, x0 + paperWidth - margins.right * zoom,
                       y0 + paperHeight - margins.bottom * zoom};

    const RectF& area = scene.printable;
    if (area.width() > 0 && area.height() > 0 && pageWidth > 0 && pageHeight > 0) {
        const printing::PageFit fit = printing::fitPage(area.width(), area.height(), pageWidth, pageHeight);
        const double left = area.left + fit.x;
        const double top = area.top + fit.y;
        scene.image = RectF{left, top, left + fit.width, top + fit.height};
    }

    // The panel's lines run between its control groups, wherever the layout put them.
    const std::array<int, 3> rows = panelSeparatorRows(static_cast<int>(std::lround(h)));
    const auto across = [&](int y) {
        return LineF{panelLeft + kPanelInset, static_cast<double>(y), w - kPanelInset, static_cast<double>(y)};
    };
    scene.separators = {{
        {panelLeft, 0, panelLeft, h},
        {0, barTop, panelLeft, barTop},
        across(rows[0]),
        across(rows[1]),
        across(rows[2]),
    }};
    return scene;
}

bool hasDrawablePixels(const raster::RasterPage& page) {
    if (page.width == 0 || page.height == 0 || page.width > 0x3FFF'FFFF || !page.pixels) return false;
    // Divided rather than multiplied: width × height × 4 may pass 64 bits.
    const std::uint64_t stride = std::uint64_t{page.width} * 4;
    const std::uint64_t size = page.pixels->size();
    return size % stride == 0 && size / stride == page.height;
}

}  // namespace ks::preview
