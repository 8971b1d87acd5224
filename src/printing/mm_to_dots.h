#pragma once

#include <cstdint>

namespace ks::printing {

// Millimetres to device dots: round(mm × dpi / 25.4), halves away from zero.
// Throws std::invalid_argument when `mm` is not finite or negative or `dpi`
// is 0, and std::overflow_error when the dot count passes the signed 32-bit
// range; callers on the print path turn both into errors.
[[nodiscard]] std::int32_t mmToDots(double mm, std::uint32_t dpi);

}  // namespace ks::printing
