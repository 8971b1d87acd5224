#include "raster/pixel_flatten.h"

#include <gtest/gtest.h>

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

// A long mixed buffer takes the vectorised body and its remainder: every
// pixel must come out as it does alone, and a trailing partial pixel is not
// touched.
TEST(PixelFlattenTest, LongBufferMatchesPixelByPixelAndSparesPartialTail) {
    constexpr std::size_t kRepeats = 37;
    std::vector<std::uint8_t> buffer;
    for (std::size_t i = 0; i < kRepeats; ++i) {
        for (const auto& pixel : kCases) buffer.insert(buffer.end(), pixel.premultiplied.begin(), pixel.premultiplied.end());
    }
    buffer.insert(buffer.end(), {0, 0, 0});
    flattenOntoWhite(buffer);
    for (std::size_t i = 0; i < kRepeats * kCases.size(); ++i) {
        const Pixel& expected = kCases[i % kCases.size()].flattened;
        ASSERT_EQ((Pixel{buffer[4 * i], buffer[4 * i + 1], buffer[4 * i + 2], buffer[4 * i + 3]}), expected)
            << "pixel " << i;
    }
    EXPECT_EQ(buffer[buffer.size() - 3], 0);
    EXPECT_EQ(buffer[buffer.size() - 2], 0);
    EXPECT_EQ(buffer[buffer.size() - 1], 0);
}

}  // namespace
}  // namespace ks::raster
