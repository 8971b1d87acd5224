#include "jobs/spooler_control.h"

#include <gtest/gtest.h>

#include "fakes/fake_winspool_api.h"
#include "printers/known_digests.h"

namespace ks::jobs {
namespace {

class RecordingJobApi final : public platform::ISpoolerJobApi {
public:
    Result<bool> cancel(const std::wstring& printerName, std::uint32_t windowsJobId) override {
        cancelled.emplace_back(printerName, windowsJobId);
        return true;
    }
    std::vector<std::pair<std::wstring, std::uint32_t>> cancelled;
};

TEST(SpoolerControlTest, FindsTheQueueByIdentityWithoutOpeningThePrinter) {
    fakes::FakeWinspoolApi spooler;
    spooler.printers = {{L"PDF", L"PDF", L"CUPS:PDF"}};
    // The printer cannot be queried right now; its jobs can still be cancelled.
    spooler.failCapabilities(L"PDF", Error("KSR-2005", L"无法创建设备上下文 (Win32=1801)"));
    printers::PrinterCatalog catalog(spooler);
    RecordingJobApi jobs;
    SpoolerControl control(catalog, jobs);

    EXPECT_TRUE(control.cancel(printers::known::kPdfId, 12).value());
    EXPECT_EQ(jobs.cancelled, (std::vector<std::pair<std::wstring, std::uint32_t>>{{L"PDF", 12}}));
    EXPECT_TRUE(spooler.queried.empty());

    EXPECT_EQ(control.cancel(std::string(64, '0'), 12).error(), Error("KSR-2001", L"找不到指定打印机"));
    spooler.enumerationError = Error("KSR-2003", L"无法枚举打印机 (Win32=5)");
    EXPECT_EQ(control.cancel(printers::known::kPdfId, 12).error().code(), "KSR-2003");
    EXPECT_EQ(jobs.cancelled.size(), 1u);
}

}  // namespace
}  // namespace ks::jobs
