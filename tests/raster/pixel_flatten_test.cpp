#include "raster/pixel_flatten.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ks::raster {
namespace {

using Pixel = std::array<std::uint8_t, 4>;  // B, G, R, A

struct Case {
    const char* label;
    Pixel premultiplied;
    Pixel flattened;
};

constexpr std::array<Case, 6> kCases{{
    {"HalfTransparentBlack", {0, 0, 0, 128}, {127, 127, 127, 255}},
    {"FullyTransparent", {0, 0, 0, 0}, {255, 255, 255, 255}},
    {"Opaque", {10, 20, 30, 255}, {10, 20, 30, 255}},
    {"HalfTransparentColour", {0x40, 0x20, 0x10, 0x80}, {0xBF, 0x9F, 0x8F, 255}},
    {"AlmostOpaque", {0, 128, 254, 254}, {1, 129, 255, 255}},
    // Not valid premultiplied data (colour above alpha): clamps, never wraps.
    {"ColourAboveAlpha", {200, 100, 0, 100}, {255, 255, 155, 255}},
}};

TEST(PixelFlattenTest, EachPixelBlendsOntoWhite) {
    for (const auto& [label, premultiplied, flattened] : kCases) {
        SCOPED_TRACE(label);
        Pixel pixel = premultiplied;
        flattenOntoWhite(pixel);
        EXPECT_EQ(pixel, flattened);
    }
}

// Every colour value under every alpha, through the blocked body and the
// pixel-by-pixel remainder alike, against the formula; a trailing partial
// pixel is not touched.
TEST(PixelFlattenTest, EveryValueUnderEveryAlphaMatchesTheFormula) {
    std::vector<std::uint8_t> buffer;
    for (unsigned value = 0; value < 256; ++value) {
        for (unsigned alpha = 0; alpha < 256; ++alpha) {
            buffer.insert(buffer.end(), {std::uint8_t(value), std::uint8_t(255 - value),
                                         std::uint8_t(value * 7), std::uint8_t(alpha)});
        }
    }
    buffer.insert(buffer.end(), {5, 0, 0, 0, 1, 2, 3});  // one more pixel, then a partial one
    const std::vector<std::uint8_t> input = buffer;
    flattenOntoWhite(buffer);
    const std::size_t pixels = input.size() / 4;
    for (std::size_t i = 0; i < 4 * pixels; i += 4) {
        const unsigned inverse = 255 - input[i + 3];
        const Pixel expected{std::uint8_t(std::min(input[i] + inverse, 255u)),
                             std::uint8_t(std::min(input[i + 1] + inverse, 255u)),
                             std::uint8_t(std::min(input[i + 2] + inverse, 255u)), 255};
        ASSERT_EQ((Pixel{buffer[i], buffer[i + 1], buffer[i + 2], buffer[i + 3]}), expected) << "pixel " << i / 4;
    }
    EXPECT_TRUE(std::equal(buffer.begin() + 4 * pixels, buffer.end(), input.begin() + 4 * pixels));
}

}  // namespace
}  // namespace ks::raster
