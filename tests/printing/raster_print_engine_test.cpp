#include "printing/raster_print_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "fakes/fake_capability_source.h"

namespace ks::printing {
namespace {

constexpr char kPrinterId[] = "3c6fa1e1c1d1a2b5b2c0a3bd1f2a8a06c0a6a1d5d3e8d5f39a4c9e1b0b7d1c2a";
constexpr char kHash[] = "9f0c2e4b3a1d7c6e5f4a3b2c1d0e9f8a7b6c5d4e3f2a1b0c9d8e7f6a5b4c3d2e";

// Records every call as a word ("start", "draw 2", ...) and fails the call
// named in `failAt` (its first occurrence from `failFrom` on).
class FakeGdi final : public IGdiPrintApi {
public:
    Result<std::uint32_t> beginDocument(const PrintTicket& ticket) override {
        log.push_back("begin");
        begunWith = ticket;
        if (failAt == "begin") return Error("KSR-2002", L"无法打开打印机 (Win32=5)");
        return std::uint32_t{42};
    }
    std::optional<std::wstring> takeLastWarning() override { return std::exchange(warning, std::nullopt); }
    Result<void> startPage() override { return step("start"); }
    Result<void> drawPage(const PagePlacement& placement) override {
        placements.push_back(placement);
        if (throwOnDraw) throw std::runtime_error("driver fault");
        return step("draw " + std::to_string(placement.pixelWidth));
    }
    Result<void> endPage() override { return step("end"); }
    Result<void> endDocument() override { return step("enddoc"); }
    void abortDocument() override { log.push_back("abort"); }

    std::vector<std::string> log;
    std::vector<PagePlacement> placements;
    std::optional<PrintTicket> begunWith;
    std::string failAt;
    std::size_t failFrom = 0;
    bool throwOnDraw = false;
    std::optional<std::wstring> warning;

private:
    Result<void> step(const std::string& name) {
        log.push_back(name);
        if (name.rfind(failAt, 0) == 0 && !failAt.empty() && log.size() > failFrom) {
            return Error("KSR-2008", L"无法结束打印页面 (Win32=1)");
        }
        return {};
    }
};

// Pages whose pixel width tells them apart in the log.
raster::RasterPageList pagesOfWidths(const std::vector<std::uint32_t>& widths, std::uint32_t height = 2) {
    auto pages = std::make_shared<std::vector<raster::RasterPage>>();
    for (const auto width : widths) {
        raster::RasterPage page;
        page.width = width;
        page.height = height;
        page.pixels = std::make_shared<const protocol::ByteBuffer>(std::size_t{width} * height * 4);
        pages->push_back(std::move(page));
    }
    return pages;
}

class RasterPrintEngineTest : public testing::Test {
protected:
    RasterPrintEngineTest() {
        platform::PrinterCapabilities record;
        record.printerId = kPrinterId;
        record.capabilityHash = kHash;
        record.dpiX = 203;
        record.dpiY = 203;
        record.resolutions = {{203, 203}, {300, 300}};
        source_.record = record;
        // A 50 × 30 mm label at 203 dpi: 400 × 240 dots.
        ticket_.printerId = kPrinterId;
        ticket_.capabilityHash = kHash;
        ticket_.paperWidthMm = 50.0;
        ticket_.paperHeightMm = 30.0;
        ticket_.dpiX = 203;
        ticket_.dpiY = 203;
    }

    Result<std::uint32_t> print(const raster::RasterPageList& pages) { return engine_.print(ticket_, pages); }

