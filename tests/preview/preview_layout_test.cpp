#include "preview/preview_layout.h"

#include "preview/preview_geometry.h"

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
        {96, 1200, 800, control::kPageCounter, {100, 751, 96, 24}},
        {96, 1200, 800, control::kFitToWindow, {472, 744, 96, 36}},
        // 1401 px is 1120.8 DIP, taken as 1121.
        {120, 1401, 1000, control::kPrinterHeading, {1036, 35, 330, 30}},
        {120, 1401, 1000, control::kCopiesSpinner, {1144, 478, 30, 45}},
        {120, 1401, 1000, control::kStatus, {1036, 548, 330, 277}},  // edges 547.5 and 825
        {120, 1401, 1000, control::kPrint, {1036, 845, 330, 60}},
        {120, 1401, 1000, control::kPageCounter, {125, 939, 120, 30}},
        {144, 1800, 1200, control::kPrinterHeading, {1362, 42, 396, 36}},
        {144, 1800, 1200, control::kCopiesSpinner, {1491, 573, 36, 54}},
        {144, 1800, 1200, control::kStatus, {1362, 657, 396, 333}},
        {144, 1800, 1200, control::kPrint, {1362, 1014, 396, 72}},
        {144, 1800, 1200, control::kPreviousPage, {36, 1116, 102, 54}},
        {144, 1800, 1200, control::kPageCounter, {150, 1127, 144, 36}},
        {144, 1800, 1200, control::kZoomIn, {618, 1116, 54, 54}},
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

TEST(PreviewLayoutTest, StatusBoxTakesTheRestOfThePanelAndKeepsAMinimumHeight) {
    EXPECT_EQ(rectOf(layoutPreviewWindow(1200, 460, 96), control::kStatus).height, 28);
    EXPECT_EQ(rectOf(layoutPreviewWindow(1200, 473, 96), control::kStatus).height, 29);
    // Full spacing from 672 DIPs up.
    EXPECT_EQ(rectOf(layoutPreviewWindow(1800, 1008, 144), control::kStatus), (LayoutRect{1362, 657, 396, 141}));
    EXPECT_EQ(rectOf(layoutPreviewWindow(1200, 671, 96), control::kStatus), (LayoutRect{908, 308, 264, 227}));
}

TEST(PreviewLayoutTest, FontsAndMinimumSizeScaleWithDpi) {
    const PreviewFontHeights at120 = previewFontHeights(120);
    EXPECT_EQ(at120.base, -20);
    EXPECT_EQ(at120.small, -16);    // 16.25
    EXPECT_EQ(at120.heading, -23);  // 22.5, half away from zero
    EXPECT_EQ(at120.comboSelection, 40);
}

// The specified minimum of 920 × 700 DIPs where the screen has room for it,
// what the work area leaves otherwise, and never less than the layout holds at.
TEST(PreviewLayoutTest, MinimumSizeFollowsTheWorkArea) {
    struct Case {
        int dpi;
        ClientSize available;
        ClientSize expected;
    };
    const Case cases[] = {
        {96, {1904, 1000}, {920, 700}},  {144, {2544, 1500}, {1380, 1050}},
        {144, {1904, 962}, {1380, 962}},  // 1920 × 1080 at 150 %
        {96, {1010, 520}, {920, 520}},   {96, {800, 400}, {900, 480}},
        {120, {1000, 500}, {1125, 600}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dpi << " DPI, " << c.available.width << " x " << c.available.height);
        EXPECT_EQ(minimumClientSize(c.dpi, c.available), c.expected);
    }
}

TEST(PreviewLayoutTest, WindowIsShrunkAndMovedIntoTheWorkArea) {
    struct Case {
        LayoutRect window;
        LayoutRect workArea;
        LayoutRect expected;
    };
    const Case cases[] = {
        {{100, 50, 1120, 800}, {0, 0, 1920, 1040}, {100, 50, 1120, 800}},  // fits: unchanged
        {{100, 50, 1680, 1200}, {0, 0, 1920, 1032}, {100, 0, 1680, 1032}},
        {{600, 400, 1120, 800}, {0, 0, 1280, 760}, {160, 0, 1120, 760}},
        {{-50, 20, 1120, 800}, {1920, 0, 1024, 560}, {1920, 0, 1024, 560}},  // a second monitor
        {{2000, 100, 300, 200}, {1920, 40, 1024, 560}, {2000, 100, 300, 200}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fitInWorkArea(c.window, c.workArea), c.expected);
    }
}

bool overlap(const LayoutRect& a, const LayoutRect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

// The printer list as it shows while closed; the layout's rectangle holds its drop-down.
LayoutRect shown(const PlacedControl& placed, int dpi) {
    LayoutRect rect = placed.rect;
    if (placed.id == control::kPrinterList) rect.height = printerListClosedHeight(dpi);
    return rect;
}

// At the work areas of common laptop screens (1920 × 1080 at 150 %, 1024 ×
// 600), at the specified sizes and at the smallest the window can get:
// every control lies inside the client area and apart from the others and
// from the page area, and the panel's lines run between its groups.
TEST(PreviewLayoutTest, ControlsStayApartAndInsideDownToTheSmallestClientArea) {
    const ClientSize sizes[] = {{1280, 672}, {1024, 600}, {1010, 521}, {1280, 671}, {920, 700},
                                {1104, 761}, {900, 480},  {1200, 800}, {1900, 1000}};
    for (const int dpi : {96, 120, 144}) {
        for (const ClientSize dips : sizes) {
            SCOPED_TRACE(testing::Message() << dpi << " DPI, " << dips.width << " x " << dips.height << " DIP");
            const int width = platform::scaleForDpi(dips.width, dpi);
            const int height = platform::scaleForDpi(dips.height, dpi);
            const PreviewLayout layout = layoutPreviewWindow(width, height, dpi);
            const PreviewScene scene = composePreviewScene(dips.width, dips.height, 1.0, PaperDots{1, 1}, {}, 1, 1);
            ASSERT_GT(scene.viewport.width(), 0);
            ASSERT_GT(scene.viewport.height(), 0);
            const LayoutRect pageArea{platform::scaleForDpi(static_cast<int>(scene.viewport.left), dpi),
                                      platform::scaleForDpi(static_cast<int>(scene.viewport.top), dpi),
                                      platform::scaleForDpi(static_cast<int>(scene.viewport.width()), dpi),
                                      platform::scaleForDpi(static_cast<int>(scene.viewport.height()), dpi)};
            for (std::size_t i = 0; i < layout.size(); ++i) {
                const LayoutRect a = shown(layout[i], dpi);
                EXPECT_GT(a.width, 0) << layout[i].id;
                EXPECT_GE(a.height, platform::scaleForDpi(24, dpi)) << layout[i].id;
                EXPECT_TRUE(a.x >= 0 && a.y >= 0 && a.x + a.width <= width && a.y + a.height <= height) << layout[i].id;
                EXPECT_FALSE(overlap(a, pageArea)) << layout[i].id;
                for (std::size_t j = i + 1; j < layout.size(); ++j) {
                    EXPECT_FALSE(overlap(a, shown(layout[j], dpi))) << layout[i].id << " and " << layout[j].id;
                }
                // The status box is drawn over the line above the print button at full spacing.
                if (layout[i].id == control::kStatus) continue;
                for (const LineF& line : scene.separators) {
                    const int y = platform::scaleForDpi(static_cast<int>(line.y0), dpi);
                    if (line.y0 == line.y1 && line.x0 > 0) {
                        EXPECT_FALSE(a.y <= y && y < a.y + a.height) << layout[i].id << " crossed at " << line.y0;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace ks::preview
