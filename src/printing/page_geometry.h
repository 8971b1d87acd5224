#pragma once

#include <cstdint>

#include "printing/gdi_print_api.h"

namespace ks::printing {

// What a document learned about the device page when it began.
struct DevicePage {
    // The printable area's corner on the paper, in dots.
    std::int32_t physicalOffsetX = 0;
    std::int32_t physicalOffsetY = 0;
    // Set (≥ 1) only when the paper is not the requested one: pages are then
    // kept inside the printable area and reduced to fit it.
    std::int32_t printableWidth = 0;
    std::int32_t printableHeight = 0;
    double scale = 1.0;
};

// A rectangle in device-context coordinates (origin at the printable corner).
struct DeviceRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Where a page lands on the device context. On the requested paper, paper
// coordinates become DC coordinates by the printable corner's offset, so a
// page lands on the paper exactly where it was rendered. On a substituted
// paper the page starts inside the printable area and is reduced so that it
// does not run past it.
[[nodiscard]] DeviceRect targetRect(const DevicePage& page, const PagePlacement& placement);

}  // namespace ks::printing
