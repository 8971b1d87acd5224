#include "preview/preview_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>

#include "preview/preview_zoom.h"

namespace ks::preview {
namespace {

PreviewView paperView(double widthMm, double heightMm, std::uint32_t dpiX, std::uint32_t dpiY) {
    PreviewView view;
    view.paperWidthMm = widthMm;
    view.paperHeightMm = heightMm;
    view.dpiX = dpiX;
    view.dpiY = dpiY;
    return view;
}

TEST(PreviewZoomTest, PaperDotsRoundAtEachAxisOwnResolution) {
    const PaperDots a4 = paperDots(paperView(210, 297, 600, 300));
    EXPECT_EQ(a4.width, 4961);   // 4960.6
    EXPECT_EQ(a4.height, 3508);  // 3507.9
    EXPECT_THROW(static_cast<void>(paperDots(paperView(-1, 297, 600, 600))), std::invalid_argument);
    EXPECT_THROW(static_cast<void>(paperDots(paperView(210, std::nan(""), 600, 600))), std::invalid_argument);
    EXPECT_THROW(static_cast<void>(paperDots(paperView(210, 297, 0, 600))), std::invalid_argument);
    EXPECT_THROW(static_cast<void>(paperDots(paperView(1e9, 297, 600, 600))), std::overflow_error);
}

TEST(PreviewZoomTest, FitScaleTakesTheTighterAxisAfterThePanelAndBars) {
    const PaperDots a4{2480, 3508};
    EXPECT_DOUBLE_EQ(fitScale(1104, 761, 96, a4), (761.0 - 188) / 3508);
    EXPECT_DOUBLE_EQ(fitScale(1656, 1142, 144, a4), (1142.0 - 282) / 3508);
    // A landscape strip is limited by its width.
    EXPECT_DOUBLE_EQ(fitScale(1104, 761, 96, PaperDots{4000, 400}), (1104.0 - 464) / 4000);
}

TEST(PreviewZoomTest, StepsMultiplyAndClamp) {
    EXPECT_EQ(zoomedIn({false, 6.5}, 0.3), (PreviewZoom{false, 8.0}));
    EXPECT_EQ(zoomedOut({false, 0.06}, 0.3), (PreviewZoom{false, 0.05}));
    EXPECT_EQ(zoomedIn({false, 1.0}, 0.3), (PreviewZoom{false, 1.25}));
    EXPECT_EQ(zoomedOut({false, 1.0}, 0.3), (PreviewZoom{false, 0.8}));
    // In fit mode the step starts from the fit scale, not the stored one.
    EXPECT_EQ(zoomedIn({true, 1.0}, 0.4), (PreviewZoom{false, 0.5}));
    EXPECT_EQ(zoomedOut({true, 1.0}, 0.5), (PreviewZoom{false, 0.4}));
    // A window too small for any fit still zooms within the limits.
    EXPECT_EQ(zoomedIn({true, 1.0}, -0.2), (PreviewZoom{false, 0.05}));
    EXPECT_EQ(zoomedIn({true, 1.0}, std::numeric_limits<double>::infinity()), (PreviewZoom{false, 8.0}));
}

TEST(PreviewZoomTest, ZoomFactorConvertsScreenPixelsToDips) {
    EXPECT_DOUBLE_EQ(zoomFactor({false, 1.5}, 0.2, 144), 1.0);
    EXPECT_DOUBLE_EQ(zoomFactor({false, 1.0}, 0.2, 96), 1.0);
    EXPECT_DOUBLE_EQ(zoomFactor({true, 1.0}, 0.3, 120), 0.3 * 96 / 120);
}

TEST(PreviewGeometryTest, CentresPaperAndPageInTheirAreas) {
    // 800 × 600 DIPs, half a DIP per dot, a 400 × 600 dot paper with margins
    // of 40 dots left and 20 dots at the bottom, a wide 360 × 280 page.
    const PreviewScene scene =
        composePreviewScene(800, 600, 0.5, PaperDots{400, 600}, PreviewMargins{40, 0, 0, 20}, 360, 280);
    EXPECT_EQ(scene.sidePanel, (RectF{480, 0, 800, 600}));
    EXPECT_EQ(scene.bottomBar, (RectF{0, 524, 480, 600}));
    EXPECT_EQ(scene.viewport, (RectF{32, 32, 448, 492}));
    EXPECT_EQ(scene.paper, (RectF{140, 112, 340, 412}));
    EXPECT_EQ(scene.printable, (RectF{160, 112, 340, 402}));
    ASSERT_TRUE(scene.image.has_value());
    // Limited by the width (180 / 360): 180 × 140, centred in 290 DIPs of height.
    EXPECT_EQ(*scene.image, (RectF{160, 187, 340, 327}));
    EXPECT_EQ(scene.separators[0], (LineF{480, 0, 480, 600}));
    EXPECT_EQ(scene.separators[1], (LineF{0, 524, 480, 524}));
    // 600 DIPs high: the panel's compact arrangement.
    EXPECT_EQ(scene.separators[2], (LineF{508, 94, 772, 94}));
    EXPECT_EQ(scene.separators[3], (LineF{508, 222, 772, 222}));
    EXPECT_EQ(scene.separators[4], (LineF{508, 470, 772, 470}));
}

TEST(PreviewGeometryTest, TallPageIsLimitedByHeightAndLargePaperOverflowsTheViewport) {
    const PreviewScene scene = composePreviewScene(800, 600, 2.0, PaperDots{400, 600}, PreviewMargins{}, 100, 300);
    // 800 × 1200 DIPs of paper around the viewport's centre (240, 262).
    EXPECT_EQ(scene.paper, (RectF{-160, -338, 640, 862}));
    ASSERT_TRUE(scene.image.has_value());
    EXPECT_EQ(*scene.image, (RectF{40, -338, 440, 862}));
}

TEST(PreviewGeometryTest, MarginsThatLeaveNoPrintableAreaDrawNoPage) {
    const PreviewScene scene =
        composePreviewScene(800, 600, 0.5, PaperDots{400, 600}, PreviewMargins{200, 0, 200, 0}, 360, 280);
    EXPECT_DOUBLE_EQ(scene.printable.width(), 0);
    EXPECT_FALSE(scene.image.has_value());
}

raster::RasterPage pageOf(std::uint32_t width, std::uint32_t height, std::size_t bytes) {
    raster::RasterPage page;
    page.width = width;
    page.height = height;
    page.pixels = std::make_shared<const protocol::ByteBuffer>(bytes);
    return page;
}

TEST(PreviewGeometryTest, OnlyPixelsOfExactlyTheStatedSizeAreDrawable) {
    EXPECT_TRUE(hasDrawablePixels(pageOf(3, 2, 24)));
    EXPECT_FALSE(hasDrawablePixels(pageOf(3, 2, 20)));
    EXPECT_FALSE(hasDrawablePixels(pageOf(3, 2, 28)));
    EXPECT_FALSE(hasDrawablePixels(pageOf(0, 2, 0)));
    EXPECT_FALSE(hasDrawablePixels(pageOf(3, 0, 0)));
    EXPECT_FALSE(hasDrawablePixels(pageOf(0x4000'0000, 1, 16)));
    // 16384 × 65536 × 4 is 0 in 32-bit arithmetic.
    EXPECT_FALSE(hasDrawablePixels(pageOf(0x4000, 0x1'0000, 0)));
    raster::RasterPage missing;
    missing.width = 1;
    missing.height = 1;
    EXPECT_FALSE(hasDrawablePixels(missing));
}

}  // namespace
}  // namespace ks::preview
