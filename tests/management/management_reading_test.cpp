// What the management windows read at a refresh: the printer list with its
// selection, the diagnostics snapshot and the status panel's texts.

#include <gtest/gtest.h>

#include <stdexcept>

#include "fakes/fake_winspool_api.h"
#include "management/diagnostics_snapshot.h"
#include "management/printer_list.h"
#include "management/status_text.h"

namespace ks::management {
namespace {

using platform::PrinterInfo;
using platform::PrinterStatus;

const PrinterInfo kPdf{L"PDF", L"PDF", L"CUPS:PDF", PrinterStatus::Ready};
const PrinterInfo kLabel{L"Label", L"ZDesigner", L"USB001", PrinterStatus::Offline};

platform::PrinterCapabilities device(std::uint32_t dpi) {
    platform::PrinterCapabilities record;
    record.dpiX = record.dpiY = dpi;
    record.physicalWidthDots = record.printableWidthDots = 800;
    record.physicalHeightDots = record.printableHeightDots = 600;
    record.resolutions = {{dpi, dpi}};
    return record;
}

// A spooler that fails the way a broken driver does: by throwing.
class ThrowingWinspoolApi final : public platform::IWinspoolApi {
public:
    std::wstring defaultPrinterName() override { return {}; }
    Result<std::vector<platform::PrinterInfo>> enumeratePrinters() override { throw std::runtime_error("driver"); }
    Result<platform::PrinterCapabilities> queryCapabilities(const platform::PrinterInfo&) override {
        throw std::runtime_error("driver");
    }
};

class ManagementReadingTest : public testing::Test {
protected:
    ManagementReadingTest() {
        spooler_.printers = {kPdf, kLabel};
        spooler_.setCapabilities(kPdf.name, device(300));
        spooler_.setCapabilities(kLabel.name, device(203));
    }

    std::string idOf(const std::wstring& name) {
        const auto listed = catalog_.listPrintersWithCapabilities();
        for (const auto& record : listed.value()) {
            if (record.name == name) return record.printerId;
        }
        return {};
    }

