#include "printers/printer_catalog.h"

#include <gtest/gtest.h>

#include <cctype>
#include <initializer_list>
#include <string>
#include <vector>

#include "fakes/fake_winspool_api.h"
#include "printers/known_digests.h"

namespace ks::printers {
namespace {

using platform::PaperSize;
using platform::PrinterCapabilities;
using platform::PrinterInfo;
using platform::PrinterStatus;
using platform::Resolution;

using known::kOfficeLaserId;
using known::kPdfId;

// Computed outside this code (printf '…' | sha256sum) from:
//   driver=PDF\nport=CUPS:PDF\ndpiX=300\ndpiY=300\nphysical=2480x3508\nprintable=0,0,2480,3508\n
//   resolution=300,300\n
constexpr char kPdfCapabilityHash[] = "55c83fc8b715e86dec70732f97dc5683867250be57e5c174216656696d88c64e";

const PrinterInfo kOfficeLaser{L"  office laser ", L"hp universal printing pcl 6", L"ip_192.168.1.20",
                               PrinterStatus::Paused};
const PrinterInfo kPdf{L"PDF", L"PDF", L"CUPS:PDF", PrinterStatus::Ready};

PrinterCapabilities pdfDevice() {
    PrinterCapabilities device;
    device.dpiX = 300;
    device.dpiY = 300;
    device.physicalWidthDots = 2480;
    device.physicalHeightDots = 3508;
    device.printableWidthDots = 2480;
    device.printableHeightDots = 3508;
    device.resolutions = {Resolution{300, 300}};
    return device;
}

class PrinterCatalogTest : public testing::Test {
protected:
    PrinterCatalogTest() {
        spooler_.printers = {kOfficeLaser, kPdf};
        spooler_.setCapabilities(kPdf.name, pdfDevice());
        auto office = pdfDevice();
        office.papers = {PaperSize{9, 210000, 297000, false}};
        spooler_.setCapabilities(kOfficeLaser.name, office);
    }

