#include "raster/pixel_flatten.h"

#include <bit>
#include <cstddef>
#include <cstring>

namespace ks::raster {
namespace {

static_assert(std::endian::native == std::endian::little, "pixels are read as B | G << 8 | R << 16 | A << 24");

// One pixel: adding 255 − A to each of its four bytes with saturation gives
// min(value + 255 − A, 255) for B, G and R, and exactly 255 for A. The
// per-byte saturating add is done on the whole 32-bit word: the low seven
// bits of each byte are added without carries crossing bytes, the top bit
// is put back by xor, and the bytes that carried out are set to 255.
constexpr std::uint32_t flattened(std::uint32_t pixel) noexcept {
    constexpr std::uint32_t kLow7 = 0x7F7F'7F7Fu;
    constexpr std::uint32_t kTop = 0x8080'8080u;
    const std::uint32_t addend = (255u - (pixel >> 24)) * 0x0101'0101u;
    const std::uint32_t sum = ((pixel & kLow7) + (addend & kLow7)) ^ ((pixel ^ addend) & kTop);
    const std::uint32_t carried = ((pixel & addend) | ((pixel | addend) & ~sum)) & kTop;
    return sum | (carried >> 7) * 0xFFu;
}

void flattenPixels(std::uint8_t* bytes, std::size_t count) noexcept {
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t pixel;
        std::memcpy(&pixel, bytes + 4 * i, 4);
        pixel = flattened(pixel);
        std::memcpy(bytes + 4 * i, &pixel, 4);
    }
}

}  // namespace

void flattenOntoWhite(std::span<std::uint8_t> pixels) noexcept {
    // Blocks of a fixed pixel count: a loop whose trip count is a constant is
    // one the compiler vectorises at -O2, which makes flattening a page
    // several times faster. The remainder goes pixel by pixel.
    constexpr std::size_t kBlockPixels = 16;
    std::uint8_t* bytes = pixels.data();
    std::size_t count = pixels.size() / 4;
    for (; count >= kBlockPixels; count -= kBlockPixels, bytes += 4 * kBlockPixels) {
        flattenPixels(bytes, kBlockPixels);
    }
    flattenPixels(bytes, count);
}

}  // namespace ks::raster
