#pragma once

// The parts of kestrune-cli's print, status and cancel commands that need no
// pipe: reading a PNG's pixel size, paper sizes, and job answers as text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/json_reader.h"
#include "raster/pixel_size.h"

namespace ks::cli {

using raster::PixelSize;

// The width and height in a PNG's header, or nullopt when `bytes` do not
// start with a PNG signature and its IHDR chunk.
std::optional<PixelSize> pngPixelSize(std::string_view bytes);

struct PaperMm {
    double width = 0;
    double height = 0;
    friend bool operator==(const PaperMm&, const PaperMm&) = default;
};

// "<width>x<height>" in millimetres ("×" and "*" also separate), or one of
// the names A4, A5, A6, Letter and 4x6in in any case; nullopt otherwise.
std::optional<PaperMm> parsePaper(std::wstring_view text);

// Dots for `mm` at `dpi`, rounded as the service rounds them.
std::int64_t dotsFor(double mm, std::uint32_t dpi);

// A job status answer as readable lines: id, state, spooler job id, warning
// and error.
std::string describeJobStatus(const protocol::JsonObject& result);

}  // namespace ks::cli
