#include "printing/page_geometry.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace ks::printing {
namespace {

std::int32_t saturated(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// One axis: the clamped origin in DC coordinates.
std::int32_t origin(std::int32_t position, std::int32_t printableExtent, std::int32_t physicalOffset) {
    std::int64_t value = position;
    if (printableExtent >= 1) value = std::clamp<std::int64_t>(value, 0, printableExtent - 1);
    return saturated(value - physicalOffset);
}

}  // namespace

DeviceRect targetRect(const DevicePage& page, const PagePlacement& placement) {
    DeviceRect rect;
    rect.x = origin(placement.x, page.printableWidth, page.physicalOffsetX);
    rect.y = origin(placement.y, page.printableHeight, page.physicalOffsetY);
    double scale = page.scale;
    if (page.printableWidth >= 1) {
        scale = std::min(scale, static_cast<double>(page.printableWidth - rect.x) / placement.width);
    }
    if (page.printableHeight >= 1) {
        scale = std::min(scale, static_cast<double>(page.printableHeight - rect.y) / placement.height);
    }
    // Truncation keeps a reduced page inside the area; the product is at most
    // the placement size, which the caller keeps below 2^31.
    rect.width = static_cast<std::int32_t>(placement.width * scale);
    rect.height = static_cast<std::int32_t>(placement.height * scale);
    return rect;
}

}  // namespace ks::printing
