#pragma once

// How large a job's pages may be, checked before anything is decoded so that
// an oversized job is refused without allocating.

#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/request.h"
#include "protocol/result.h"

namespace ks::raster {

inline constexpr std::uint64_t kBytesPerPixel = 4;
// All decoded pages of one job together.
inline constexpr std::uint64_t kMaxJobDecodedBytes = 268'435'456;
// One decoded page.
inline constexpr std::uint64_t kMaxPagePixels = 67'108'864;
// One PNG blob: at least the signature, at most a frame's largest blob.
inline constexpr std::size_t kMinPngBytes = 8;
inline constexpr std::size_t kMaxPngBytes = 33'554'432;

// True when every page has a non-zero width and height and all pages
// decoded at 4 bytes per pixel fit in kMaxJobDecodedBytes together. Sizes
// are attacker-chosen: the check divides instead of multiplying, so no size
// can overflow it.
[[nodiscard]] bool fitsDecodedBudget(std::span<const protocol::PageReference> pages) noexcept;

// The checks made on a PNG before it is handed to a decoder: its size and
// signature, a non-zero expected size and the per-page pixel limit. Fails
// with KSR-3003 and the text of the first check that does not hold.
[[nodiscard]] Result<void> checkPngInput(std::span<const std::uint8_t> png, std::uint32_t expectedWidth,
                                         std::uint32_t expectedHeight);

}  // namespace ks::raster
