#include "printing/win32/gdi_print_api.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fakes/fake_capability_source.h"
#include "printing/win32/custom_form.h"
#include "printing/win32/fake_print_driver.h"

namespace ks::printing {
namespace {

using testing::FakePrintDriver;

constexpr DWORD kJobFields = DM_ORIENTATION | DM_COPIES | DM_PRINTQUALITY | DM_YRESOLUTION;

class GdiPrintApiTest : public ::testing::Test {
protected:
    GdiPrintApiTest() {
        ticket_.printerId = "id";
        ticket_.capabilityHash = "hash";
        ticket_.dpiX = ticket_.dpiY = 203;
        ticket_.paperWidthMm = 100.0;
        ticket_.paperHeightMm = 150.0;
    }

    // The record the catalogue would report for the driver's queue.
    void publishRecord() {
        platform::PrinterCapabilities record;
        record.printerId = "id";
        record.capabilityHash = "hash";
        record.name = driver_.queue;
        record.dpiX = record.dpiY = 203;
        record.resolutions = {{203, 203}, {32768, 32768}};
        for (const auto& [id, size] : driver_.papers) {
            record.papers.push_back({static_cast<std::uint16_t>(id), static_cast<std::uint32_t>(size.cx) * 100,
                                     static_cast<std::uint32_t>(size.cy) * 100, false});
        }
        source_.record = record;
    }

    Result<std::uint32_t> begin() {
        publishRecord();
        return gdi_.beginDocument(ticket_);
    }

    // Draws a 2 × 3 pixel page over the whole requested paper.
    Result<void> drawWholePaper(std::int32_t x = 0, std::int32_t y = 0) {
        PagePlacement placement{x, y, 800, 1200, 2, 3, pixels_.data(), pixels_.size()};
        return gdi_.drawPage(placement);
    }

