#include "raster/page_limits.h"

#include <algorithm>
#include <array>

#include "protocol/error_catalog.h"

namespace ks::raster {

bool fitsDecodedBudget(std::span<const protocol::PageReference> pages) noexcept {
    std::uint64_t used = 0;
    for (const auto& page : pages) {
        if (page.widthDots == 0 || page.heightDots == 0) return false;
        // used never exceeds the budget, so the subtraction cannot wrap.
        const std::uint64_t pixelsLeft = (kMaxJobDecodedBytes - used) / kBytesPerPixel;
        if (page.widthDots > pixelsLeft / page.heightDots) return false;
        used += std::uint64_t{page.widthDots} * page.heightDots * kBytesPerPixel;
    }
    return true;
}

Result<void> checkPngInput(std::span<const std::uint8_t> png, std::uint32_t expectedWidth,
                           std::uint32_t expectedHeight) {
    static constexpr std::array<std::uint8_t, kMinPngBytes> kSignature{0x89, 0x50, 0x4E, 0x47,
                                                                       0x0D, 0x0A, 0x1A, 0x0A};
    using protocol::codes::kOutOfMemory;
    if (png.size() < kMinPngBytes || png.size() > kMaxPngBytes ||
        !std::ranges::equal(png.first(kMinPngBytes), kSignature) || expectedWidth == 0 || expectedHeight == 0) {
        return Error(kOutOfMemory, protocol::messages::kPngInvalidOrTooLarge);
    }
    if (expectedWidth > kMaxPagePixels / expectedHeight) {
        return Error(kOutOfMemory, protocol::messages::kPngDecodedTooLarge);
    }
    return {};
}

}  // namespace ks::raster
