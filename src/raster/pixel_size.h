#pragma once

#include <cstdint>

namespace ks::raster {

// A size in pixels: of a page, or of an image made from one.
struct PixelSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;

    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

}  // namespace ks::raster