    FakePrintDriver driver_;
    fakes::FakeCapabilitySource source_;
    GdiPrintApi gdi_{source_, driver_.functions()};
    PrintTicket ticket_;
    std::vector<std::uint8_t> pixels_ = std::vector<std::uint8_t>(2 * 3 * 4, 0xFF);
};

TEST_F(GdiPrintApiTest, DriverPaperOfTheRequestedSizeIsPrintedOneDotPerDot) {
    const auto job = begin();
    ASSERT_TRUE(job) << ::testing::PrintToString(job.error().message());
    EXPECT_EQ(job.value(), 7u);
    ASSERT_EQ(driver_.requests.size(), 1u);
    const DEVMODEW& request = driver_.requests[0];
    EXPECT_EQ(request.dmFields & (kJobFields | DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH),
              kJobFields | DM_PAPERSIZE);
    EXPECT_EQ(request.dmPaperSize, 301);
    EXPECT_EQ(request.dmOrientation, DMORIENT_PORTRAIT);
    EXPECT_EQ(request.dmCopies, 1);
    EXPECT_EQ(request.dmPrintQuality, 203);
    EXPECT_EQ(request.dmYResolution, 203);
    EXPECT_TRUE(driver_.privateBytesCameBack) << "the driver's private bytes must travel with its DEVMODE";
    EXPECT_EQ(driver_.dcMode.dmPaperSize, 301);
    EXPECT_EQ(driver_.documentName, L"Kestrune");
    EXPECT_EQ(gdi_.takeLastWarning(), std::nullopt);

    driver_.marginDots = 17;  // read at begin: no effect now
    ASSERT_TRUE(gdi_.startPage());
    ASSERT_TRUE(drawWholePaper());
    ASSERT_EQ(driver_.drawn.size(), 1u);
    const auto& draw = driver_.drawn[0];
    EXPECT_EQ(std::vector<int>({draw.x, draw.y, draw.width, draw.height, draw.srcX, draw.srcY, draw.srcWidth,
                                draw.srcHeight}),
              std::vector<int>({0, 0, 800, 1200, 0, 0, 2, 3}));
    EXPECT_EQ(draw.bits, pixels_.data());
    EXPECT_EQ(draw.header.biSize, 40u);
    EXPECT_EQ(draw.header.biWidth, 2);
    EXPECT_EQ(draw.header.biHeight, -3);
    EXPECT_EQ(draw.header.biPlanes, 1);
    EXPECT_EQ(draw.header.biBitCount, 32);
    EXPECT_EQ(draw.header.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(draw.usage, static_cast<UINT>(DIB_RGB_COLORS));
    EXPECT_EQ(draw.rop, static_cast<DWORD>(SRCCOPY));
    ASSERT_TRUE(gdi_.endPage());
    ASSERT_TRUE(gdi_.endDocument());
    EXPECT_TRUE(driver_.nothingOpen());
    EXPECT_EQ(driver_.openDocuments, 0);
    EXPECT_EQ(driver_.aborts, 0);
}

TEST_F(GdiPrintApiTest, ThePrintableCornerIsWherePaperCoordinatesStart) {
    driver_.marginDots = 17;
    ASSERT_TRUE(begin());
    ASSERT_TRUE(drawWholePaper(20, 30));
    EXPECT_EQ(driver_.drawn[0].x, 3);
    EXPECT_EQ(driver_.drawn[0].y, 13);
    EXPECT_EQ(driver_.drawn[0].width, 800);
    EXPECT_EQ(gdi_.takeLastWarning(), std::nullopt);
}

TEST_F(GdiPrintApiTest, PaperListedTheOtherWayRoundIsAskedForInLandscape) {
    ticket_.paperWidthMm = 150.0;
    ticket_.paperHeightMm = 100.0;
    driver_.papers.erase(302);
    ASSERT_TRUE(begin());
    EXPECT_EQ(driver_.dcMode.dmPaperSize, 301);
    EXPECT_EQ(driver_.dcMode.dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(gdi_.takeLastWarning(), std::nullopt);  // the device page is 1200 × 800 as requested
}

TEST_F(GdiPrintApiTest, CustomSizeIsUsedWhenTheDriverKeepsIt) {
    ticket_.paperWidthMm = 62.0;
    ticket_.paperHeightMm = 40.0;
    ASSERT_TRUE(begin());
    const DEVMODEW& request = driver_.requests.at(0);
    EXPECT_EQ(request.dmFields & (DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH), DM_PAPERWIDTH | DM_PAPERLENGTH);
    EXPECT_EQ(request.dmPaperSize, 0);
    EXPECT_EQ(request.dmPaperWidth, 620);
    EXPECT_EQ(request.dmPaperLength, 400);
    EXPECT_EQ(request.dmOrientation, DMORIENT_PORTRAIT);
    EXPECT_EQ(std::count(driver_.calls.begin(), driver_.calls.end(), "GetFormW"), 0);
    EXPECT_EQ(gdi_.takeLastWarning(), std::nullopt);
}

TEST_F(GdiPrintApiTest, DriverThatDropsTheCustomSizeGetsAFormRegistered) {
    ticket_.paperWidthMm = 62.0;
    ticket_.paperHeightMm = 40.0;
    driver_.customSizeEchoed = false;
    ASSERT_TRUE(begin());
    ASSERT_EQ(driver_.added.size(), 1u);
    EXPECT_EQ(driver_.addedNames[0], L"KSRN_620x400");
    EXPECT_EQ(driver_.added[0].Flags, static_cast<DWORD>(FORM_USER));
    EXPECT_EQ(driver_.added[0].Size.cx, 62000);
    EXPECT_EQ(driver_.added[0].Size.cy, 40000);
    EXPECT_EQ(driver_.added[0].ImageableArea.right, 62000);
    EXPECT_EQ(driver_.added[0].ImageableArea.bottom, 40000);
    EXPECT_EQ(driver_.openAdminHandles, 0);
    ASSERT_EQ(driver_.requests.size(), 2u);
    const DEVMODEW& request = driver_.requests[1];
    EXPECT_EQ(request.dmFields & (DM_FORMNAME | kJobFields | DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH),
              DM_FORMNAME | kJobFields);
    EXPECT_EQ(request.dmPaperSize, 0);
    EXPECT_EQ(request.dmPaperWidth, 0);
    EXPECT_EQ(std::wstring(request.dmFormName), L"KSRN_620x400");
    EXPECT_EQ(gdi_.takeLastWarning(), std::nullopt);

    // The next job finds the form and registers nothing.
    driver_.added.clear();
    ASSERT_TRUE(begin());
    EXPECT_TRUE(driver_.added.empty());
    EXPECT_EQ(std::count(driver_.calls.begin(), driver_.calls.end(), "OpenPrinterW(admin)"), 1);
}

TEST_F(GdiPrintApiTest, SubstitutedPaperLeavesAWarningAndStartsAtThePrintableCorner) {
    ticket_.paperWidthMm = 62.0;
    ticket_.paperHeightMm = 40.0;
    driver_.acceptsCustomSize = false;
    driver_.addFormIsStub = true;  // as under Wine: registered, but never there
    driver_.marginDots = 10;
    ASSERT_TRUE(begin());
    // 100 × 150 holds the whole label and is smaller than A4.
    const DEVMODEW& request = driver_.requests.back();
    EXPECT_EQ(request.dmFields & (DM_FORMNAME | DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH), DM_PAPERSIZE);
    EXPECT_EQ(request.dmPaperSize, 301);
    EXPECT_EQ(request.dmOrientation, DMORIENT_PORTRAIT);
    EXPECT_EQ(request.dmCopies, 1);
    EXPECT_EQ(gdi_.takeLastWarning(),
              L"请求纸张与实际纸张不一致，已使用打印机纸张 100.0 × 150.0 mm；标签保持原尺寸，从可打印区域左上角打印。");
    EXPECT_EQ(gdi_.takeLastWarning(), std::nullopt);
    PagePlacement placement{25, 5000, 496, 320, 2, 3, pixels_.data(), pixels_.size()};
    ASSERT_TRUE(gdi_.drawPage(placement));
    const auto& draw = driver_.drawn.back();
    // Printable area 779 × 1179: y is clamped to its last row, and the page
    // reduced to the one row left.
    EXPECT_EQ(std::vector<int>({draw.x, draw.y, draw.width, draw.height}), std::vector<int>({25, 1178, 1, 1}));

    // A page larger than every paper is reduced to the printable area.
    ticket_.paperWidthMm = 400.0;
    ticket_.paperHeightMm = 600.0;
    ASSERT_TRUE(begin());
    EXPECT_EQ(driver_.dcMode.dmPaperSize, DMPAPER_A4);
    const auto warning = gdi_.takeLastWarning();
    ASSERT_TRUE(warning);
    EXPECT_NE(warning->find(L"210.0 × 297.0 mm；标签已缩小至 49%"), std::wstring::npos) << *warning;
    EXPECT_EQ(driver_.aborts, 1);  // the first document, by beginning the second
    EXPECT_EQ(driver_.openDcs, 1);
}

TEST_F(GdiPrintApiTest, ConnectionsToOtherServersGetNoForm) {
    driver_.queue = L"\\\\server\\LABEL";
    driver_.acceptsCustomSize = false;
    ticket_.paperWidthMm = 62.0;
    ticket_.paperHeightMm = 40.0;
    ASSERT_TRUE(begin());
    EXPECT_EQ(std::count(driver_.calls.begin(), driver_.calls.end(), "GetFormW"), 0);
    EXPECT_TRUE(gdi_.takeLastWarning());
}

TEST_F(GdiPrintApiTest, DriverThatAnswersWithAnotherPaperIsTreatedAsSubstituted) {
    driver_.paperAnswers[301] = 302;  // IDOK, but 150 × 100
    ASSERT_TRUE(begin());
    const auto warning = gdi_.takeLastWarning();
    ASSERT_TRUE(warning);
    EXPECT_NE(warning->find(L"150.0 × 100.0 mm；标签已缩小至 67%"), std::wstring::npos) << *warning;
}

struct Failure {
    const char* call;
    int occurrence;
    Error error;
    std::function<void(FakePrintDriver&, PrintTicket&)> setup = [](FakePrintDriver&, PrintTicket&) {};
};

class GdiPrintApiFailureTest : public GdiPrintApiTest, public ::testing::WithParamInterface<Failure> {};

// Every failing step reports its own error (with the failing call's Win32
// number, not a clean-up call's) and releases what it acquired.
TEST_P(GdiPrintApiFailureTest, ReportsAndReleases) {
    const Failure& failure = GetParam();
    failure.setup(driver_, ticket_);
    if (failure.call[0] != '\0') driver_.failAt(failure.call, 5, failure.occurrence);
    auto result = [&]() -> Result<void> {
        if (auto job = begin(); !job) return std::move(job).error();
        if (auto started = gdi_.startPage(); !started) return started;
        if (auto drawn = drawWholePaper(); !drawn) return drawn;
        if (auto ended = gdi_.endPage(); !ended) return ended;
        return gdi_.endDocument();
    }();
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), failure.error);
    gdi_.abortDocument();
    EXPECT_TRUE(driver_.nothingOpen());
    EXPECT_EQ(driver_.openDocuments, 0);
}

const Error kChanged("KSR-2007", L"打印机能力已变化，请重新生成页面");

INSTANTIATE_TEST_SUITE_P(
    Calls, GdiPrintApiFailureTest,
    ::testing::Values(
        Failure{"OpenPrinterW", 1, Error("KSR-2002", L"无法打开打印机 (Win32=5)")},
        Failure{"DocumentPropertiesW(0)", 1, Error("KSR-2004", L"无法读取打印机设置 (Win32=5)")},
        Failure{"DocumentPropertiesW(2)", 1, Error("KSR-2004", L"无法读取打印机设置 (Win32=5)")},
        Failure{"CreateDCW", 1, Error("KSR-2005", L"无法创建设备上下文 (Win32=5)")},
        Failure{"StartDocW", 1, Error("KSR-4003", L"Windows 队列拒绝打印任务 (Win32=5)")},
        Failure{"StartPage", 1, Error("KSR-2008", L"无法开始打印页面 (Win32=5)")},
        Failure{"StretchDIBits", 1, Error("KSR-3005", L"无法输出页面点阵，请检查打印机后重试 (Win32=5)")},
        Failure{"EndPage", 1, Error("KSR-2008", L"无法结束打印页面 (Win32=5)")},
        Failure{"EndDoc", 1, Error("KSR-2008", L"无法提交打印文档 (Win32=5)")},
        // A DEVMODE whose sizes reach past what the driver asked for.
        Failure{"", 0, Error("KSR-2004", L"无法读取打印机设置 (Win32=0)"),
                [](FakePrintDriver& driver, PrintTicket&) {
                    ::SetLastError(0);
                    driver.driverExtraAnswer = 301;
                }},
        Failure{"", 0, kChanged, [](FakePrintDriver&, PrintTicket& ticket) { ticket.capabilityHash = "other"; }},
        Failure{"", 0, kChanged, [](FakePrintDriver&, PrintTicket& ticket) { ticket.dpiX = 300; }},
        Failure{"", 0, Error("KSR-2009", L"纸张尺寸超出驱动范围"),
                [](FakePrintDriver&, PrintTicket& ticket) { ticket.paperHeightMm = 3276.8; }},
        // Would round to a side of no tenths of a millimetre.
        Failure{"", 0, Error("KSR-2009", L"纸张尺寸超出驱动范围"),
                [](FakePrintDriver&, PrintTicket& ticket) { ticket.paperWidthMm = 0.049; }},
        Failure{"", 0, Error("KSR-2009", L"纸张尺寸超出驱动范围"),
                [](FakePrintDriver&, PrintTicket& ticket) { ticket.paperHeightMm = 0.0999; }},
        Failure{"", 0, Error("KSR-2009", L"打印分辨率超出驱动范围"),
                [](FakePrintDriver&, PrintTicket& ticket) { ticket.dpiX = ticket.dpiY = 32768; }},
        // A DC at another resolution than the one asked for.
        Failure{"", 0,
                Error("KSR-2007",
                      L"打印机“LABEL”实际纸张或 DPI 与请求不一致：请求 100.0 × 150.0 mm / 203 × 203 DPI（799 × 1199 "
                      L"点），驱动返回 300 × 203 DPI（799 × 1199 点）。"),
                [](FakePrintDriver& driver, PrintTicket&) { driver.capsOverride[LOGPIXELSX] = 300; }},
        Failure{"", 0, Error("KSR-2007", L"打印机没有可用的打印区域"),
                [](FakePrintDriver& driver, PrintTicket&) {
                    driver.paperAnswers[301] = 302;
                    driver.capsOverride[VERTRES] = 0;
                }},
        // The fallback paper: the defaults cannot be read again, or the
        // driver refuses the paper it listed.
        Failure{"DocumentPropertiesW(2)", 3,
                Error("KSR-2009",
                      L"打印机“LABEL”拒绝纸张尺寸：请求 62.0 × 40.0 mm，驱动返回 62.0 × 40.0 mm。"
                      L"请在打印机驱动中添加该标签纸尺寸后重试。 无法读取驱动默认纸张。"),
                [](FakePrintDriver& driver, PrintTicket& ticket) {
                    driver.acceptsCustomSize = false;
                    driver.acceptsForms = false;
                    ticket.paperWidthMm = 62.0;
                    ticket.paperHeightMm = 40.0;
                }},
        Failure{"DocumentPropertiesW(10)", 3, Error("KSR-2009", L"驱动拒绝所选备用纸型。"),
                [](FakePrintDriver& driver, PrintTicket& ticket) {
                    driver.acceptsForms = false;
                    driver.customSizeEchoed = false;
                    ticket.paperWidthMm = 62.0;
                    ticket.paperHeightMm = 40.0;
                }}));

TEST_F(GdiPrintApiTest, CallsOutsideAnOpenDocumentFailWithoutTouchingTheDriver) {
    EXPECT_EQ(gdi_.startPage().error().code(), "KSR-2008");
    EXPECT_EQ(drawWholePaper().error(), Error("KSR-3004", L"页面像素缓冲无效"));
    EXPECT_EQ(gdi_.endDocument().error().code(), "KSR-2008");
    gdi_.abortDocument();
    EXPECT_TRUE(driver_.calls.empty());

    ASSERT_TRUE(begin());
    for (const PagePlacement& bad : {PagePlacement{0, 0, 800, 1200, 2, 3, nullptr, 24},
                                     PagePlacement{0, 0, 800, 1200, 2, 3, pixels_.data(), 23},
                                     PagePlacement{0, 0, 0, 1200, 2, 3, pixels_.data(), 24},
                                     PagePlacement{0, 0, 0x80000000u, 1200, 2, 3, pixels_.data(), 24}}) {
        EXPECT_EQ(gdi_.drawPage(bad).error(), Error("KSR-3004", L"页面像素缓冲无效"));
    }
    EXPECT_TRUE(driver_.drawn.empty());
}

TEST(GdiPrintApiLifetimeTest, DestroyingTheAdapterAbortsItsOpenDocument) {
    FakePrintDriver driver;
    fakes::FakeCapabilitySource source;
    platform::PrinterCapabilities record;
    record.name = driver.queue;
    record.dpiX = record.dpiY = 203;
    source.record = record;
    PrintTicket ticket;
    ticket.dpiX = ticket.dpiY = 203;
    ticket.paperWidthMm = 210.0;
    ticket.paperHeightMm = 297.0;
    {
        GdiPrintApi gdi(source, driver.functions());
        ASSERT_TRUE(gdi.beginDocument(ticket));
        EXPECT_EQ(driver.openDcs, 1);
    }
    EXPECT_EQ(driver.aborts, 1);
    EXPECT_TRUE(driver.nothingOpen());
}

TEST(CustomFormTest, ExistingFormsAndRegistrationFailures) {
    struct Case {
        const char* what;
        std::function<void(FakePrintDriver&)> setup;
        std::optional<Error> error;
        std::size_t added;
    };
    const Case cases[] = {
        {"absent", [](auto&) {}, std::nullopt, 1},
        {"present", [](auto& d) { d.forms[L"KSRN_500x300"] = {50000, 30000}; }, std::nullopt, 0},
        {"other size", [](auto& d) { d.forms[L"KSRN_500x300"] = {50000, 30500}; },
         Error("KSR-2009", L"打印队列中已存在纸型 KSRN_500x300，但尺寸是 50.0 × 30.5 mm；请求尺寸为 50.0 × 30.0 mm。"), 0},
        {"unreadable",
         [](auto& d) {
             d.forms[L"KSRN_500x300"] = {50000, 30000};
             d.failAt("GetFormW(read)", 5);
         },
         Error("KSR-2009", L"无法读取打印队列“LABEL”中的自定义纸型 KSRN_500x300（Win32=5）。"), 0},
        {"uncheckable", [](auto& d) { d.failAt("GetFormW", 1722); },
         Error("KSR-2009", L"无法检查打印队列“LABEL”中的自定义纸型 KSRN_500x300（Win32=1722）。"), 0},
        {"no admin", [](auto& d) { d.failAt("OpenPrinterW(admin)", 5); },
         Error("KSR-2009", L"无法以管理权限打开打印队列“LABEL”以注册纸型 KSRN_500x300（Win32=5）。"), 0},
        {"refused", [](auto& d) { d.failAt("AddFormW", 5); },
         Error("KSR-2009", L"无法向打印队列“LABEL”注册自定义纸型 KSRN_500x300（50.0 × 30.0 mm，Win32=5）。"
                           L"请使用管理员权限，或在打印服务器上手动添加该纸型。"),
         1},
        {"raced", [](auto& d) { d.failAt("AddFormW", ERROR_FILE_EXISTS); }, std::nullopt, 1},
        {"raced again", [](auto& d) { d.failAt("AddFormW", ERROR_ALREADY_EXISTS); }, std::nullopt, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakePrintDriver driver;
        c.setup(driver);
        const auto functions = driver.functions();
        HANDLE printer = nullptr;
        std::wstring queue = driver.queue;
        ASSERT_TRUE(functions.openPrinter(queue.data(), &printer, nullptr));
        const auto result = ensureCustomForm(functions, printer, L"LABEL", L"KSRN_500x300", 500, 300);
        EXPECT_EQ(result.hasValue(), !c.error);
        if (c.error && !result) {
            EXPECT_EQ(result.error(), *c.error);
        }
        EXPECT_EQ(driver.added.size(), c.added);
        EXPECT_EQ(driver.openAdminHandles, 0);
    }
}

}  // namespace
}  // namespace ks::printing
