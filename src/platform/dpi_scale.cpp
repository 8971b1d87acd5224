#include "platform/dpi_scale.h"

#include <cstdint>
#include <cstdlib>
#include <limits>

namespace ks::platform {

int mulDiv(int value, int numerator, int denominator) {
    if (denominator == 0) return -1;
    const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
    const std::int64_t magnitude = (std::llabs(product) + std::llabs(denominator) / 2) / std::llabs(denominator);
    const bool negative = (product < 0) != (denominator < 0);
    const std::int64_t result = negative ? -magnitude : magnitude;
    if (result > std::numeric_limits<int>::max() || result < std::numeric_limits<int>::min()) return -1;
    return static_cast<int>(result);
}

}  // namespace ks::platform
