#pragma once

#include <cstdint>
#include <span>

#include "protocol/frame.h"
#include "raster/pixel_size.h"

namespace ks::preview {

using raster::PixelSize;

// The size of the bitmap made from a page of `page` pixels for a frame that
// shows it at `shown` device pixels, on a device whose bitmaps may be at most
// `maxSide` pixels along each side. The page's own size when it fits both;
// otherwise scaled down, aspect kept, until it fits the smaller of the two.
// Never larger than the page, at least 1 × 1. A page the device could take
// whole is still shrunk to what is shown: more pixels would only cost memory.
[[nodiscard]] PixelSize pageBitmapSize(PixelSize page, PixelSize shown, std::uint32_t maxSide);

// `pixels`, BGRA rows of `from` top-down with no padding, shrunk to `to`
// (no larger than `from` along either side) by averaging the block of source
// pixels each target pixel covers. Throws std::bad_alloc when memory is short.
[[nodiscard]] protocol::ByteBuffer shrinkPixels(std::span<const std::uint8_t> pixels, PixelSize from, PixelSize to);

}  // namespace ks::preview