    fakes::FakeWinspoolApi spooler_;
    printers::PrinterCatalog catalog_{spooler_};
};

TEST_F(ManagementReadingTest, PrinterListKeepsTheSelectedPrinterByIdElseTheFirst) {
    const std::string labelId = idOf(L"Label");
    ASSERT_EQ(labelId.size(), 64u);

    PrinterList list = readPrinterList(catalog_, labelId);
    ASSERT_EQ(list.entries.size(), 2u);
    EXPECT_EQ(list.entries[0].name, L"PDF");
    EXPECT_EQ(list.selection, 1u);
    EXPECT_EQ(list.entries[1].printerId, labelId);
    EXPECT_NE(list.entries[1].informationText.find(L"队列状态：离线"), std::wstring::npos);
    EXPECT_TRUE(list.emptyText.empty());

    // Renamed since: a new identity, so the first printer is selected.
    spooler_.printers[1].name = L"Label (copy 1)";
    spooler_.setCapabilities(L"Label (copy 1)", device(203));
    list = readPrinterList(catalog_, labelId);
    ASSERT_EQ(list.entries.size(), 2u);
    EXPECT_NE(list.entries[1].printerId, labelId);
    EXPECT_EQ(list.selection, 0u);
}

TEST_F(ManagementReadingTest, PrinterListStandsInATextWhenThereIsNothingToList) {
    spooler_.enumerationError = Error("KSR-2003", L"无法枚举打印机 (Win32=5)");
    PrinterList list = readPrinterList(catalog_, {});
    EXPECT_TRUE(list.entries.empty());
    EXPECT_EQ(list.emptyText, kPrinterListUnreadable);

    // One printer failing fails the whole list: no partial rows.
    spooler_.enumerationError.reset();
    spooler_.failCapabilities(L"Label", Error("KSR-2002", L"无法打开打印机 (Win32=1801)"));
    list = readPrinterList(catalog_, {});
    EXPECT_TRUE(list.entries.empty());
    EXPECT_EQ(list.emptyText, kPrinterListUnreadable);

    spooler_.printers.clear();
    list = readPrinterList(catalog_, {});
    EXPECT_TRUE(list.entries.empty());
    EXPECT_EQ(list.emptyText, kNoPrintersFound);

    ThrowingWinspoolApi throwing;
    printers::PrinterCatalog broken(throwing);
    list = readPrinterList(broken, {});
    EXPECT_TRUE(list.entries.empty());
    EXPECT_EQ(list.emptyText, kPrinterListUnreadable);
}

TEST_F(ManagementReadingTest, SnapshotReadsEveryProviderAndDefaultsTheEmptyOnes) {
    const WindowsVersion version{10, 0, 19045, 1};
    const jobs::LatestJobStatus latest{jobs::JobState::Failed, 12, "KSR-3003", 3};
    DiagnosticsSnapshot snapshot = collectDiagnosticsSnapshot(
        [&] { return std::optional(version); }, [] { return false; }, true, catalog_,
        [&] { return std::optional(latest); });
    EXPECT_EQ(snapshot.windowsVersion, version);
    EXPECT_FALSE(snapshot.serviceRunning);
    EXPECT_TRUE(snapshot.previewBusy);
    EXPECT_TRUE(snapshot.printersRead);
    ASSERT_EQ(snapshot.printers.size(), 2u);
    EXPECT_EQ(snapshot.printers[1].name, L"Label");
    EXPECT_EQ(snapshot.printers[1].dpiX, 203u);
    EXPECT_EQ(snapshot.printers[1].capabilityHash.size(), 64u);
    EXPECT_EQ(snapshot.latestJob, latest);

    snapshot = collectDiagnosticsSnapshot({}, {}, false, catalog_, {});
    EXPECT_FALSE(snapshot.windowsVersion.has_value());
    EXPECT_TRUE(snapshot.serviceRunning);
    EXPECT_FALSE(snapshot.latestJob.has_value());
}

TEST_F(ManagementReadingTest, SnapshotSurvivesAThrowingVersionProviderAndCatalogue) {
    ThrowingWinspoolApi throwing;
    printers::PrinterCatalog broken(throwing);
    const DiagnosticsSnapshot snapshot = collectDiagnosticsSnapshot(
        []() -> std::optional<WindowsVersion> { throw std::runtime_error("RtlGetVersion"); }, [] { return true; },
        false, broken, {});
    EXPECT_FALSE(snapshot.windowsVersion.has_value());
    EXPECT_FALSE(snapshot.printersRead);
    EXPECT_TRUE(snapshot.printers.empty());
    // The report still says why there are no printers.
    EXPECT_NE(buildDiagnosticsText(snapshot).find(kPrinterListUnreadable), std::wstring::npos);

    spooler_.enumerationError = Error("KSR-2003", L"无法枚举打印机 (Win32=5)");
    EXPECT_FALSE(collectDiagnosticsSnapshot({}, {}, false, catalog_, {}).printersRead);
}

TEST(StatusTextTest, PanelTextAndLatestJobRow) {
    EXPECT_EQ(statusPanelText(true, false, L"最近任务：无"),
              L"程序版本：0.1.0\r\nNamed Pipe：运行中\r\n当前预览：无\r\n最近任务：无");
    EXPECT_EQ(statusPanelText(false, true, L"最近任务：Failed（KSR-3003）"),
              L"程序版本：0.1.0\r\nNamed Pipe：已停止\r\n当前预览：有\r\n最近任务：Failed（KSR-3003）");

    EXPECT_EQ(latestJobRowValue(L"最近任务：无"), L"暂无任务");
    EXPECT_EQ(latestJobRowValue(L"最近任务：Failed（KSR-3003）"), L"Failed（KSR-3003）");
    EXPECT_EQ(latestJobRowValue(L"最近任务：Queued"), L"Queued");
    // Not a line of formatLatestJobLine: shown whole rather than cut.
    EXPECT_EQ(latestJobRowValue(L"无"), L"无");
}

}  // namespace
}  // namespace ks::management
