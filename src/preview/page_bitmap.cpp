#include "preview/page_bitmap.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace ks::preview {
namespace {

// One side scaled by `scale`, kept within 1 and `limit`.
std::uint32_t scaledSide(std::uint32_t side, double scale, std::uint32_t limit) {
    const double scaled = std::round(static_cast<double>(side) * scale);
    return static_cast<std::uint32_t>(std::clamp(scaled, 1.0, static_cast<double>(std::max(limit, 1U))));
}

// The first source index of target index `index` when `target` indexes
// share `source` ones.
std::uint64_t blockStart(std::uint64_t index, std::uint64_t source, std::uint64_t target) {
    return index * source / target;
}

}  // namespace

PixelSize pageBitmapSize(PixelSize page, PixelSize shown, std::uint32_t maxSide) {
    const std::uint32_t widthLimit = std::min(shown.width, maxSide);
    const std::uint32_t heightLimit = std::min(shown.height, maxSide);
    if (page.width <= widthLimit && page.height <= heightLimit) return page;
    const double scale =
        std::min(static_cast<double>(widthLimit) / page.width, static_cast<double>(heightLimit) / page.height);
    // Rounding keeps the aspect closest; the limits hold each side to its
    // bound when the rounding would pass it.
    return {scaledSide(page.width, scale, std::min(widthLimit, page.width)),
            scaledSide(page.height, scale, std::min(heightLimit, page.height))};
}

protocol::ByteBuffer shrinkPixels(std::span<const std::uint8_t> pixels, PixelSize from, PixelSize to) {
    protocol::ByteBuffer shrunk(std::size_t{to.width} * to.height * 4);
    // The sums of one target row, four channels per target pixel; 64 bits
    // because one block may hold the whole page.
    std::vector<std::uint64_t> sums(std::size_t{to.width} * 4);
    std::vector<std::uint32_t> columnStarts(to.width + 1);
    for (std::uint32_t x = 0; x <= to.width; ++x) {
        columnStarts[x] = static_cast<std::uint32_t>(blockStart(x, from.width, to.width));
    }
    const std::size_t sourceStride = std::size_t{from.width} * 4;
    for (std::uint32_t y = 0; y < to.height; ++y) {
        const auto top = static_cast<std::uint32_t>(blockStart(y, from.height, to.height));
        const auto bottom = static_cast<std::uint32_t>(blockStart(y + 1, from.height, to.height));
        std::fill(sums.begin(), sums.end(), 0);
        for (std::uint32_t row = top; row < bottom; ++row) {
            const std::uint8_t* source = pixels.data() + row * sourceStride;
            for (std::uint32_t x = 0; x < to.width; ++x) {
                std::uint64_t* sum = &sums[std::size_t{x} * 4];
                for (std::uint32_t column = columnStarts[x]; column < columnStarts[x + 1]; ++column) {
                    const std::uint8_t* pixel = source + std::size_t{column} * 4;
                    sum[0] += pixel[0];
                    sum[1] += pixel[1];
                    sum[2] += pixel[2];
                    sum[3] += pixel[3];
                }
            }
        }
        std::uint8_t* target = shrunk.data() + std::size_t{y} * to.width * 4;
        for (std::uint32_t x = 0; x < to.width; ++x) {
            const std::uint64_t count = std::uint64_t{bottom - top} * (columnStarts[x + 1] - columnStarts[x]);
            for (std::size_t channel = 0; channel < 4; ++channel) {
                target[std::size_t{x} * 4 + channel] =
                    static_cast<std::uint8_t>((sums[std::size_t{x} * 4 + channel] + count / 2) / count);
            }
        }
    }
    return shrunk;
}

}  // namespace ks::preview
