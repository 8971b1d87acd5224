#include "management/management_layout.h"

#include <gtest/gtest.h>

namespace ks::management {
namespace {

using platform::LayoutRect;

// Every control at 96, 120 and 144 DPI for each kind's created size, worked
// out by hand from the margins (20), button height (32) and gap (12) in DIP.
TEST(ManagementLayoutTest, StatusWindowAtEachDpi) {
    struct Case {
        int dpi, width, height;
        LayoutRect panel, refresh;
    };
    const Case cases[] = {
        {96, 680, 500, {0, 0, 680, 436}, {536, 448, 116, 32}},
        {120, 850, 625, {0, 0, 850, 545}, {670, 560, 145, 40}},
        {144, 1020, 750, {0, 0, 1020, 654}, {804, 672, 174, 48}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        const StatusLayout layout = statusLayout(c.width, c.height, c.dpi);
        EXPECT_EQ(layout.panel, c.panel);
        EXPECT_EQ(layout.refresh, c.refresh);
    }
}

TEST(ManagementLayoutTest, PrinterSettingsWindowAtEachDpi) {
    struct Case {
        int dpi, width, height;
        PrinterSettingsLayout expected;
    };
    const Case cases[] = {
        {96, 544, 351, {{20, 20, 504, 240}, {20, 72, 504, 207}, {20, 299, 90, 32}, {130, 299, 280, 32}}},
        {144, 816, 527, {{30, 30, 756, 360}, {30, 108, 756, 311}, {30, 449, 135, 48}, {195, 449, 420, 48}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        const PrinterSettingsLayout layout = printerSettingsLayout(c.width, c.height, c.dpi);
        EXPECT_EQ(layout.list, c.expected.list);
        EXPECT_EQ(layout.information, c.expected.information);
        EXPECT_EQ(layout.refresh, c.expected.refresh);
        EXPECT_EQ(layout.properties, c.expected.properties);
    }
}

TEST(ManagementLayoutTest, DiagnosticsReportMakesRoomForTheLabelOnlyWhileItHasText) {
    // 120 DPI: m 25, b 40; button row at 625 − 40 − 25 = 560.
    const DiagnosticsLayout empty = diagnosticsLayout(700, 625, 120, 0);
    EXPECT_FALSE(empty.labelVisible);
    EXPECT_EQ(empty.report, (LayoutRect{25, 25, 650, 510}));
    EXPECT_EQ(empty.refresh, (LayoutRect{25, 560, 113, 40}));
    EXPECT_EQ(empty.exportButton, (LayoutRect{163, 560, 163, 40}));

    // A one-line label is raised to the 22-DIP minimum (28 px at 120 DPI).
    const DiagnosticsLayout oneLine = diagnosticsLayout(700, 625, 120, 19);
    ASSERT_TRUE(oneLine.labelVisible);
    EXPECT_EQ(oneLine.label, (LayoutRect{25, 507, 650, 28}));
    EXPECT_EQ(oneLine.report, (LayoutRect{25, 25, 650, 457}));

    // A wrapped label keeps its measured height.
    const DiagnosticsLayout wrapped = diagnosticsLayout(700, 625, 120, 60);
    EXPECT_EQ(wrapped.label, (LayoutRect{25, 475, 650, 60}));
    EXPECT_EQ(wrapped.report.height, 475 - 25 - 25);
    EXPECT_EQ(diagnosticsLabelMeasureWidth(700, 120), 650);
}

TEST(ManagementLayoutTest, TinyClientAreasGiveNoNegativeSizes) {
    struct Case {
        int dpi;
        int panelHeight;  // the button row stays at the margin: m − g
    };
    for (const Case c : {Case{96, 8}, Case{144, 12}}) {
        const int dpi = c.dpi;
        SCOPED_TRACE(dpi);
        const StatusLayout status = statusLayout(10, 10, dpi);
        EXPECT_EQ(status.panel.height, c.panelHeight);
        EXPECT_EQ(status.refresh.y, platform::scaleForDpi(20, dpi));
        const PrinterSettingsLayout settings = printerSettingsLayout(0, 0, dpi);
        EXPECT_EQ(settings.list.width, 0);
        EXPECT_EQ(settings.information.height, 0);
        const DiagnosticsLayout diagnostics = diagnosticsLayout(0, 0, dpi, 40);
        EXPECT_EQ(diagnostics.report.width, 0);
        EXPECT_EQ(diagnostics.report.height, 0);
        EXPECT_EQ(diagnosticsLabelMeasureWidth(0, dpi), 1);
    }
}

TEST(ManagementLayoutTest, KindTable) {
    const WindowKindTraits& status = traitsOf(WindowKind::ServiceStatus);
    EXPECT_EQ(status.className, L"Kestrune.ServiceStatus");
    EXPECT_EQ(status.title, L"Kestrune 服务状态");
    EXPECT_TRUE(status.createdSize.clientArea);
    // The created client area at 144 DPI.
    EXPECT_EQ(platform::scaleForDpi(status.createdSize.width, 144), 1020);
    EXPECT_EQ(platform::scaleForDpi(status.createdSize.height, 144), 750);
    EXPECT_TRUE(status.ownerDrawnRefresh);
    EXPECT_EQ(status.refreshText, L"刷新状态");

    const WindowKindTraits& settings = traitsOf(WindowKind::PrinterSettings);
    EXPECT_EQ(settings.className, L"Kestrune.PrinterSettings");
    EXPECT_EQ(settings.minimumSize.width, 0);
    EXPECT_FALSE(settings.ownerDrawnRefresh);

    const WindowKindTraits& diagnostics = traitsOf(WindowKind::Diagnostics);
    EXPECT_EQ(diagnostics.title, L"Kestrune 诊断");
    EXPECT_FALSE(diagnostics.minimumSize.clientArea);
    EXPECT_EQ(diagnostics.minimumSize.width, 460);
    EXPECT_EQ(diagnostics.minimumSize.height, 320);
}

}  // namespace
}  // namespace ks::management
