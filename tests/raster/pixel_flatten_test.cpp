#include "raster/pixel_flatten.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace ks::raster {
namespace {

TEST(PixelFlattenTest, KnownPixels) {
    // B, G, R, A before and after.
    std::vector<std::uint8_t> pixels{0, 0, 0, 128, 0, 0, 0, 0, 10, 20, 30, 255, 200, 100, 0, 100};
    flattenOntoWhite(pixels);
    EXPECT_EQ(pixels, (std::vector<std::uint8_t>{127, 127, 127, 255, 255, 255, 255, 255, 10, 20, 30, 255,
                                                 // colour above alpha is not premultiplied data: clamps
                                                 255, 255, 155, 255}));
}

// Every colour value under every alpha, through the blocked body and the
// pixel-by-pixel remainder alike; a trailing partial pixel is not touched.
TEST(PixelFlattenTest, EveryValueUnderEveryAlphaMatchesTheFormula) {
    std::vector<std::uint8_t> buffer;
    for (unsigned value = 0; value < 256; ++value) {
        for (unsigned alpha = 0; alpha < 256; ++alpha) {
            buffer.insert(buffer.end(), {std::uint8_t(value), std::uint8_t(255 - value), std::uint8_t(value * 7),
                                         std::uint8_t(alpha)});
        }
    }
    buffer.insert(buffer.end(), {5, 0, 0, 0, 1, 2, 3});  // one more pixel, then a partial one
    const std::vector<std::uint8_t> input = buffer;
    flattenOntoWhite(buffer);
    const std::size_t end = input.size() / 4 * 4;
    for (std::size_t i = 0; i < end; ++i) {
        const unsigned expected = i % 4 == 3 ? 255 : std::min(input[i] + 255u - input[i | 3], 255u);
        ASSERT_EQ(buffer[i], expected) << "byte " << i;
    }
    EXPECT_TRUE(std::equal(buffer.begin() + end, buffer.end(), input.begin() + end));
}

}  // namespace
}  // namespace ks::raster
