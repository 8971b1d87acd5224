#pragma once

#include <cstdint>
#include <memory>

#include "protocol/frame.h"
#include "protocol/result.h"
#include "raster/raster_page.h"

namespace ks::raster {

// Decodes a PNG with the Windows Imaging Component into a page of exactly
// expectedWidth × expectedHeight opaque BGRA pixels (premultiplied through
// 32bppPBGRA, then flattened onto white), and digests the PNG bytes. The page
// keeps `png` itself as its PNG bytes. Joins the multithreaded COM apartment
// for the call (a thread in another apartment is accepted) and leaves it
// again. May be called on any thread.
//
// Fails with KSR-3004 when the image's size differs from the expected one,
// and with KSR-3003 for data that is not a PNG within the limits, a page
// beyond the per-page pixel limit, any WIC failure and lack of memory, each
// with its own text.
[[nodiscard]] Result<RasterPage> decodePng(std::shared_ptr<const protocol::ByteBuffer> png,
                                           std::uint32_t expectedWidth, std::uint32_t expectedHeight);

}  // namespace ks::raster
