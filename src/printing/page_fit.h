#pragma once

#include <cstdint>

namespace ks::printing {

// A page placed in an area: its offset from the area's top-left corner and
// its size, in the area's units.
struct PageFit {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

// A page of `pageWidth` × `pageHeight` pixels scaled uniformly to the largest
// size that fits `areaWidth` × `areaHeight` and centred there, as the preview
// shows it and the printer prints it. A page of the area's own shape fills it
// exactly. Zero size when the area or the page is empty.
[[nodiscard]] PageFit fitPage(double areaWidth, double areaHeight, std::uint32_t pageWidth, std::uint32_t pageHeight);

}  // namespace ks::printing
