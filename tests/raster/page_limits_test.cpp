#include "raster/page_limits.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/error_catalog.h"

namespace ks::raster {
namespace {

using protocol::PageReference;

constexpr std::uint32_t kMax32 = 0xFFFF'FFFF;

std::vector<PageReference> pagesOf(std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> sizes,
                                   std::size_t repeat = 1) {
    std::vector<PageReference> pages;
    for (std::size_t i = 0; i < repeat; ++i) {
        for (const auto& [width, height] : sizes) pages.push_back({width, height, "png", 0});
    }
    return pages;
}

TEST(PageLimitsTest, DecodedBudget) {
    struct Case {
        const char* label;
        std::vector<PageReference> pages;
        bool fits;
    };
    const std::vector<Case> cases{
        {"TwoHalfBudgetPagesFitExactly", pagesOf({{8192, 4096}, {8192, 4096}}), true},
        {"ThirdPixelPastAFullBudget", pagesOf({{8192, 4096}, {8192, 4096}, {1, 1}}), false},
        {"OnePageOfTheWholeBudget", pagesOf({{16384, 4096}}), true},
        {"OnePixelPastTheWholeBudget", pagesOf({{1, 1}, {16384, 4096}}), false},
        {"ManySmallPagesUpToTheBudget", pagesOf({{2048, 512}}, 64), true},
        {"OneSmallPageTooMany", pagesOf({{2048, 512}}, 65), false},
        {"ZeroWidth", pagesOf({{0, 100}}), false},
        {"ZeroHeight", pagesOf({{100, 0}}), false},
        {"ZeroWidthAfterValidPages", pagesOf({{10, 10}, {0, 1}}), false},
        // Products that wrap in 32 bits (2^32 → 0) or in a careless 64-bit
        // sum must still be refused.
        {"HostileSquare", pagesOf({{kMax32, kMax32}}), false},
        {"WrapsTo32BitZero", pagesOf({{65536, 65536}}), false},
        {"HostileWidth", pagesOf({{kMax32, 1}}), false},
        {"HostileHeight", pagesOf({{1, kMax32}}), false},
        {"NoPages", {}, true},
    };
    for (const auto& [label, pages, fits] : cases) {
        SCOPED_TRACE(label);
        EXPECT_EQ(fitsDecodedBudget(pages), fits);
    }
}

std::vector<std::uint8_t> pngLike(std::size_t size) {
    std::vector<std::uint8_t> bytes(size, 0);
    const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::copy(signature, signature + std::min(size, sizeof signature), bytes.begin());
    return bytes;
}

TEST(PageLimitsTest, PngInputChecks) {
    const Error invalid("KSR-3003", L"PNG 数据无效或超过限制");
    const Error tooLarge("KSR-3003", L"PNG 解压尺寸超过 256 MiB，请减少页面尺寸");
    const auto smallest = pngLike(kMinPngBytes);
    const auto largest = pngLike(kMaxPngBytes);
    const auto oversized = pngLike(kMaxPngBytes + 1);
    auto badSignature = pngLike(64);
    badSignature[7] = '\r';
    struct Case {
        const char* label;
        const std::vector<std::uint8_t>* png;
        std::size_t size;  // of png's first bytes
        std::uint32_t width;
        std::uint32_t height;
        const Error* error;  // null when the input passes
    };
    const std::vector<Case> cases{
        {"SignatureOnly", &smallest, kMinPngBytes, 1, 1, nullptr},
        {"LargestBlob", &largest, kMaxPngBytes, 1, 1, nullptr},
        {"SevenBytes", &smallest, 7, 1, 1, &invalid},
        {"Empty", &smallest, 0, 1, 1, &invalid},
        {"BlobPastTheLimit", &oversized, kMaxPngBytes + 1, 1, 1, &invalid},
        {"WrongSignature", &badSignature, 64, 1, 1, &invalid},
        {"ZeroWidth", &smallest, kMinPngBytes, 0, 1, &invalid},
        {"ZeroHeight", &smallest, kMinPngBytes, 1, 0, &invalid},
        {"PageOfTheLimit", &smallest, kMinPngBytes, 8192, 8192, nullptr},
        {"OneRowWideAsTheLimit", &smallest, kMinPngBytes, 67'108'864, 1, nullptr},
        {"OneColumnPastTheLimit", &smallest, kMinPngBytes, 8193, 8192, &tooLarge},
        {"OnePixelPastTheLimit", &smallest, kMinPngBytes, 67'108'865, 1, &tooLarge},
        {"HostileSize", &smallest, kMinPngBytes, kMax32, kMax32, &tooLarge},
    };
    for (const auto& [label, png, size, width, height, error] : cases) {
        SCOPED_TRACE(label);
        const auto checked = checkPngInput(std::span(*png).first(size), width, height);
        if (error == nullptr) {
            EXPECT_TRUE(checked);
        } else {
            ASSERT_FALSE(checked);
            EXPECT_EQ(checked.error(), *error);
        }
    }
}

}  // namespace
}  // namespace ks::raster
