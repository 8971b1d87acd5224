#include "preview/preview_layout.h"

#include <gtest/gtest.h>

#include <set>

namespace ks::preview {
namespace {

using platform::LayoutRect;

struct LayoutCase {
    int dpi;
    int width;
    int height;
    int id;
    LayoutRect expected;
};

// The same 1200 × 800 DIP client area at 100 %, 125 % (with a width that
// rounds) and 150 %.
TEST(PreviewLayoutTest, PlacesControlsAtEachDpi) {
    const LayoutCase cases[] = {
        {96, 1200, 800, control::kPrinterHeading, {908, 28, 264, 24}},
        {96, 1200, 800, control::kPrinterList, {908, 62, 264, 260}},
        {96, 1200, 800, control::kCopies, {908, 382, 86, 36}},
        {96, 1200, 800, control::kCopiesSpinner, {994, 382, 24, 36}},
        {96, 1200, 800, control::kSettings, {1034, 382, 138, 36}},
        {96, 1200, 800, control::kStatus, {908, 438, 264, 222}},
        {96, 1200, 800, control::kPrint, {908, 676, 264, 48}},
        {96, 1200, 800, control::kClose, {908, 740, 264, 40}},
        {96, 1200, 800, control::kPreviousPage, {24, 744, 68, 36}},
        {96, 1200, 800, control::kPageCounter, {100, 751, 78, 24}},
        {96, 1200, 800, control::kFitToWindow, {454, 744, 96, 36}},
        // 1401 px is 1120.8 DIP, taken as 1121.
        {120, 1401, 1000, control::kPrinterHeading, {1036, 35, 330, 30}},
        {120, 1401, 1000, control::kCopiesSpinner, {1144, 478, 30, 45}},
        {120, 1401, 1000, control::kStatus, {1036, 548, 330, 278}},
        {120, 1401, 1000, control::kPrint, {1036, 845, 330, 60}},
        {120, 1401, 1000, control::kPageCounter, {125, 939, 98, 30}},
        {144, 1800, 1200, control::kPrinterHeading, {1362, 42, 396, 36}},
        {144, 1800, 1200, control::kCopiesSpinner, {1491, 573, 36, 54}},
        {144, 1800, 1200, control::kStatus, {1362, 657, 396, 333}},
        {144, 1800, 1200, control::kPrint, {1362, 1014, 396, 72}},
        {144, 1800, 1200, control::kPreviousPage, {36, 1116, 102, 54}},
        {144, 1800, 1200, control::kPageCounter, {150, 1127, 117, 36}},
        {144, 1800, 1200, control::kZoomIn, {591, 1116, 54, 54}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dpi << " DPI, control " << c.id);
        EXPECT_EQ(rectOf(layoutPreviewWindow(c.width, c.height, c.dpi), c.id), c.expected);
    }
}

TEST(PreviewLayoutTest, EveryVisibleControlIsPlacedOnce) {
    const PreviewLayout layout = layoutPreviewWindow(1200, 800, 96);
    std::set<int> ids;
    for (const PlacedControl& placed : layout) {
        EXPECT_TRUE(ids.insert(placed.id).second) << placed.id;
        EXPECT_GT(placed.rect.width, 0) << placed.id;
    }
    EXPECT_EQ(ids.count(control::kZoomLabel), 0U);  // hidden, never placed
    EXPECT_EQ(rectOf(layout, control::kZoomLabel), LayoutRect{});
}

TEST(PreviewLayoutTest, StatusBoxKeepsAMinimumHeightInAShortWindow) {
    EXPECT_EQ(rectOf(layoutPreviewWindow(1200, 600, 96), control::kStatus).height, 28);
    EXPECT_EQ(rectOf(layoutPreviewWindow(1200, 607, 96), control::kStatus).height, 29);
    EXPECT_EQ(rectOf(layoutPreviewWindow(1800, 900, 144), control::kStatus).height, 42);
}

TEST(PreviewLayoutTest, FontsAndMinimumSizeScaleWithDpi) {
    const PreviewFontHeights at120 = previewFontHeights(120);
    EXPECT_EQ(at120.base, -20);
    EXPECT_EQ(at120.small, -16);    // 16.25
    EXPECT_EQ(at120.heading, -23);  // 22.5, half away from zero
    EXPECT_EQ(at120.comboSelection, 40);
    EXPECT_EQ(minimumClientSize(144).width, 1380);
    EXPECT_EQ(minimumClientSize(144).height, 1050);
}

}  // namespace
}  // namespace ks::preview
