#include "printing/mm_to_dots.h"

#include <cmath>
#include <stdexcept>

namespace ks::printing {

std::int32_t mmToDots(double mm, std::uint32_t dpi) {
    if (!std::isfinite(mm) || mm < 0.0 || dpi == 0) {
        throw std::invalid_argument("millimeters and dpi must describe a finite positive scale");
    }
    const double dots = static_cast<double>(dpi) * mm / 25.4;
    if (dots > 2147483647.0) throw std::overflow_error("device dot count exceeds int32 range");
    return static_cast<std::int32_t>(std::round(dots));
}

}  // namespace ks::printing