    fakes::FakeWinspoolApi spooler_;
    PrinterCatalog catalog_{spooler_};
};

const Error kEnumerationFailed("KSR-2003", L"无法枚举打印机 (Win32=5)");

// ---------------------------------------------------------------- listPrinters

TEST_F(PrinterCatalogTest, ListingFillsOnlyIdNamesAndStatusInSpoolerOrder) {
    const auto listing = catalog_.listPrinters();
    ASSERT_TRUE(listing);
    PrinterCapabilities office;
    office.printerId = kOfficeLaserId;
    office.name = kOfficeLaser.name;  // as the spooler spells it, blanks and all
    office.driverName = kOfficeLaser.driverName;
    office.portName = kOfficeLaser.portName;
    office.status = PrinterStatus::Paused;
    PrinterCapabilities pdf;
    pdf.printerId = kPdfId;
    pdf.name = pdf.driverName = L"PDF";
    pdf.portName = L"CUPS:PDF";
    EXPECT_EQ(listing.value(), (std::vector<PrinterCapabilities>{office, pdf}));
    EXPECT_TRUE(spooler_.queried.empty()) << "a listing opens no printer";
}

TEST_F(PrinterCatalogTest, ListingKeepsDuplicatesWithTheSameId) {
    spooler_.printers = {kPdf, kOfficeLaser, kPdf};
    const auto listing = catalog_.listPrinters();
    ASSERT_TRUE(listing);
    ASSERT_EQ(listing.value().size(), 3u);
    EXPECT_EQ(listing.value()[0].printerId, kPdfId);
    EXPECT_EQ(listing.value()[2].printerId, kPdfId);
}

TEST_F(PrinterCatalogTest, EveryOperationPassesAnEnumerationErrorThroughUnchanged) {
    spooler_.enumerationError = kEnumerationFailed;
    const auto listing = catalog_.listPrinters();
    ASSERT_FALSE(listing);
    EXPECT_EQ(listing.error(), kEnumerationFailed);
    const auto one = catalog_.capabilities(kPdfId);
    ASSERT_FALSE(one);
    EXPECT_EQ(one.error(), kEnumerationFailed);
    const auto all = catalog_.listPrintersWithCapabilities();
    ASSERT_FALSE(all);
    EXPECT_EQ(all.error(), kEnumerationFailed);
}

TEST_F(PrinterCatalogTest, NothingIsCachedBetweenCalls) {
    ASSERT_EQ(catalog_.listPrinters().value().size(), 2u);
    spooler_.printers = {kPdf};
    ASSERT_EQ(catalog_.listPrinters().value().size(), 1u);
    spooler_.printers = {};
    EXPECT_FALSE(catalog_.capabilities(kPdfId));
    EXPECT_EQ(spooler_.enumerateCalls, 3);
}

// ---------------------------------------------------------------- capabilities

TEST_F(PrinterCatalogTest, CapabilitiesOfAKnownIdCarryTheIdAndTheirHash) {
    const auto record = catalog_.capabilities(kPdfId);
    ASSERT_TRUE(record);
    auto expected = pdfDevice();
    expected.printerId = kPdfId;
    expected.name = expected.driverName = L"PDF";
    expected.portName = L"CUPS:PDF";
    expected.capabilityHash = kPdfCapabilityHash;
    EXPECT_EQ(record.value(), expected);
}

// The id is found through the normalised identity, but the spooler is asked
// with the queue's real name.
TEST_F(PrinterCatalogTest, LookupQueriesTheQueueUnderItsOwnName) {
    const auto record = catalog_.capabilities(kOfficeLaserId);
    ASSERT_TRUE(record);
    ASSERT_EQ(spooler_.queried, std::vector<PrinterInfo>{kOfficeLaser});
    EXPECT_EQ(record.value().name, L"  office laser ");
    EXPECT_EQ(record.value().status, PrinterStatus::Paused);
}

TEST_F(PrinterCatalogTest, IdsThatMatchNoPrinterAreNotFound) {
    std::string upperCased = kPdfId;
    for (auto& c : upperCased) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::vector<std::string> unknown = {
        "", upperCased, std::string(kPdfId).substr(0, 63), std::string(kPdfId) + "0", std::string(64, '0'), "PDF",
    };
    for (const auto& id : unknown) {
        SCOPED_TRACE(id);
        const auto record = catalog_.capabilities(id);
        ASSERT_FALSE(record);
        EXPECT_EQ(record.error(), Error("KSR-2001", L"找不到指定打印机"));
    }
    EXPECT_TRUE(spooler_.queried.empty());
}

TEST_F(PrinterCatalogTest, DuplicateQueuesResolveToTheFirstOne) {
    const PrinterInfo connection{L"PDF", L"PDF", L"CUPS:PDF", PrinterStatus::Offline};
    spooler_.printers = {kOfficeLaser, connection, kPdf};
    const auto record = catalog_.capabilities(kPdfId);
    ASSERT_TRUE(record);
    EXPECT_EQ(record.value().status, PrinterStatus::Offline);
    EXPECT_EQ(spooler_.queried, std::vector<PrinterInfo>{connection});
    // Status is not part of the capability text.
    EXPECT_EQ(record.value().capabilityHash, kPdfCapabilityHash);
}

TEST_F(PrinterCatalogTest, QueryErrorsPassThroughUnchanged) {
    for (const Error& error :
         {Error("KSR-2002", L"无法打开打印机 (Win32=5)"), Error("KSR-2004", L"无法读取打印机 DEVMODE (Win32=1804)"),
          Error("KSR-2005", L"无法创建设备上下文 (Win32=8)"), Error("KSR-2006", L"打印机返回了无效的设备能力")}) {
        spooler_.failCapabilities(kPdf.name, error);
        const auto record = catalog_.capabilities(kPdfId);
        ASSERT_FALSE(record);
        EXPECT_EQ(record.error(), error);
    }
}

// ---------------------------------------------------------------- with capabilities

TEST_F(PrinterCatalogTest, ListingWithCapabilitiesFillsIdsAndHashes) {
    const auto records = catalog_.listPrintersWithCapabilities();
    ASSERT_TRUE(records);
    ASSERT_EQ(records.value().size(), 2u);
    EXPECT_EQ(records.value()[0].printerId, kOfficeLaserId);
    EXPECT_EQ(records.value()[0].papers.size(), 1u);
    EXPECT_EQ(records.value()[1].printerId, kPdfId);
    EXPECT_EQ(records.value()[1].capabilityHash, kPdfCapabilityHash);
    // The same record the single lookup gives.
    EXPECT_EQ(records.value()[1], catalog_.capabilities(kPdfId).value());
}

TEST_F(PrinterCatalogTest, ListingWithCapabilitiesStopsAtTheFirstFailure) {
    const Error unreadable("KSR-2004", L"无法读取打印机 DEVMODE (Win32=1804)");
    spooler_.printers = {kPdf, kOfficeLaser, kPdf};
    spooler_.failCapabilities(kOfficeLaser.name, unreadable);
    const auto records = catalog_.listPrintersWithCapabilities();
    ASSERT_FALSE(records);
    EXPECT_EQ(records.error(), unreadable);
    EXPECT_EQ(spooler_.queried.size(), 2u);
}

TEST_F(PrinterCatalogTest, AQueueWithoutAnIdIsLeftOutAndHidesNoOther) {
    // An unpaired surrogate in the driver: this queue can never have an id.
    const PrinterInfo broken{L"Broken", std::wstring(L"drv") + static_cast<wchar_t>(0xD800), L"LPT1:"};
    spooler_.printers = {kOfficeLaser, broken, kPdf};
    spooler_.setCapabilities(broken.name, pdfDevice());

    const auto listing = catalog_.listPrinters();
    ASSERT_TRUE(listing);
    ASSERT_EQ(listing.value().size(), 2u);
    EXPECT_EQ(listing.value()[0].printerId, kOfficeLaserId);
    EXPECT_EQ(listing.value()[1].printerId, kPdfId);

    const auto pdf = catalog_.capabilities(kPdfId);
    ASSERT_TRUE(pdf);
    EXPECT_EQ(pdf.value().capabilityHash, kPdfCapabilityHash);

    const auto records = catalog_.listPrintersWithCapabilities();
    ASSERT_TRUE(records);
    ASSERT_EQ(records.value().size(), 2u);
    EXPECT_EQ(records.value()[1].printerId, kPdfId);
    for (const auto& queried : spooler_.queried) EXPECT_NE(queried.name, broken.name) << "never opened";
}

}  // namespace
}  // namespace ks::printers
