#include "printing/page_fit.h"

#include <algorithm>

namespace ks::printing {

PageFit fitPage(double areaWidth, double areaHeight, std::uint32_t pageWidth, std::uint32_t pageHeight) {
    if (!(areaWidth > 0) || !(areaHeight > 0) || pageWidth == 0 || pageHeight == 0) return {};
    const double scale = std::min(areaWidth / pageWidth, areaHeight / pageHeight);
    PageFit fit;
    fit.width = pageWidth * scale;
    fit.height = pageHeight * scale;
    fit.x = (areaWidth - fit.width) * 0.5;
    fit.y = (areaHeight - fit.height) * 0.5;
    return fit;
}

}  // namespace ks::printing
