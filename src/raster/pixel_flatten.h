#pragma once

#include <cstdint>
#include <span>

namespace ks::raster {

// Makes premultiplied 32-bit BGRA pixels opaque on a white background, in
// place: B, G and R each become min(value + 255 − A, 255) and A becomes 255.
// A fully transparent pixel turns white. `pixels` holds whole pixels (a
// trailing partial pixel is left alone).
void flattenOntoWhite(std::span<std::uint8_t> pixels) noexcept;

}  // namespace ks::raster
