#include "preview/preview_refresh.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "preview/preview_text.h"
#include "protocol/error_catalog.h"

namespace ks::preview {
namespace {

PreviewView viewOf(std::size_t pageCount, std::uint64_t index) {
    PreviewView view;
    view.pages = std::make_shared<const std::vector<raster::RasterPage>>(pageCount);
    view.pageIndex = index;
    return view;
}

PreviewWindowState readyPrinter() {
    PreviewWindowState state;
    state.printerListEmpty = false;
    state.printerSelected = true;
    state.printerAvailable = true;
    state.printingEnabled = true;
    state.settingsEnabled = true;
    return state;
}

TEST(PreviewRefreshTest, StatusTakesSettingsErrorThenWindowErrorThenPrinterState) {
    PreviewView view = viewOf(2, 0);
    PreviewWindowState window = readyPrinter();

    PreviewRefresh refresh = decideRefresh(view, window);
    EXPECT_EQ(refresh.status, L"打印机就绪");
    EXPECT_FALSE(refresh.statusIsError);
    EXPECT_TRUE(refresh.printEnabled);
    EXPECT_TRUE(refresh.settingsEnabled);

    window.printerAvailable = false;
    refresh = decideRefresh(view, window);
    EXPECT_EQ(refresh.status, L"打印机当前不可用");
    EXPECT_FALSE(refresh.statusIsError);
    EXPECT_FALSE(refresh.printEnabled);
    EXPECT_TRUE(refresh.settingsEnabled);  // a selected printer is enough

    view.printInFlight = true;
    refresh = decideRefresh(view, window);
    EXPECT_EQ(refresh.status, L"正在提交打印；驱动处理期间取消可能暂不可用");
    EXPECT_FALSE(refresh.copiesEnabled);
    EXPECT_FALSE(refresh.printerListEnabled);
    EXPECT_FALSE(refresh.settingsEnabled);

    window.windowError = Error("KSR-2001", L"找不到指定打印机");
    refresh = decideRefresh(view, window);
    EXPECT_EQ(refresh.status, L"KSR-2001：找不到指定打印机");
    EXPECT_TRUE(refresh.statusIsError);

    view.settingsError = Error("KSR-3001", L"边距过大，页面内没有可打印区域");
    refresh = decideRefresh(view, window);
    EXPECT_EQ(refresh.status, L"KSR-3001：边距过大，页面内没有可打印区域");
    EXPECT_TRUE(refresh.statusIsError);
}

TEST(PreviewRefreshTest, PrintNeedsEveryConditionAndTheModelsConsent) {
    const PreviewView view = viewOf(1, 0);
    EXPECT_TRUE(decideRefresh(view, readyPrinter()).printEnabled);

    PreviewWindowState notOffered = readyPrinter();
    notOffered.printingEnabled = false;
    notOffered.settingsEnabled = false;
    const PreviewRefresh refresh = decideRefresh(view, notOffered);
    EXPECT_FALSE(refresh.printEnabled);
    EXPECT_FALSE(refresh.settingsEnabled);
    EXPECT_TRUE(refresh.copiesEnabled);
    EXPECT_TRUE(refresh.printerListEnabled);

    PreviewWindowState failed = readyPrinter();
    failed.windowError = Error("KSR-2008", L"打印机当前未就绪，请检查设备状态");
    EXPECT_FALSE(decideRefresh(view, failed).printEnabled);

    PreviewView unprintable = viewOf(1, 0);
    unprintable.settingsError = Error("KSR-3001", L"边距过大，页面内没有可打印区域");
    EXPECT_FALSE(decideRefresh(unprintable, readyPrinter()).printEnabled);

    PreviewWindowState none;  // no printers at all
    const PreviewRefresh empty = decideRefresh(view, none);
    EXPECT_FALSE(empty.printerListEnabled);
    EXPECT_FALSE(empty.settingsEnabled);
    EXPECT_FALSE(empty.printEnabled);
}

TEST(PreviewRefreshTest, ADrawingErrorIsShownInRedButNeverStopsPrinting) {
    const Error notReady("KSR-2008", L"打印机当前未就绪，请检查设备状态");
    const Error drawing = drawingError(0x8007000E);
    struct Case {
        std::optional<Error> windowError;
        std::optional<Error> drawingError;
        std::wstring status;
        bool printEnabled;
    };
    const Case cases[] = {
        {std::nullopt, drawing, L"KSR-4007：无法绘制预览页面（0x8007000E）", true},
        {notReady, drawing, L"KSR-2008：打印机当前未就绪，请检查设备状态", false},
        {notReady, std::nullopt, L"KSR-2008：打印机当前未就绪，请检查设备状态", false},
    };
    for (const Case& c : cases) {
        PreviewWindowState window = readyPrinter();
        window.windowError = c.windowError;
        window.drawingError = c.drawingError;
        const PreviewRefresh refresh = decideRefresh(viewOf(1, 0), window);
        EXPECT_EQ(refresh.status, c.status);
        EXPECT_TRUE(refresh.statusIsError) << testing::PrintToString(c.status);
        EXPECT_EQ(refresh.printEnabled, c.printEnabled) << testing::PrintToString(c.status);
    }
}

TEST(PreviewTextTest, PaperInformationLines) {
    PreviewView view;
    view.paperWidthMm = 210;
    view.paperHeightMm = 297;
    view.dpiX = 600;
    view.dpiY = 300;
    PaperInfoLines lines = paperInfoLines(view);
    EXPECT_EQ(lines.paper, L"纸张    210 × 297 mm");
    EXPECT_EQ(lines.quality, L"质量    600 × 300 DPI");
    EXPECT_EQ(lines.orientation, L"方向    纵向");

    view.paperWidthMm = 279.4;
    view.paperHeightMm = 215.9;
    view.dpiY = 600;
    view.landscape = true;
    lines = paperInfoLines(view);
    EXPECT_EQ(lines.paper, L"纸张    279.4 × 215.9 mm");
    EXPECT_EQ(lines.quality, L"质量    600 DPI");
    EXPECT_EQ(lines.orientation, L"方向    横向");
}

TEST(PreviewTextTest, DrawingErrorShowsTheResultInUpperCaseHex) {
    EXPECT_EQ(errorText(drawingError(0x80070057)), L"KSR-4007：无法绘制预览页面（0x80070057）");
    EXPECT_EQ(drawingError(0x8899000A).message(), L"无法绘制预览页面（0x8899000A）");
    EXPECT_EQ(drawingError(0x5).message(), L"无法绘制预览页面（0x00000005）");
}

TEST(PreviewTextTest, TheOutOfMemoryStatusIsTheCataloguesText) {
    EXPECT_EQ(kOutOfMemoryStatus,
              errorText(Error(protocol::codes::kOutOfMemory, protocol::messages::kPageOutOfMemory)));
}

TEST(PreviewTextTest, CopiesAreParsedAndClamped) {
    struct Case {
        const wchar_t* text;
        std::optional<std::uint32_t> parsed;
        std::uint32_t onFocusLost;
    };
    const Case cases[] = {
        {L"1", 1, 1},
        {L"42", 42, 42},
        {L"999", 999, 999},
        {L"0", 1, 1},
        {L"1500", 999, 999},
        {L"007", 7, 7},
        {L"123456789012345678901234567890", 999, 999},  // past any integer
        {L"", std::nullopt, 1},
        {L"-3", std::nullopt, 1},
        {L"4a", std::nullopt, 1},
        {L" 5", std::nullopt, 1},
        {L"５", std::nullopt, 1},  // a full-width digit
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseCopies(c.text), c.parsed) << testing::PrintToString(std::wstring(c.text));
        EXPECT_EQ(copiesOnFocusLost(c.text), c.onFocusLost);
    }
}

}  // namespace
}  // namespace ks::preview
