#include "preview/page_bitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace ks::preview {
namespace {

TEST(PageBitmapTest, SizeFitsWhatIsShownAndWhatTheDeviceTakes) {
    struct Case {
        const char* name;
        PixelSize page;
        PixelSize shown;
        std::uint32_t maxSide;
        PixelSize expected;
    };
    const Case cases[] = {
        {"fits both: the page itself", {100, 200}, {500, 500}, 16384, {100, 200}},
        {"shown smaller: shrunk to it", {4961, 7016}, {600, 849}, 16384, {600, 849}},
        {"shown at 800%, wider than the device", {20000, 100}, {160000, 800}, 16384, {16384, 82}},
        {"one past the device", {16385, 2}, {16385, 2}, 16384, {16384, 2}},
        {"exactly the device", {16384, 16384}, {20000, 20000}, 16384, {16384, 16384}},
        {"height binds", {1000, 3000}, {900, 300}, 8192, {100, 300}},
        {"minimised window", {100, 100}, {0, 0}, 16384, {1, 1}},
        {"a sliver keeps one pixel", {1, 67108864}, {10, 1000}, 8192, {1, 1000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PixelSize size = pageBitmapSize(c.page, c.shown, c.maxSide);
        EXPECT_EQ(size, c.expected);
        // What must hold whatever the numbers.
        const std::uint32_t widthLimit = std::max(std::min({c.shown.width, c.maxSide, c.page.width}), 1U);
        const std::uint32_t heightLimit = std::max(std::min({c.shown.height, c.maxSide, c.page.height}), 1U);
        EXPECT_GE(size.width, 1U);
        EXPECT_GE(size.height, 1U);
        EXPECT_LE(size.width, widthLimit);
        EXPECT_LE(size.height, heightLimit);
        const bool clamped = size.width == 1 || size.height == 1;
        if (!clamped) {
            // Each side is the page's side times one scale, rounded.
            const double skew = std::abs(static_cast<double>(size.width) * c.page.height -
                                         static_cast<double>(size.height) * c.page.width);
            EXPECT_LE(skew, (static_cast<double>(c.page.width) + c.page.height) / 2);
        }
    }
}

std::vector<std::uint8_t> bytes(std::initializer_list<std::uint8_t> values) { return values; }

TEST(PageBitmapTest, ShrinkingAveragesTheBlockEachPixelCovers) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> pixels;
        PixelSize from;
        PixelSize to;
        std::vector<std::uint8_t> expected;
    };
    const Case cases[] = {
        {"halved along both sides",
         bytes({0,  0,  0,  255, 100, 100, 100, 255, 200, 200, 200, 255, 0,  0,  0,  255,
                10, 20, 30, 255, 30,  20,  10,  255, 50,  60,  70,  255, 70, 60, 50, 255}),
         {4, 2},
         {2, 1},
         bytes({35, 35, 35, 255, 80, 80, 80, 255})},
        {"three columns into two: blocks of one and two",
         bytes({90, 0, 0, 255, 10, 0, 0, 255, 21, 0, 0, 255}),
         {3, 1},
         {2, 1},
         bytes({90, 0, 0, 255, 16, 0, 0, 255})},
        {"the same size is a copy", bytes({1, 2, 3, 4, 5, 6, 7, 8}), {1, 2}, {1, 2}, bytes({1, 2, 3, 4, 5, 6, 7, 8})},
        {"a whole page into one pixel, rounded",
         bytes({0, 255, 1, 255, 1, 255, 1, 255, 1, 0, 1, 255}),
         {3, 1},
         {1, 1},
         bytes({1, 170, 1, 255})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const protocol::ByteBuffer shrunk = shrinkPixels(c.pixels, c.from, c.to);
        EXPECT_EQ(std::vector<std::uint8_t>(shrunk.data(), shrunk.data() + shrunk.size()), c.expected);
    }
}

}  // namespace
}  // namespace ks::preview