    fakes::FakeCapabilitySource source_;
    FakeGdi gdi_;
    RasterPrintEngine engine_{source_, gdi_};
    PrintTicket ticket_;
};

TEST_F(RasterPrintEngineTest, PrintsCollatedCopiesAtTheMarginsAndOffsets) {
    ticket_.copies = 2;
    ticket_.marginLeft = 10;
    ticket_.marginRight = 20;
    ticket_.marginTop = 5;
    ticket_.marginBottom = 7;
    ticket_.offsetX = -3;
    ticket_.offsetY = 4;
    gdi_.warning = L"请求纸张与实际纸张不一致";
    const auto result = print(pagesOfWidths({1, 2, 3}));
    ASSERT_TRUE(result) << testing::PrintToString(result.error().message());
    EXPECT_EQ(result.value(), 42u);
    const std::vector<std::string> expected{"begin", "start", "draw 1", "end", "start", "draw 2", "end",
                                            "start", "draw 3", "end", "start", "draw 1", "end", "start",
                                            "draw 2", "end", "start", "draw 3", "end", "enddoc"};
    EXPECT_EQ(gdi_.log, expected);
    // The 1 × 2 page fills the height between the margins (228 of 370 × 228
    // dots from 7, 9) and is centred across.
    const PagePlacement& placement = gdi_.placements.front();
    EXPECT_EQ(placement.x, 7 + (370 - 114) / 2);
    EXPECT_EQ(placement.y, 9);
    EXPECT_EQ(placement.width, 114u);
    EXPECT_EQ(placement.height, 228u);
    EXPECT_EQ(placement.byteCount, 8u);
    EXPECT_EQ(engine_.takeLastWarning(), L"请求纸张与实际纸张不一致");
    EXPECT_EQ(engine_.takeLastWarning(), std::nullopt);
}

// Each page keeps its shape: scaled uniformly to the largest size between
// the margins and centred there, so that a page of the area's own shape is
// drawn unchanged (one pixel per dot at its own size).
TEST_F(RasterPrintEngineTest, FitsEachPageUniformlyAndCentresItBetweenTheMargins) {
    struct Case {
        std::uint32_t left, top, right, bottom, pageWidth, pageHeight;
        std::int32_t x, y;
        std::uint32_t width, height;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 400, 240, 0, 0, 400, 240},            // the paper as rendered
        {0, 0, 0, 0, 200, 120, 0, 0, 400, 240},            // half the resolution: each pixel 2 × 2 dots
        {0, 0, 0, 0, 100, 100, 80, 0, 240, 240},           // square on landscape paper
        {100, 0, 0, 40, 400, 240, 100, 10, 300, 180},      // unequal margins
        {0, 0, 0, 0, 3, 1, 0, 53, 400, 133},               // rounded size, centred to the dot
        {10, 20, 10, 20, 380, 200, 10, 20, 380, 200},      // margins that keep the page's shape
    };
    for (const Case& c : cases) {
        ticket_.marginLeft = c.left;
        ticket_.marginTop = c.top;
        ticket_.marginRight = c.right;
        ticket_.marginBottom = c.bottom;
        gdi_.placements.clear();
        ASSERT_TRUE(print(pagesOfWidths({c.pageWidth}, c.pageHeight)));
        ASSERT_EQ(gdi_.placements.size(), 1u);
        const PagePlacement& placement = gdi_.placements.front();
        EXPECT_EQ((std::array<std::int64_t, 4>{placement.x, placement.y, placement.width, placement.height}),
                  (std::array<std::int64_t, 4>{c.x, c.y, c.width, c.height}))
            << c.pageWidth << " x " << c.pageHeight << " margins " << c.left << "," << c.top;
        EXPECT_EQ(placement.pixelWidth, c.pageWidth);
    }
}

TEST_F(RasterPrintEngineTest, RefusesBeforeTheDocumentBegins) {
    const auto pages = pagesOfWidths({1});
    struct Case {
        const char* what;
        std::function<void(PrintTicket&, platform::PrinterCapabilities&)> change;
        raster::RasterPageList pages;
        Error error;
    };
    const Error changed("KSR-2007", L"打印机能力已变化，请重新生成页面");
    const Error invalid("KSR-3001", L"打印任务参数无效");
    const Error margins("KSR-3001", L"边距过大，页面内没有可打印区域");
    const Error mismatch("KSR-3004", L"页面像素尺寸与打印票据不一致");
    auto odd = std::make_shared<std::vector<raster::RasterPage>>(*pagesOfWidths({1, 2}));
    (*odd)[1].height = 3;  // 2 × 3 pixels in a 2 × 2 buffer
    auto noPixels = std::make_shared<std::vector<raster::RasterPage>>(*pages);
    (*noPixels)[0].pixels.reset();
    const Case cases[] = {
        {"other id", [](auto&, auto& r) { r.printerId = "x"; }, pages, changed},
        {"other hash", [](auto&, auto& r) { r.capabilityHash = "y"; }, pages, changed},
        {"other dpi", [](auto& t, auto&) { t.dpiY = 600; }, pages, changed},
        {"current dpi", [](auto&, auto& r) { r.resolutions.clear(), r.dpiY = 300; }, pages, changed},
        {"no pages", [](auto&, auto&) {}, std::make_shared<std::vector<raster::RasterPage>>(), invalid},
        {"null pages", [](auto&, auto&) {}, nullptr, invalid},
        {"0 copies", [](auto& t, auto&) { t.copies = 0; }, pages, invalid},
        {"1000 copies", [](auto& t, auto&) { t.copies = 1000; }, pages, invalid},
        {"200+200 on 400", [](auto& t, auto&) { t.marginLeft = 200, t.marginRight = 200; }, pages, margins},
        {"vertical", [](auto& t, auto&) { t.marginTop = 240; }, pages, margins},
        {"wrapping margins", [](auto& t, auto&) { t.marginTop = t.marginBottom = 0x80000000u; }, pages, margins},
        {"offset out of range", [](auto& t, auto&) { t.marginLeft = 300, t.offsetX = INT32_MAX; }, pages, invalid},
        {"buffer size", [](auto&, auto&) {}, odd, mismatch},
        {"no buffer", [](auto&, auto&) {}, noPixels, mismatch},
    };
    const auto record = source_.record.value();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PrintTicket ticket = ticket_;
        auto changedRecord = record;
        c.change(ticket, changedRecord);
        source_.record = changedRecord;
        const auto result = engine_.print(ticket, c.pages);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error(), c.error);
    }
    EXPECT_TRUE(gdi_.log.empty());

    source_.record = Error("KSR-2001", L"找不到指定打印机");
    EXPECT_EQ(print(pages).error(), Error("KSR-2001", L"找不到指定打印机"));
}

