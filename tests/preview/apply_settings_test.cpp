#include "preview/apply_settings.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

namespace ks::preview {
namespace {

using platform::Resolution;

// A 5-page A4 session at 300 dpi, targeting a printer that offers 300 and
// 600 dpi.
PreviewSessionState fivePageSession() {
    PreviewSessionState state;
    raster::RasterPage page;
    page.width = 2;
    page.height = 1;
    page.pixels = std::make_shared<const protocol::ByteBuffer>(8);
    state.job.pages = std::make_shared<const std::vector<raster::RasterPage>>(5, page);
    auto& ticket = state.job.ticket;
    ticket.printerId = "pdf";
    ticket.paperWidthMm = 210;
    ticket.paperHeightMm = 297;
    ticket.dpiX = ticket.dpiY = 300;
    state.settings.paperWidthMm = 210;
    state.settings.paperHeightMm = 297;
    state.settings.dpiX = state.settings.dpiY = 300;
    platform::PrinterCapabilities printer;
    printer.printerId = "pdf";
    printer.dpiX = printer.dpiY = 300;
    printer.resolutions = {{300, 300}, {600, 600}};
    state.targetPrinter = printer;
    state.settingsError = Error("KSR-3001", L"边距过大，页面内没有可打印区域");
    return state;
}

PreviewSettings labelSettings() {
    PreviewSettings settings;
    settings.paperWidthMm = 100;
    settings.paperHeightMm = 80;
    settings.dpiX = settings.dpiY = 600;
    settings.landscape = 1;
    settings.marginLeftMm = 5;
    settings.marginTopMm = 2.5;
    settings.marginRightMm = 10;
    settings.marginBottomMm = 0;
    settings.pageSelectionMode = 2;
    settings.pageRangeText = L"2-4,1,3";
    return settings;
}

TEST(ApplySettings, StoresTheSettingsAndWritesThemInDotsIntoTheJob) {
    PreviewSessionState state = fivePageSession();
    const PreviewSettings settings = labelSettings();
    ASSERT_TRUE(applySettings(state, settings));
    const auto& ticket = state.job.ticket;
    EXPECT_EQ(ticket.paperWidthMm, 100);
    EXPECT_EQ(ticket.paperHeightMm, 80);
    EXPECT_EQ((Resolution{ticket.dpiX, ticket.dpiY}), (Resolution{600, 600}));
    EXPECT_EQ(ticket.orientation, 1u);
    EXPECT_EQ(ticket.marginLeft, 118u);   // round(5 × 600 / 25.4)
    EXPECT_EQ(ticket.marginTop, 59u);     // 59.06
    EXPECT_EQ(ticket.marginRight, 236u);  // 236.2
    EXPECT_EQ(ticket.marginBottom, 0u);
    EXPECT_EQ(ticket.printerId, "pdf");
    EXPECT_EQ(state.settings.pageRangeText, L"2-4,1,3");
    EXPECT_EQ(state.settings.marginTopMm, 2.5);
    EXPECT_FALSE(state.settingsError);
}

TEST(ApplySettings, RefusalsLeaveTheSessionUnchanged) {
    const auto with = [](auto change) {
        PreviewSettings settings = labelSettings();
        change(settings);
        return settings;
    };
    const Error badPaper("KSR-3001", L"纸张尺寸或打印分辨率无效");
    const Error badPages("KSR-3001", L"请选择有效页面或输入有效页码范围");
    const Error noArea("KSR-3001", L"边距过大，页面内没有可打印区域");
    const Error printerRefuses("KSR-2007", L"打印机能力或页面尺寸已变化，请重新生成页面");
    const struct {
        const char* name;
        PreviewSettings settings;
        Error expected;
    } cases[] = {
        {"zero dpi", with([](PreviewSettings& s) { s.dpiY = 0; }), badPaper},
        {"infinite height", with([](PreviewSettings& s) { s.paperHeightMm = std::numeric_limits<double>::infinity(); }),
         badPaper},
        {"paper past int32 dots", with([](PreviewSettings& s) { s.paperWidthMm = 1e8; }), badPaper},
        {"negative margin", with([](PreviewSettings& s) { s.marginTopMm = -1; }), badPaper},
        {"margin past int32 dots", with([](PreviewSettings& s) { s.marginLeftMm = 1e8; }), badPaper},
        {"trailing comma", with([](PreviewSettings& s) { s.pageRangeText = L"1,2,"; }), badPages},
        {"past the end", with([](PreviewSettings& s) { s.pageRangeText = L"1-9"; }), badPages},
        {"no page selected", with([](PreviewSettings& s) {
             s.pageSelectionMode = 1;
             s.selectedPages = {5, 7};
         }),
         badPages},
        // At 600 dpi each margin rounds down and one dot would stay between.
        {"105 + 105 mm on 210 mm at 600 dpi", with([](PreviewSettings& s) {
             s.paperWidthMm = 210;
             s.marginLeftMm = s.marginRightMm = 105;
         }),
         noArea},
        {"105 + 105 mm on 210 mm at 300 dpi", with([](PreviewSettings& s) {
             s.dpiX = s.dpiY = 300;
             s.paperWidthMm = 210;
             s.marginLeftMm = s.marginRightMm = 105;
         }),
         noArea},
        {"top and bottom fill the height", with([](PreviewSettings& s) { s.marginTopMm = s.marginBottomMm = 40; }),
         noArea},
        {"under one dot", with([](PreviewSettings& s) { s.paperHeightMm = 0.01; }), noArea},
        {"resolution the printer lacks", with([](PreviewSettings& s) { s.dpiX = s.dpiY = 203; }), printerRefuses},
    };
    for (const auto& c : cases) {
        PreviewSessionState state = fivePageSession();
        const Result<void> applied = applySettings(state, c.settings);
        ASSERT_FALSE(applied) << c.name;
        EXPECT_EQ(applied.error(), c.expected) << c.name;
        EXPECT_EQ(state.job.ticket.dpiX, 300u) << c.name;
        EXPECT_EQ(state.job.ticket.paperWidthMm, 210) << c.name;
        EXPECT_EQ(state.job.ticket.marginLeft, 0u) << c.name;
        EXPECT_EQ(state.settings.pageSelectionMode, 0u) << c.name;
        EXPECT_TRUE(state.settingsError) << c.name;
    }
}

TEST(ApplySettings, WithoutATargetPrinterAnyResolutionIsTaken) {
    PreviewSessionState state = fivePageSession();
    state.targetPrinter.reset();
    PreviewSettings settings = labelSettings();
    settings.dpiX = 203;
    settings.dpiY = 406;
    ASSERT_TRUE(applySettings(state, settings));
    EXPECT_EQ((Resolution{state.job.ticket.dpiX, state.job.ticket.dpiY}), (Resolution{203, 406}));
    EXPECT_EQ(state.job.ticket.marginLeft, 40u);  // 5 mm at 203 dpi
    EXPECT_EQ(state.job.ticket.marginTop, 40u);   // 2.5 mm at 406 dpi
}

}  // namespace
}  // namespace ks::preview
