#include "raster/pixel_flatten.h"

#include <algorithm>
#include <cstddef>

namespace ks::raster {

void flattenOntoWhite(std::span<std::uint8_t> pixels) noexcept {
    // Runs over every decoded page, up to 256 MiB: a branch-free body over
    // plain indices lets the compiler vectorise it. The min only matters for
    // colour values above their alpha, which premultiplied data never has
    // but a converter's rounding must not be able to wrap.
    const std::size_t end = pixels.size() - pixels.size() % 4;
    std::uint8_t* const p = pixels.data();
    for (std::size_t i = 0; i < end; i += 4) {
        const unsigned inverse = 255u - p[i + 3];
        p[i] = static_cast<std::uint8_t>(std::min(p[i] + inverse, 255u));
        p[i + 1] = static_cast<std::uint8_t>(std::min(p[i + 1] + inverse, 255u));
        p[i + 2] = static_cast<std::uint8_t>(std::min(p[i + 2] + inverse, 255u));
        p[i + 3] = 255;
    }
}

}  // namespace ks::raster