TEST_F(RasterPrintEngineTest, AcceptsTheLimits) {
    ticket_.copies = 999;
    ticket_.marginLeft = 199;
    ticket_.marginRight = 200;
    source_.record.value().resolutions.clear();  // the current resolution is then the one offered
    ASSERT_TRUE(print(pagesOfWidths({1})));
    EXPECT_EQ(gdi_.placements.size(), 999u);
    EXPECT_EQ(gdi_.placements.front().width, 1u);
}

TEST_F(RasterPrintEngineTest, UnconvertibleTicketIsAnException) {
    ticket_.paperWidthMm = -1.0;
    EXPECT_THROW(static_cast<void>(print(pagesOfWidths({1}))), std::invalid_argument);
    EXPECT_TRUE(gdi_.log.empty());
}

TEST_F(RasterPrintEngineTest, FirstFailureAfterBeginAbortsTheDocument) {
    for (const char* failing : {"start", "draw", "end", "enddoc"}) {
        SCOPED_TRACE(failing);
        gdi_.log.clear();
        gdi_.failAt = failing;
        gdi_.failFrom = 4;  // from the second page's cycle on
        const auto result = print(pagesOfWidths({1, 2}));
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().code(), "KSR-2008");
        EXPECT_EQ(gdi_.log.back(), "abort");
        EXPECT_EQ(std::count(gdi_.log.begin(), gdi_.log.end(), "abort"), 1);
        EXPECT_EQ(std::count(gdi_.log.begin(), gdi_.log.end(), "enddoc"), gdi_.failAt == "enddoc" ? 1 : 0);
    }

    gdi_.log.clear();
    gdi_.failAt = "begin";
    EXPECT_EQ(print(pagesOfWidths({1})).error().code(), "KSR-2002");
    EXPECT_EQ(gdi_.log, std::vector<std::string>{"begin"});  // nothing begun, nothing to abort

    gdi_.log.clear();
    gdi_.failAt.clear();
    gdi_.throwOnDraw = true;
    EXPECT_THROW(static_cast<void>(print(pagesOfWidths({1}))), std::runtime_error);
    EXPECT_EQ(gdi_.log.back(), "abort");
}

}  // namespace
}  // namespace ks::printing
