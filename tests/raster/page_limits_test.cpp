#include "raster/page_limits.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace ks::raster {
namespace {

constexpr std::uint32_t kMax32 = 0xFFFF'FFFF;

std::vector<protocol::PageReference> pages(std::vector<std::pair<std::uint32_t, std::uint32_t>> sizes,
                                           std::size_t repeat = 1) {
    std::vector<protocol::PageReference> result;
    for (std::size_t i = 0; i < repeat; ++i) {
        for (const auto& [width, height] : sizes) result.push_back({width, height, "png", 0});
    }
    return result;
}

TEST(PageLimitsTest, DecodedBudget) {
    EXPECT_TRUE(fitsDecodedBudget(pages({{8192, 4096}, {8192, 4096}})));
    EXPECT_FALSE(fitsDecodedBudget(pages({{8192, 4096}, {8192, 4096}, {1, 1}})));
    EXPECT_FALSE(fitsDecodedBudget(pages({{1, 1}, {16384, 4096}})));
    EXPECT_TRUE(fitsDecodedBudget(pages({{2048, 512}}, 64)));
    EXPECT_FALSE(fitsDecodedBudget(pages({{2048, 512}}, 65)));
    EXPECT_FALSE(fitsDecodedBudget(pages({{0, 100}})));
    EXPECT_FALSE(fitsDecodedBudget(pages({{10, 10}, {100, 0}})));
    // Sizes whose products wrap in 32 or 64 bits.
    EXPECT_FALSE(fitsDecodedBudget(pages({{kMax32, kMax32}})));
    EXPECT_FALSE(fitsDecodedBudget(pages({{65536, 65536}})));
    EXPECT_FALSE(fitsDecodedBudget(pages({{kMax32, 1}})));
    EXPECT_FALSE(fitsDecodedBudget(pages({{1, 1}, {1, kMax32}})));
}

TEST(PageLimitsTest, PngInputChecks) {
    const Error invalid("KSR-3003", L"PNG 数据无效或超过限制");
    const Error tooLarge("KSR-3003", L"PNG 解压尺寸超过 256 MiB，请减少页面尺寸");
    std::vector<std::uint8_t> png(kMaxPngBytes + 1, 0);
    const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::copy(std::begin(signature), std::end(signature), png.begin());
    const std::span<const std::uint8_t> bytes(png);
    struct Case {
        std::size_t size;
        std::uint32_t width;
        std::uint32_t height;
        const Error* error;  // null when the input passes
    };
    const Case cases[] = {
        {8, 1, 1, nullptr},
        {kMaxPngBytes, 8192, 8192, nullptr},
        {8, 67'108'864, 1, nullptr},
        {7, 1, 1, &invalid},
        {kMaxPngBytes + 1, 1, 1, &invalid},
        {8, 0, 1, &invalid},
        {8, 1, 0, &invalid},
        {8, 8193, 8192, &tooLarge},
        {8, 67'108'865, 1, &tooLarge},
        {8, kMax32, kMax32, &tooLarge},
    };
    for (const auto& [size, width, height, error] : cases) {
        SCOPED_TRACE(testing::Message() << size << " bytes, " << width << " x " << height);
        const auto checked = checkPngInput(bytes.first(size), width, height);
        ASSERT_EQ(checked.hasValue(), error == nullptr);
        if (error != nullptr) {
            EXPECT_EQ(checked.error(), *error);
        }
    }
    png[7] = '\r';
    const auto badSignature = checkPngInput(bytes.first(64), 1, 1);
    ASSERT_FALSE(badSignature);
    EXPECT_EQ(badSignature.error(), invalid);
}

}  // namespace
}  // namespace ks::raster
