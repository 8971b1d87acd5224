#pragma once

#include <cstdint>
#include <string>

namespace ks::printing {

// What a job is printed with: the printer and paper the pages were rendered
// for, and how they are placed on it.
struct PrintTicket {
    std::string printerId;
    double paperWidthMm = 0;
    double paperHeightMm = 0;
    std::uint32_t dpiX = 0;
    std::uint32_t dpiY = 0;
    std::string capabilityHash;
    std::uint32_t copies = 1;  // 1 to 999, produced by the engine as collated copies
    // Calibration offsets in device dots at dpiX/dpiY.
    std::int32_t offsetX = 0;
    std::int32_t offsetY = 0;
    std::uint32_t orientation = 0;  // 1 = landscape, anything else portrait
    // Margins in device dots.
    std::uint32_t marginLeft = 0;
    std::uint32_t marginTop = 0;
    std::uint32_t marginRight = 0;
    std::uint32_t marginBottom = 0;
};

}  // namespace ks::printing
