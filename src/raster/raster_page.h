#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "protocol/frame.h"

namespace ks::raster {

// One decoded page. Both buffers are immutable once the page exists and are
// shared, never copied, between the prepared job, the preview and the print
// engine.
struct RasterPage {
    std::uint32_t width = 0;   // pixels
    std::uint32_t height = 0;  // pixels
    // The PNG bytes as the client sent them (the frame's own blob).
    std::shared_ptr<const protocol::ByteBuffer> png;
    // width × height × 4 bytes, rows top-down, stride width × 4, BGRA and
    // opaque: transparency has been flattened onto white.
    std::shared_ptr<const protocol::ByteBuffer> pixels;
    std::string sha256;  // 64 lower-case hex characters of the PNG bytes
};

using RasterPageList = std::shared_ptr<const std::vector<RasterPage>>;

}  // namespace ks::raster
