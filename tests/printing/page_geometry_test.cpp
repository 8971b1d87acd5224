#include "printing/page_geometry.h"

#include <gtest/gtest.h>

namespace ks::printing {
namespace {

PagePlacement placement(std::int32_t x, std::int32_t y, std::uint32_t width, std::uint32_t height) {
    PagePlacement result;
    result.x = x;
    result.y = y;
    result.width = width;
    result.height = height;
    return result;
}

struct GeometryCase {
    const char* name;
    DevicePage page;
    PagePlacement placement;
    DeviceRect expected;
};

class PageGeometryTest : public testing::TestWithParam<GeometryCase> {};

TEST_P(PageGeometryTest, PlacesThePage) {
    const DeviceRect rect = targetRect(GetParam().page, GetParam().placement);
    const DeviceRect& expected = GetParam().expected;
    EXPECT_EQ(rect.x, expected.x);
    EXPECT_EQ(rect.y, expected.y);
    EXPECT_EQ(rect.width, expected.width);
    EXPECT_EQ(rect.height, expected.height);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PageGeometryTest,
    testing::Values(
        // The requested paper: one dot per dot, moved by the printable corner
        // so that it lands where it was rendered.
        GeometryCase{"Exact", {0, 0, 0, 0, 1.0}, placement(0, 0, 800, 1200), {0, 0, 800, 1200}},
        GeometryCase{"ExactWithOffset", {50, 60, 0, 0, 1.0}, placement(10, 20, 800, 1200), {-40, -40, 800, 1200}},
        GeometryCase{"ExtremeOffset", {-2, 0, 0, 0, 1.0}, placement(INT32_MAX, 0, 1, 1), {INT32_MAX, 0, 1, 1}},
        // A larger substituted paper: kept at full size.
        GeometryCase{"Larger", {0, 0, 2400, 3400, 1.0}, placement(0, 0, 1200, 1800), {0, 0, 1200, 1800}},
        // A smaller one: reduced by the paper's scale...
        GeometryCase{"Smaller", {0, 0, 600, 1000, 0.5}, placement(0, 0, 1200, 1800), {0, 0, 600, 900}},
        // ...and further so that a margin does not push it past the area.
        GeometryCase{"SmallerWithMargin", {0, 0, 600, 1000, 0.5}, placement(300, 0, 1200, 1800), {300, 0, 300, 450}},
        // Origins are clamped into the area, negative ones to its corner.
        GeometryCase{"Clamped", {0, 0, 600, 1000, 1.0}, placement(-50, 5000, 1, 1), {0, 999, 1, 1}}),
    [](const testing::TestParamInfo<GeometryCase>& test) { return test.param.name; });

}  // namespace
}  // namespace ks::printing
