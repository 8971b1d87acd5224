#include "platform/dpi_scale.h"

#include <gtest/gtest.h>

namespace ks::platform {
namespace {

TEST(DpiScaleTest, MulDivRoundsHalvesAwayFromZero) {
    EXPECT_EQ(mulDiv(7, 3, 2), 11);
    EXPECT_EQ(mulDiv(-7, 3, 2), -11);
    EXPECT_EQ(mulDiv(61, 120, 96), 76);  // 76.25
    EXPECT_EQ(mulDiv(3, 144, 96), 5);    // 4.5
    EXPECT_EQ(mulDiv(5, 1, 0), -1);
    EXPECT_EQ(mulDiv(2'000'000'000, 2, 1), -1);  // beyond int
    EXPECT_EQ(scaleForDpi(292, 144), 438);
}

}  // namespace
}  // namespace ks::platform
