#include "management/diagnostics_text.h"

#include <gtest/gtest.h>

#include <string>

namespace ks::management {
namespace {

constexpr std::wstring_view kHead =
    L"注意：诊断包含打印机、驱动和端口信息，请仅提供给可信支持人员。\r\n\r\n【服务】\r\n程序版本：0.1.0\r\n";

PrinterDiagnostics pdfPrinter() {
    platform::PrinterCapabilities record;
    record.printerId = std::string(64, 'f');
    record.name = L"PDF";
    record.driverName = L"PDF";
    record.portName = L"CUPS:PDF";
    record.dpiX = 300;
    record.dpiY = 600;
    record.papers = {{9, 210000, 297000, false}, {256, 101600, 152400, true}};
    record.status = platform::PrinterStatus::Offline;
    record.capabilityHash = std::string(64, '0');
    record.physicalWidthDots = 2480;
    return toPrinterDiagnostics(record);
}

TEST(DiagnosticsTextTest, FullReportByteForByte) {
    PrinterDiagnostics second = pdfPrinter();
    second.name = L"标签机";
    second.papers.clear();
    second.status = platform::PrinterStatus::Ready;
    second.capabilityHash = "abc";
    const DiagnosticsSnapshot snapshot{
        WindowsVersion{10, 0, 19045, 1}, true, false,
        {pdfPrinter(), second},          true, jobs::LatestJobStatus{jobs::JobState::Failed, 7, "KSR-3003", 3}};
    EXPECT_EQ(buildDiagnosticsText(snapshot),
              std::wstring(kHead) +
                  L"Windows：10.0 Build 19045（x64）\r\nNamed Pipe：运行中\r\n当前预览：无\r\n\r\n【打印机】\r\n"
                  L"名称：PDF\r\n驱动：PDF\r\n端口：CUPS:PDF\r\nDPI：300 × 600\r\n队列状态：离线\r\n纸张："
                  L"\r\n210 × 297 mm（纵向）\r\n101.6 × 152.4 mm（横向）\r\n能力哈希：" +
                  std::wstring(64, L'0') +
                  L"\r\n"
                  L"名称：标签机\r\n驱动：PDF\r\n端口：CUPS:PDF\r\nDPI：300 × 600\r\n队列状态：就绪\r\n纸张：未提供"
                  L"\r\n能力哈希：abc\r\n"
                  L"\r\n【最近任务】\r\n最近任务：Failed（KSR-3003）\r\nWindows Job ID：7\r\n错误类别：页面\r\n");
}

TEST(DiagnosticsTextTest, NothingKnownAndNoPrinters) {
    const DiagnosticsSnapshot snapshot{std::nullopt, false, true, {}, true, std::nullopt};
    EXPECT_EQ(buildDiagnosticsText(snapshot), std::wstring(kHead) +
                                                  L"无法读取 Windows 版本，请检查系统环境后点击“刷新”或联系管理员。\r\n"
                                                  L"Named Pipe：已停止\r\n当前预览：有\r\n\r\n【打印机】\r\n"
                                                  L"未发现打印机，请在 Windows 中安装或连接打印机后点击“刷新”。\r\n"
                                                  L"\r\n【最近任务】\r\n最近任务：无\r\n");
}

TEST(DiagnosticsTextTest, FailedListingAndJobWithoutSpoolerId) {
    const DiagnosticsSnapshot snapshot{WindowsVersion{6, 3, 9600, 0},
                                       true,
                                       false,
                                       {},
                                       false,
                                       jobs::LatestJobStatus{jobs::JobState::Cancelled, 0, "", 0}};
    EXPECT_EQ(buildDiagnosticsText(snapshot),
              std::wstring(kHead) +
                  L"Windows：6.3 Build 9600（x86）\r\nNamed Pipe：运行中\r\n当前预览：无\r\n\r\n【打印机】\r\n"
                  L"无法读取打印机列表或能力，请检查打印机连接、驱动及 Windows 打印服务后点击“刷新”重试。\r\n"
                  L"\r\n【最近任务】\r\n最近任务：Cancelled\r\n错误类别：无\r\n");
}

TEST(DiagnosticsTextTest, ArchitecturesAndErrorCategories) {
    const std::pair<std::uint32_t, std::wstring_view> architectures[] = {
        {0, L"（x86）"}, {1, L"（x64）"}, {2, L"（ARM64）"}, {3, L"（未知）"}, {12, L"（未知）"}};
    for (const auto& [architecture, name] : architectures) {
        DiagnosticsSnapshot snapshot;
        snapshot.windowsVersion = WindowsVersion{10, 0, 22631, architecture};
        EXPECT_NE(buildDiagnosticsText(snapshot).find(std::wstring(L"Build 22631") + name.data() + L"\r\n"),
                  std::wstring::npos)
            << architecture;
    }
    const std::pair<std::uint32_t, std::wstring_view> categories[] = {
        {0, L"无"},
        {1, L"协议"},
        {2, L"打印机"},
        {3, L"页面"},
        {4, L"任务"},
        {5, L"未知，请检查打印机或联系管理员后重试"},
        {6, L"未知，请检查打印机或联系管理员后重试"},
    };
    for (const auto& [category, text] : categories) {
        DiagnosticsSnapshot snapshot;
        snapshot.latestJob = jobs::LatestJobStatus{jobs::JobState::Queued, 4294967295u, "KSR-2009", category};
        const std::wstring report = buildDiagnosticsText(snapshot);
        EXPECT_TRUE(
            report.ends_with(std::wstring(L"最近任务：Queued（KSR-2009）\r\nWindows Job ID：4294967295\r\n错误类别：") +
                             text.data() + L"\r\n"))
            << category;
    }
}

}  // namespace
}  // namespace ks::management
